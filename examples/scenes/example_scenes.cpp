#include "example_scenes.h"

#include <cstdio>

#include "undaline.h"

namespace {

// Headless stand-ins for the two panels the parameter windows belong to.
const platform::ControlTemplate kDaemonPanelControls[] = {
    {kIdDaemonWindowAnchor, platform::ControlKind::Static, "", 0, 30, 100, 20, 0},
    {5100, platform::ControlKind::ListBox, "", 0, 0, 100, 30, 0},
};
const platform::DialogTemplate kDaemonPanel = {"Daemons", 220, 400, kDaemonPanelControls, 2};
const platform::ControlTemplate kEmitterPanelControls[] = {
    {kIdEmitterWindowAnchor, platform::ControlKind::Static, "", 0, 30, 100, 20, 0},
};
const platform::DialogTemplate kEmitterPanel = {"Emitters", 220, 400, kEmitterPanelControls, 1};

platform::Dialog* g_daemon_panel = nullptr;
platform::Dialog* g_emitter_panel = nullptr;

void Panels() {
    if (g_daemon_panel) return;
    g_daemon_panel = platform::CreateDialog(&kDaemonPanel, ProcesaDaemonPanel, nullptr);
    g_emitter_panel = platform::CreateDialog(&kEmitterPanel, nullptr, nullptr);
    SetDaemonPanel(g_daemon_panel, 5100);
    SetEmitterPanel(g_emitter_panel);
}

Descriptor* Class(int class_id) {
    int index = ActivatePluginClass(class_id);
    if (index < 0) std::fprintf(stderr, "make_scenes: class %d is not available\n", class_id);
    return index < 0 ? nullptr : RegisteredClass(index);
}

platform::Dialog* Window(Nodo* node) {
    if (auto* d = dynamic_cast<Daemon*>(node)) {
        SelectDaemonItem(DaemonItem(d));
        return d->descriptor->window;
    }
    auto* e = static_cast<Creador*>(node);
    e->SetParameterBlock();
    return e->descriptor->window;
}

// Types a value into a field of the node's window, as a user does.
void Set(Nodo* node, int id, float value) {
    platform::TypeIntoField(Window(node), id, platform::Format("%g", static_cast<double>(value)));
}

void Check(Nodo* node, int id) {
    platform::Dialog* w = Window(node);
    if (!w->IsChecked(id)) platform::ClickControl(w, id);
}

Fluido* NewFluid(int class_id) {
    Descriptor* d = Class(class_id);
    return d ? CreaFluido(d) : nullptr;
}

Daemon* NewDaemonOf(int class_id) {
    Descriptor* d = Class(class_id);
    return d ? NewDaemon(d) : nullptr;
}

// Field ids of the shipped classes' windows.
enum {
    kSpeed = 2002, kRandom = 2003, kWidth = 2006, kHeight = 2007, kDepth = 2008, kRate = 2012,
    kAngle = 2013, kStrength = 2020, kLinear = 2023, kOutside = 2030, kBounce = 2035,
    kFriction = 2036,
};
enum { kSpray = 110, kCube = 105, kWind = 1, kGravity = 3, kDrag = 4, kKill = 5, kGround = 12 };

// Spray thrown up from the origin, falling back onto a floor and cleared away once it runs
// off the edge of a 2-unit square. The drops are a "Dumb" fluid: each flies on its own, as
// spray does, with no pressure between them.
bool Fountain() {
    Fluido* water = NewFluid(kSpray);
    Daemon* gravity = NewDaemonOf(kGravity);
    Daemon* drag = NewDaemonOf(kDrag);
    Daemon* ground = NewDaemonOf(kGround);
    Daemon* kill = NewDaemonOf(kKill);
    if (!water || !gravity || !drag || !ground || !kill) return false;
    water->type = kFluidDumb;
    Creador* spray = water->emitter;
    Set(spray, kIdPosY, 0.05f);
    Set(spray, kRate, 600.0f);
    Set(spray, kSpeed, 4.0f);
    Set(spray, kAngle, 20.0f);
    Set(spray, kRandom, 0.05f);
    Set(drag, kLinear, 0.1f);
    Set(ground, kBounce, 0.2f);
    Set(ground, kFriction, 0.3f);
    Set(kill, kIdScaleX, 2.0f);
    Set(kill, kIdScaleY, 8.0f);
    Set(kill, kIdScaleZ, 2.0f);
    Check(kill, kOutside);
    for (Daemon* d : {gravity, drag, kill, ground}) LinkDaemon(water, d);
    platform::CopyText(water->prefix, sizeof water->prefix, "fountain");
    water->outBin = 1;
    sim_settings.max_frames_on = true;
    sim_settings.max_frames = 120;
    return true;
}

// The classic dam break: a column of liquid dropped onto a floor inside a closed box of four
// walls (ground planes turned on their sides), where it settles into a pool; a mesh makes its
// surface every frame. The Cube emitter
// gives the liquid the starting pressure constant and external pressure of a liquid; steps of
// a quarter of the usual length keep that stiff a liquid stable.
bool FallingBlock() {
    Fluido* water = NewFluid(kCube);
    Daemon* gravity = NewDaemonOf(kGravity);
    Daemon* ground = NewDaemonOf(kGround);
    if (!water || !gravity || !ground) return false;
    Creador* cube = water->emitter;
    Set(cube, kWidth, 0.6f);
    Set(cube, kHeight, 1.2f);
    Set(cube, kDepth, 0.6f);
    Set(cube, kIdPosY, 0.3f);
    Set(ground, kBounce, 0.0f);
    Set(ground, kFriction, 0.1f);
    for (Daemon* d : {gravity, ground}) LinkDaemon(water, d);
    // Each wall faces the middle: its up axis turned onto -x, +x, -z or +z.
    struct Wall {
        float x, z, turn_x, turn_z;
    };
    for (const Wall& w : {Wall{-0.6f, 0, 0, -90}, Wall{0.6f, 0, 0, 90}, Wall{0, -0.6f, 90, 0},
                          Wall{0, 0.6f, -90, 0}}) {
        Daemon* wall = NewDaemonOf(kGround);
        if (!wall) return false;
        Set(wall, kBounce, 0.0f);
        Set(wall, kFriction, 0.1f);
        Set(wall, kIdPosX, w.x);
        Set(wall, kIdPosZ, w.z);
        Set(wall, kIdRotX, w.turn_x);
        Set(wall, kIdRotZ, w.turn_z);
        LinkDaemon(water, wall);
    }
    platform::CopyText(water->prefix, sizeof water->prefix, "block");
    water->outBin = 1;
    // Its surface every frame, as LWO2 and OBJ files beside the particle files.
    Mesh* surface = NewMesh();
    if (!surface || !LinkFluidToMesh(surface, water)) return false;
    platform::CopyText(surface->name, sizeof surface->name, "block_surface");
    surface->outDir[0] = '\0';
    surface->outLwo2 = 1;
    surface->outObj = 1;
    surface->resolution = 20.0f;
    sim_settings.time_step_factor = 0.25f;
    sim_settings.max_frames_on = true;
    sim_settings.max_frames = 120;
    return true;
}

const ExampleScene kScenes[] = {
    {"fountain", "spray thrown up from a nozzle, falling back onto a floor", Fountain},
    {"falling_block",
     "a column of water dropped into a box, settling into a pool, with its surface", FallingBlock},
};

}  // namespace

const ExampleScene* ExampleScenes(int* count) {
    *count = static_cast<int>(sizeof kScenes / sizeof kScenes[0]);
    return kScenes;
}

bool MakeExampleScene(const ExampleScene& scene, const std::string& path) {
    Panels();
    ResetScene();
    ResetViewSettings();
    if (!scene.build()) {
        std::fprintf(stderr, "make_scenes: %s could not be built\n", scene.name);
        return false;
    }
    // Saved as after "Reset simulation", so a run starts from frame 0.
    sim::Reset();
    return SaveWorkspace(path.c_str());
}
