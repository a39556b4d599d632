// Loads the sample plug-in library (built against the installed SDK) with the loader, and
// puts its two classes through what the program does with them.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "undaline.h"

namespace {

int Fail(const char* what) {
    std::fprintf(stderr, "failed: %s\n", what);
    return 1;
}

const platform::ControlTemplate kPanelControls[] = {
    {5200, platform::ControlKind::ListBox, "", 0, 0, 100, 80, 0},
    {kIdDaemonWindowAnchor, platform::ControlKind::Static, "", 0, 90, 100, 10, 0},
    {kIdEmitterWindowAnchor, platform::ControlKind::Static, "", 0, 90, 100, 10, 0},
};
const platform::DialogTemplate kPanel = {"Panel", 120, 300, kPanelControls, 3};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return Fail("usage: load_plugins PLUGINS_DIR");
    platform::Dialog* panel = platform::CreateDialog(&kPanel, ProcesaDaemonPanel, nullptr);
    SetDaemonPanel(panel, 5200);
    SetEmitterPanel(panel);
    SetPluginsDirectory(argv[1]);

    if (!ScanPlugins() || PluginLibraryCount() != 1) return Fail("scan");
    const PluginLibrary* lib = PluginLibraryAt(0);
    if (std::strcmp(lib->file, "sample.so") != 0) return Fail("library name");
    if (lib->classes.size() != 2 || !lib->rejected.empty()) return Fail("classes accepted");
    if (std::strcmp(lib->classes[0].name, "Breeze") != 0) return Fail("class name");

    Descriptor* breeze = RegisteredClass(ActivatePluginClass(1001));
    Descriptor* ring = RegisteredClass(ActivatePluginClass(1101));
    if (!breeze || !ring || !breeze->window || !ring->window) return Fail("activation");

    Daemon* a = NewDaemon(breeze);
    Daemon* b = NewDaemon(breeze);
    if (!a || !b || std::strcmp(b->name, "Breeze 1") != 0) return Fail("daemon naming");
    // The class's own window procedure edits the selected breeze.
    platform::TypeIntoField(breeze->window, 2001, "2.5");
    breeze->window->SetText(2001, "");
    b->SetParameterBlock();
    if (breeze->window->GetText(2001) != " 2.50") return Fail("daemon parameter window");
    Daemon* c = DuplicateDaemon(b);
    c->SetParameterBlock();
    if (breeze->window->GetText(2001) != " 2.50") return Fail("duplicate copies its class's data");

    // A ring feeds its fluid: one particle at once, then one every 1/rate seconds; the breeze
    // pushes them along its z axis.
    Fluido* fluid = CreaFluido(ring);
    if (!fluid) return Fail("fluid of the sample emitter");
    fluid->Regenera();
    fluid->emitter->Crea();
    if (fluid->count != 1) return Fail("ring emits at the start");
    fluid->emitTime = 0.5f;
    fluid->emitter->Crea();
    if (fluid->count != 51) return Fail("ring emits at its rate");
    if (std::fabs(fluid->First()->pos.Modulo() - 0.5f) > 1e-5f) return Fail("ring birth place");
    b->Affect(fluid);
    if (fluid->First()->force.z != 2.5f) return Fail("breeze pushes the particles");
    DeleteFluido(fluid);
    // Its last fluid gone, the class is released; the daemons keep the library loaded.
    if (RegistryIndexOf(1101) != -1 || !PluginLibraryAt(0)->module) return Fail("class released");
    ring = RegisteredClass(ActivatePluginClass(1101));
    if (!ring || !ring->window) return Fail("reactivation");

    Creador* e = CreaEmisor(ring, nullptr);
    if (!e || std::strcmp(e->name, "Ring") != 0 || e->emitter_id != 1) return Fail("emitter");
    if (e->DameTiempoMaximo() != 10.0f) return Fail("emitter override");
    e->SetParameterBlock();
    platform::TypeIntoField(ring->window, 2102, "2");
    e->SetParameterBlock();
    if (ring->window->GetText(2102) != " 2.00") return Fail("emitter parameter window");
    delete e;

    ResetScene();
    ReleasePluginClass(ring);
    UnloadAllPlugins();
    if (RegistryLastIndex() != -1 || PluginLibraryAt(0)->module) return Fail("unloading");
    SetDaemonPanel(nullptr, 0);
    SetEmitterPanel(nullptr);
    platform::DestroyDialog(panel);
    std::printf("sample plug-in loaded: %s v%.2f\n", PluginLibraryAt(0)->file,
                static_cast<double>(PluginLibraryAt(0)->version));
    return 0;
}
