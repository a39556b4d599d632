#include "example_scenes.h"

#include <cstdio>
#include <filesystem>
#include <numbers>

#include "dam_break.h"
#include "scene_helpers.h"
#include "undaline.h"

namespace {

using namespace example_scenes;

// Spray thrown up from the origin, falling back onto a floor and cleared away once it runs
// off the edge of a 2-unit square. The drops are a "Dumb" fluid: each flies on its own, as
// spray does, with no pressure between them.
bool Fountain(const std::string&) {
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
// walls (ground planes turned on their sides), where it settles into a pool; a mesh makes its
// surface every frame. The Cube emitter
// gives the liquid the starting pressure constant and external pressure of a liquid; steps of
// a quarter of the usual length keep that stiff a liquid stable.
bool FallingBlockOfScale(float s) {
    Fluido* water = NewFluid(kCube);
    if (!water || !Tank(water, 0.6f * s)) return false;
    Creador* cube = water->emitter;
    Set(cube, kWidth, 0.6f * s);
    Set(cube, kHeight, 1.2f * s);
    Set(cube, kDepth, 0.6f * s);
    Set(cube, kIdPosY, 0.3f * s);
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

bool FallingBlock(const std::string&) { return FallingBlockOfScale(1.0f); }

// The tank is written beside the workspace, under objects/, and the workspace names it by that
// relative path.
bool DamBreak(const std::string& dir) {
    const std::filesystem::path folder = std::filesystem::path(dir) / "objects";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    const std::string tank = (folder / "dam_break_tank.obj").string();
    const std::string obj = dam_break::TankObj();
    if (!platform::WriteWholeFile(tank.c_str(), obj.data(), obj.size())) {
        std::fprintf(stderr, "make_scenes: cannot write %s\n", tank.c_str());
        return false;
    }
    if (!dam_break::Build(tank, dam_break::kAcross)) return false;
    Body* b = dam_break::Tank();
    platform::CopyText(b->path, sizeof b->path, "objects/dam_break_tank.obj");
    return true;
}

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
bool Stir(const std::string& dir) {
    constexpr int kFrames = 150, kFps = 30;
    const std::string sd = platform::JoinPath(dir, "stir.sd");
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
    {"dam_break", "a column of water released at one end of a closed tank", DamBreak},
    {"stir", "a paddle, animated by an SD file, stirring a tank of liquid", Stir},
};

}  // namespace

const ExampleScene* ExampleScenes(int* count) {
    *count = static_cast<int>(sizeof kScenes / sizeof kScenes[0]);
    return kScenes;
}

bool BuildFallingBlock(float scale) {
    Panels();
    return FallingBlockOfScale(scale);
}

bool MakeExampleScene(const ExampleScene& scene, const std::string& path) {
    Panels();
    ResetScene();
    ResetViewSettings();
    const std::string dir = std::filesystem::path(path).parent_path().string();
    if (!scene.build(dir.empty() ? "." : dir)) {
        std::fprintf(stderr, "make_scenes: %s could not be built\n", scene.name);
        return false;
    }
    // Saved as after "Reset simulation", so a run starts from frame 0.
    sim::Reset();
    return SaveWorkspace(path.c_str());
}
