#include "example_scenes.h"

#include <cstdio>
#include <filesystem>

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

// The classic dam break: a column of liquid dropped onto a floor inside a closed box of four
// walls (ground planes turned on their sides), where it settles into a pool; a mesh makes its
// surface every frame. The Cube emitter
// gives the liquid the starting pressure constant and external pressure of a liquid; steps of
// a quarter of the usual length keep that stiff a liquid stable.
bool FallingBlockOfScale(float s) {
    Fluido* water = NewFluid(kCube);
    Daemon* gravity = NewDaemonOf(kGravity);
    Daemon* ground = NewDaemonOf(kGround);
    if (!water || !gravity || !ground) return false;
    Creador* cube = water->emitter;
    Set(cube, kWidth, 0.6f * s);
    Set(cube, kHeight, 1.2f * s);
    Set(cube, kDepth, 0.6f * s);
    Set(cube, kIdPosY, 0.3f * s);
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
        Set(wall, kIdPosX, w.x * s);
        Set(wall, kIdPosZ, w.z * s);
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

const ExampleScene kScenes[] = {
    {"fountain", "spray thrown up from a nozzle, falling back onto a floor", Fountain},
    {"falling_block",
     "a column of water dropped into a box, settling into a pool, with its surface", FallingBlock},
    {"dam_break", "a column of water released at one end of a closed tank", DamBreak},
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
