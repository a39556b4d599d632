// Overrides every virtual operation of Descriptor, Daemon and Creador and records which one
// the program called, so the tests see calls cross the library boundary slot by slot.
#include <string>

#include "test_plugin.h"

namespace {

std::string g_log;

void Rec(const char* what) {
    g_log += what;
    g_log += ';';
}

class RecDaemon final : public Daemon {
public:
    ~RecDaemon() override { Rec("~Daemon"); }
    void RepresentaNodo() override { Rec("RepresentaNodo"); }
    void RepresentaSel() override { Rec("RepresentaSel"); }
    void DoOnSel(void*) override { Rec("DoOnSel"); }
    int Save() override {
        Rec("Save");
        return 1;
    }
    int Load() override {
        Rec("Load");
        return 1;
    }
    void PostLoad() override { Rec("PostLoad"); }
    void Move(Vector) override { Rec("Move"); }
    void Rotate(float) override { Rec("Rotate"); }
    void Scale(float) override { Rec("Scale"); }
    void NotifyReset() override { Rec("NotifyReset"); }
    void AboutReset() override { Rec("AboutReset"); }
    void CalculaDependientes() override { Rec("CalculaDependientes"); }
    void UpdateLink() override { Rec("UpdateLink"); }
    void UndoChangePos() override { Rec("UndoChangePos"); }
    void Copy(Nodo* source) override {
        Rec("Copy");
        Daemon::Copy(source);
    }
    void SetParameterBlock() override { Rec("SetParameterBlock"); }
    void Affect(Fluido*) override { Rec("Affect"); }
};

class RecEmitter final : public Creador {
public:
    ~RecEmitter() override { Rec("~Creador"); }
    void RepresentaNodo() override { Rec("RepresentaNodo"); }
    void RepresentaSel() override { Rec("RepresentaSel"); }
    void DoOnSel(void*) override { Rec("DoOnSel"); }
    int Save() override {
        Rec("Save");
        return 1;
    }
    int Load() override {
        Rec("Load");
        return 1;
    }
    void PostLoad() override { Rec("PostLoad"); }
    void Move(Vector) override { Rec("Move"); }
    void Rotate(float) override { Rec("Rotate"); }
    void Scale(float) override { Rec("Scale"); }
    void NotifyReset() override { Rec("NotifyReset"); }
    void AboutReset() override { Rec("AboutReset"); }
    void CalculaDependientes() override { Rec("CalculaDependientes"); }
    void UpdateLink() override { Rec("UpdateLink"); }
    void UndoChangePos() override { Rec("UndoChangePos"); }
    void Copy(Nodo*) override { Rec("Copy"); }
    void PostCreation() override { Rec("PostCreation"); }
    void SetParameterBlock() override { Rec("SetParameterBlock"); }
    void Representa() override { Rec("Representa"); }
    void Crea() override { Rec("Crea"); }
    Vector DameCentro() override {
        Rec("DameCentro");
        return Vector(1, 2, 3);
    }
    float DameTiempoMaximo() override {
        Rec("DameTiempoMaximo");
        return 4.0f;
    }
    float DameVolumen() override {
        Rec("DameVolumen");
        return 5.0f;
    }
    bool AreVoxelsNeeded() override {
        Rec("AreVoxelsNeeded");
        return true;
    }
    void HowManyPoli(int* vertices, int* faces) override {
        Rec("HowManyPoli");
        *vertices = 8;
        *faces = 6;
    }
    void Poligoniza(MeshBuilder*) override { Rec("Poligoniza"); }
    void Affect() override { Rec("Affect"); }
    void Integra() override { Rec("Integra"); }
    void GonnaKill(Particula*) override { Rec("GonnaKill"); }
    void OnFluidChange(char previous) override {
        Rec(previous == 2 ? "OnFluidChange 2" : "OnFluidChange");
    }
};

template <class Made>
class RecClass final : public test_plugin::NamedClass {
public:
    using NamedClass::NamedClass;
    Nodo* Create() override {
        Rec("Create");
        return new Made;
    }
    void CreateParam(void* module, platform::Dialog* parent) override {
        Rec("CreateParam");
        Descriptor::CreateParam(module, parent);
    }
};

const platform::DialogTemplate kDialog = {"Recorder", 100, 40, test_plugin::kFields, 6};

RecClass<RecDaemon> g_daemon(kClassDaemon, 60, "Recorder", 1);
RecClass<RecEmitter> g_emitter(kClassEmitter, 160, "Recording emitter", 1);

}  // namespace

UNDALINE_PLUGIN_EXPORT int ExNumberOfClasses() { return 2; }
UNDALINE_PLUGIN_EXPORT float ExDllVersion() { return 3.0f; }
UNDALINE_PLUGIN_EXPORT Descriptor* ExClassDesc(int i) {
    return i == 0 ? static_cast<Descriptor*>(&g_daemon) : static_cast<Descriptor*>(&g_emitter);
}
UNDALINE_PLUGIN_EXPORT const platform::DialogTemplate* ExDialogTemplate(int) { return &kDialog; }

// For the tests: the calls so far ("Name;" each), and a fresh start.
UNDALINE_PLUGIN_EXPORT const char* RecorderLog() { return g_log.c_str(); }
UNDALINE_PLUGIN_EXPORT void RecorderClear() { g_log.clear(); }
