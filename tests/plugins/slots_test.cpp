#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "plugin_fixture.h"
#include "scene/daemon.h"
#include "scene/undo.h"

namespace {

using LogFn = const char* (*)();
using ClearFn = void (*)();

class SlotTest : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        Install(PLUGIN_RECORDER, "recorder.so");
        ASSERT_TRUE(ScanPlugins());
        daemon_class = RegisteredClass(ActivatePluginClass(60));
        emitter_class = RegisteredClass(ActivatePluginClass(160));
        ASSERT_NE(daemon_class, nullptr);
        ASSERT_NE(emitter_class, nullptr);
        log = Export<LogFn>("recorder.so", "RecorderLog");
        clear = Export<ClearFn>("recorder.so", "RecorderClear");
        ASSERT_NE(log, nullptr);
        ASSERT_NE(clear, nullptr);
    }
    // What the plug-in heard while `call` ran.
    std::string Heard(const std::function<void()>& call) {
        clear();
        call();
        return log();
    }
    Descriptor* daemon_class = nullptr;
    Descriptor* emitter_class = nullptr;
    LogFn log = nullptr;
    ClearFn clear = nullptr;
};

// What every node reaches of its class's own operations, and what each call should say.
using Slots = std::vector<std::pair<std::string, std::function<void()>>>;
Slots NodeSlots(Nodo* n) {
    return {
        {"RepresentaNodo;", [n] { n->RepresentaNodo(); }},
        {"RepresentaSel;", [n] { n->RepresentaSel(); }},
        {"DoOnSel;", [n] { n->DoOnSel(nullptr); }},
        {"Save;", [n] { EXPECT_EQ(n->Save(), 1); }},
        {"Load;", [n] { EXPECT_EQ(n->Load(), 1); }},
        {"PostLoad;", [n] { n->PostLoad(); }},
        {"Move;", [n] { n->Move(Vector(1, 0, 0)); }},
        {"Rotate;", [n] { n->Rotate(1); }},
        {"Scale;", [n] { n->Scale(2); }},
        {"NotifyReset;", [n] { n->NotifyReset(); }},
        {"AboutReset;", [n] { n->AboutReset(); }},
        {"CalculaDependientes;", [n] { n->CalculaDependientes(); }},
        {"UpdateLink;", [n] { n->UpdateLink(); }},
        {"UndoChangePos;", [n] { n->UndoChangePos(); }},
        {"Copy;", [n] { n->Copy(n); }},
    };
}

TEST_F(SlotTest, EveryDaemonOperationReachesItsOverride) {
    // Activated in SetUp; the overriding CreateParam still made the windows through the base.
    EXPECT_NE(daemon_class->window, nullptr);
    EXPECT_NE(emitter_class->window, nullptr);
    EXPECT_EQ(Heard([] { ActivatePluginClass(60); }), "");  // registered: nothing again
    Daemon* d = nullptr;
    EXPECT_EQ(Heard([&] { d = NewDaemon(daemon_class); }), "Create;SetParameterBlock;");
    ASSERT_NE(d, nullptr);
    Slots slots = NodeSlots(d);
    slots.insert(slots.end(), {
                                  {"SetParameterBlock;", [&] { d->SetParameterBlock(); }},
                                  {"Affect;", [&] { d->Affect(nullptr); }},
                              });
    for (const auto& [expected, call] : slots) EXPECT_EQ(Heard(call), expected);

    // What the program itself calls.
    EXPECT_EQ(Heard([] { RefreshAllDaemons(); }), "SetParameterBlock;UpdateLink;");
    EXPECT_EQ(Heard([&] { DuplicateDaemon(d); }), "Create;Copy;SetParameterBlock;");
    EXPECT_EQ(Heard([] { Undo(); }), "UndoChangePos;");
    // Deleting the copy selects the original and fills its window.
    EXPECT_EQ(Heard([] { DeleteSelectedDaemon(); }), "~Daemon;SetParameterBlock;");
    EXPECT_EQ(Heard([] { DeleteAllDaemons(); }), "~Daemon;");
    EXPECT_EQ(RegistryIndexOf(60), -1);  // released once nothing used it
}

TEST_F(SlotTest, EveryEmitterOperationReachesItsOverride) {
    Creador* e = nullptr;
    EXPECT_EQ(Heard([&] { e = CreaEmisor(emitter_class, nullptr); }), "Create;PostCreation;");
    ASSERT_NE(e, nullptr);
    Nodo* n = e;
    int vertices = 0, faces = 0;
    Slots slots = NodeSlots(e);
    slots.insert(slots.end(),
                 {
                     {"PostCreation;", [&] { e->PostCreation(); }},
                     {"SetParameterBlock;", [&] { e->SetParameterBlock(); }},
                     {"Representa;", [&] { e->Representa(); }},
                     {"Crea;", [&] { e->Crea(); }},
                     {"DameCentro;", [&] { EXPECT_EQ(e->DameCentro().z, 3); }},
                     {"DameTiempoMaximo;", [&] { EXPECT_EQ(e->DameTiempoMaximo(), 4); }},
                     {"DameVolumen;", [&] { EXPECT_EQ(e->DameVolumen(), 5); }},
                     {"AreVoxelsNeeded;", [&] { EXPECT_TRUE(e->AreVoxelsNeeded()); }},
                     {"HowManyPoli;", [&] { e->HowManyPoli(&vertices, &faces); }},
                     {"Poligoniza;", [&] { e->Poligoniza(nullptr); }},
                     {"Affect;", [&] { e->Affect(); }},
                     {"Integra;", [&] { e->Integra(); }},
                     {"GonnaKill;", [&] { e->GonnaKill(nullptr); }},
                     {"OnFluidChange 2;", [&] { e->OnFluidChange(2); }},
                 });
    for (const auto& [expected, call] : slots) EXPECT_EQ(Heard(call), expected);
    EXPECT_EQ(vertices, 8);
    EXPECT_EQ(faces, 6);
    EXPECT_EQ(Heard([&] { delete n; }), "~Creador;");
}

}  // namespace
