#include "example_scenes.h"

#include <cstdio>
#include <numbers>

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
    kSpeed = 2002,
    kRandom = 2003,
    kWidth = 2006,
    kHeight = 2007,
    kDepth = 2008,
    kRate = 2012,
    kAngle = 2013,
    kStrength = 2020,
    kLinear = 2023,
    kOutside = 2030,
    kBounce = 2035,
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

// Gravity, a floor and four walls round the square |x|, |z| < half (ground planes turned on
// their sides, each facing the middle), all acting on the fluid.
bool Tank(Fluido* water, float half) {
    Daemon* gravity = NewDaemonOf(kGravity);
    Daemon* ground = NewDaemonOf(kGround);
    if (!gravity || !ground) return false;
    Set(ground, kBounce, 0.0f);
    Set(ground, kFriction, 0.1f);
    for (Daemon* d : {gravity, ground}) LinkDaemon(water, d);
    // Each wall's up axis turned onto -x, +x, -z or +z.
    struct Wall {
        float x, z, turn_x, turn_z;
    };
    for (const Wall& w : {Wall{-half, 0, 0, -90}, Wall{half, 0, 0, 90}, Wall{0, -half, 90, 0},
                          Wall{0, half, -90, 0}}) {
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
    return true;
}

// The classic dam break: a column of liquid dropped onto a floor inside a closed box of four
// walls, where it settles into a pool; a mesh makes its surface every frame. The Cube emitter
// gives the liquid the starting pressure constant and external pressure of a liquid; steps of
// a quarter of the usual length keep that stiff a liquid stable.
bool FallingBlock() {
    Fluido* water = NewFluid(kCube);
    if (!water || !Tank(water, 0.6f)) return false;
    Creador* cube = water->emitter;
    Set(cube, kWidth, 0.6f);
    Set(cube, kHeight, 1.2f);
    Set(cube, kDepth, 0.6f);
    Set(cube, kIdPosY, 0.3f);
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

// Where the scene being made is saved; files it needs go beside it.
std::string g_out_dir = ".";

// The paddle of the stirring example as an animated scene: a blade from near the axis to near
// the wall of the tank, standing in the liquid, turning about the vertical axis a quarter turn
// a second, its leading face moving towards -z at the start.
SdScene Paddle(int frames, int fps) {
    SdScene s;
    std::snprintf(s.header.text, sizeof s.header.text, "Undaline scene data");
    s.header.version = kSdVersion;
    s.header.platform = kPlatformLightwave;
    SdObjectRecord blade;
    blade.name = "paddle";
    blade.colour[0] = 0.9f;
    blade.colour[1] = 0.6f;
    blade.colour[2] = 0.2f;
    const float x[2] = {0.08f, 0.46f}, y[2] = {0.0f, 0.6f}, z[2] = {-0.03f, 0.03f};
    for (int i = 0; i < 8; ++i)
        blade.verts.insert(blade.verts.end(), {x[i & 1], y[(i >> 1) & 1], z[(i >> 2) & 1]});
    const int faces[12][3] = {{0, 2, 3}, {0, 3, 1}, {4, 5, 7}, {4, 7, 6}, {0, 1, 5}, {0, 5, 4},
                              {2, 6, 7}, {2, 7, 3}, {0, 4, 6}, {0, 6, 2}, {1, 3, 7}, {1, 7, 5}};
    for (const auto& f : faces)
        blade.faces.insert(blade.faces.end(), {f[0], f[1], f[2], 1, 1, 1, 0});
    s.objects.push_back(blade);
    for (int f = 0; f <= frames; ++f) {
        Matrix turn;
        turn.MatrixRotationY(0.5f * std::numbers::pi_v<float> * f / fps);
        SdFrame frame{f, {SdFrameObject()}};
        SdKeyToFile(SdKeyOfMatrix(turn, kPlatformLightwave), kPlatformLightwave, &frame.objects[0]);
        s.frames.push_back(frame);
    }
    return s;
}

// A paddle stirring a tank of liquid: the paddle is an animated scene (stir.sd, beside the
// workspace) and the liquid collides with it.
bool Stir() {
    constexpr int kFrames = 150, kFps = 30;
    const std::string sd = platform::JoinPath(g_out_dir, "stir.sd");
    if (!WriteSdFile(sd.c_str(), Paddle(kFrames, kFps)) || !ImportSceneData(sd.c_str()))
        return false;
    // The workspace names the file beside it, wherever the two are moved together.
    platform::CopyText(sd_path, sizeof sd_path, "stir.sd");
    Fluido* water = NewFluid(kCube);
    if (!water || !Tank(water, 0.6f)) return false;
    Creador* cube = water->emitter;
    Set(cube, kWidth, 1.0f);
    Set(cube, kHeight, 0.4f);
    Set(cube, kDepth, 1.0f);
    LinkObject(water, rootbody.next);
    platform::CopyText(water->prefix, sizeof water->prefix, "stir");
    water->outBin = 1;
    sim_settings.time_step_factor = 0.25f;
    sim_settings.max_frames_on = true;
    sim_settings.max_frames = kFrames;
    return true;
}

const ExampleScene kScenes[] = {
    {"fountain", "spray thrown up from a nozzle, falling back onto a floor", Fountain},
    {"falling_block",
     "a column of water dropped into a box, settling into a pool, with its surface", FallingBlock},
    {"stir", "a paddle, animated by an SD file, stirring a tank of liquid", Stir},
};

}  // namespace

const ExampleScene* ExampleScenes(int* count) {
    *count = static_cast<int>(sizeof kScenes / sizeof kScenes[0]);
    return kScenes;
}

bool MakeExampleScene(const ExampleScene& scene, const std::string& path) {
    Panels();
    ResetScene();
    const std::string name = platform::BaseName(path);
    g_out_dir = path.size() > name.size() ? path.substr(0, path.size() - name.size()) : ".";
    ResetViewSettings();
    if (!scene.build()) {
        std::fprintf(stderr, "make_scenes: %s could not be built\n", scene.name);
        return false;
    }
    // Saved as after "Reset simulation", so a run starts from frame 0.
    sim::Reset();
    return SaveWorkspace(path.c_str());
}
