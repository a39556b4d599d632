// The collision pass inside full driver steps: its share of the step for the dam break's
// column in its 12-face tank, and for the same column resting in a bowl of about 200,000
// triangles, with one and two threads. The full step is the reference, measured in the same
// steps.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "objects/collision.h"
#include "scenes/dam_break.h"
#include "undaline.h"

namespace {

namespace fs = std::filesystem;

constexpr int kAcross = 40;
constexpr int kWarmSteps = 60;
constexpr int kRounds = 5;
constexpr int kStepsPerRound = 6;

double g_collision_seconds = 0.0;

void TimedCollide(Fluido* f) {
    const auto t0 = std::chrono::steady_clock::now();
    collision::Collide(f);
    g_collision_seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// A bowl: the lower half of a sphere of radius r about (0, r, 0), its lowest point at the
// origin; rings from the bottom up to the rim, each of `around` segments.
std::string BowlObj(float r, int rings, int around) {
    std::string obj;
    obj += platform::Format("v 0 0 0\n");
    for (int i = 1; i <= rings; ++i) {
        const double polar = 1.5707963 * i / rings;  // from the bottom to the rim
        for (int k = 0; k < around; ++k) {
            const double turn = 6.2831853 * k / around;
            obj += platform::Format("v %.6f %.6f %.6f\n", r * std::sin(polar) * std::cos(turn),
                                    r - r * std::cos(polar), r * std::sin(polar) * std::sin(turn));
        }
    }
    auto at = [&](int ring, int k) { return 2 + (ring - 1) * around + (k % around); };
    for (int k = 0; k < around; ++k) obj += platform::Format("f 1 %d %d\n", at(1, k + 1), at(1, k));
    for (int i = 1; i < rings; ++i) {
        for (int k = 0; k < around; ++k) {
            obj += platform::Format("f %d %d %d %d\n", at(i, k), at(i, k + 1), at(i + 1, k + 1),
                                    at(i + 1, k));
        }
    }
    return obj;
}

struct Figures {
    double step_ns, collision_ns;
    int particles;
};

// Steps the scene already built: a warm-up, then rounds of steps timed whole and in the
// collision hook; medians of the rounds.
Figures Measure(int threads) {
    parallel::SetThreadCount(threads);
    sim::Reset();
    sim::SetFullMode(false);
    Figures out{};
    std::vector<double> step, collision;
    std::thread([&] {
        for (int i = 0; i < kWarmSteps; ++i) sim::Step();
        for (int r = 0; r < kRounds; ++r) {
            g_collision_seconds = 0.0;
            const auto t0 = std::chrono::steady_clock::now();
            for (int i = 0; i < kStepsPerRound; ++i) sim::Step();
            const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            const double n = static_cast<double>(rootflow->count) * kStepsPerRound;
            step.push_back(s * 1e9 / n);
            collision.push_back(g_collision_seconds * 1e9 / n);
        }
    }).join();
    out.step_ns = Median(step);
    out.collision_ns = Median(collision);
    out.particles = rootflow->count;
    return out;
}

bool Report(const char* scene, double target) {
    bool met = true;
    for (int threads : {1, 2}) {
        const Figures f = Measure(threads);
        const double share = f.collision_ns / f.step_ns;
        met = met && share <= target;
        std::printf("%-28s %7d %8d %14.1f %14.1f %7.1f %%   <= %.0f %%: %s\n", scene, f.particles,
                    threads, f.step_ns, f.collision_ns, 100.0 * share, 100.0 * target,
                    share <= target ? "met" : "NOT met");
    }
    return met;
}

}  // namespace

int main() {
    SetPluginsDirectory(UNDALINE_PLUGINS_DIR);
    ScanPlugins();
    SimulationHooks().collide = TimedCollide;
    const fs::path dir = fs::temp_directory_path() / ("undaline_bench_collision_" + std::to_string(::getpid()));
    std::error_code ec;
    fs::create_directories(dir, ec);

    std::printf("Collision pass in the full step, a/s = %d (medians of %d rounds of %d steps)\n",
                kAcross, kRounds, kStepsPerRound);
    std::printf("%-28s %7s %8s %14s %14s %9s   target\n", "scene", "faces", "threads",
                "step ns/p-s", "collide ns/p-s", "share");
    bool met = true;

    // The dam break as it starts: the column bursting into its tank.
    const std::string tank = (dir / "tank.obj").string();
    const std::string tank_obj = dam_break::TankObj();
    platform::WriteWholeFile(tank.c_str(), tank_obj.data(), tank_obj.size());
    if (!dam_break::Build(tank, kAcross)) return 1;
    std::printf("%-28s %7d\n", "dam break tank", dam_break::Tank()->nfaces);
    met = Report("  column in its tank", 0.25) && met;

    // The same column standing at the bottom of a finely made bowl.
    sim::ClearSimulation();
    ResetScene();
    const std::string bowl = (dir / "bowl.obj").string();
    const std::string bowl_obj = BowlObj(2.0f, 250, 400);
    platform::WriteWholeFile(bowl.c_str(), bowl_obj.data(), bowl_obj.size());
    if (!dam_break::Build(bowl, kAcross)) return 1;
    Body* b = dam_break::Tank();
    b->K = 0.0f;
    b->friction = 0.0f;
    // The column's corners clear the bowl's curve.
    Creador* column = dam_break::Water()->emitter;
    column->pos = Vector(0, 0.035f, 0);
    column->UpdateMatrix();
    std::printf("%-28s %7d\n", "bowl", b->nfaces);
    met = Report("  column in the bowl", 0.60) && met;

    fs::remove_all(dir, ec);
    parallel::SetThreadCount(0);
    sim::ClearSimulation();
    ResetScene();
    std::printf("%s\n", met ? "All collision targets met." : "Some collision targets not met.");
    return 0;
}
