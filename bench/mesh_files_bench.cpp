// Writing the surface of the benchmark block (about 500,000 triangles) in each mesh format,
// next to the time it takes to build it: a frame's files must cost less than its mesh. Medians
// of several runs, wall and processor time, since the machine may be shared.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_util.h"
#include "fluid/fluid_passes.h"
#include "fluid/parallel.h"
#include "fluid_scenes.h"
#include "mesh/mesh.h"
#include "mesh/mesh_build.h"
#include "mesh/mesh_files.h"
#include "platform/format.h"
#include "platform/messages.h"

namespace {

namespace fs = std::filesystem;

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct FileTiming {
    double wall_ms, cpu_ms;
};

// Median wall and processor milliseconds of `runs` runs.
template <typename Body>
FileTiming Median(int runs, Body body) {
    std::vector<double> wall, cpu;
    for (int i = 0; i < runs; ++i) {
        const double c0 = CpuSeconds();
        const auto t0 = std::chrono::steady_clock::now();
        body();
        wall.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                .count());
        cpu.push_back((CpuSeconds() - c0) * 1e3);
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    return {wall[wall.size() / 2], cpu[cpu.size() / 2]};
}

class QuietSink : public platform::MessageSink {
    void OnLogLine(const std::string&) override {}
};

}  // namespace

int main() {
    QuietSink quiet;
    platform::SetMessageSink(&quiet);
    ClearFluidScene();
    Fluido* f = MakeBenchBlock(50, false);
    f->active = 1;
    f->CalculaAche();
    f->CalculaCaja();
    f->CreaRejilla();
    f->LlenaRejilla();
    fluid_passes::SearchNeighbours(f);
    // The cell of the mesh benchmark: a quarter of the particle spacing.
    Mesh* mesh = NewMesh();
    LinkFluidToMesh(mesh, f);
    mesh->refFaces = 1000;
    mesh->resolution = 0.0f;
    mesh->refCellSize = 0.25f * f->fillSpacing * std::sqrt(1.36f);
    parallel::SetMultithreading(true);
    constexpr int kRuns = 5;

    mesh->calcUVW = mesh->motionBlur = false;
    const FileTiming surface = Median(kRuns, [&] { BuildMesh(mesh, true); });
    mesh->calcUVW = mesh->motionBlur = true;
    const FileTiming textured = Median(kRuns, [&] { BuildMesh(mesh, true); });
    std::printf(
        "Mesh files, %d vertices, %d triangles (texture coordinates of 1 fluid, "
        "velocities)\n",
        mesh->numVertices, mesh->numFaces);
    std::printf("%-34s %10s %10s %10s\n", "", "ms", "cpu ms", "MB");
    std::printf("%-34s %10.1f %10.1f\n", "build: surface", surface.wall_ms, surface.cpu_ms);
    std::printf("%-34s %10.1f %10.1f\n", "build: surface, UVW and velocities", textured.wall_ms,
                textured.cpu_ms);

    const fs::path dir =
        fs::temp_directory_path() / ("undaline_bench_files_" + std::to_string(getpid()));
    fs::create_directories(dir);
    struct Format {
        const char* label;
        int kind;
        const char* file;
    };
    const Format formats[] = {{"LWO (LWOB)", kMeshLwo, "m.lwo"},
                              {"LWO2", kMeshLwo2, "m2.lwo"},
                              {"BIN", kMeshBin, "m.bin"},
                              {"OBJ", kMeshObj, "m.obj"},
                              {"texture data", kMeshTexture, "m.txi"}};
    double four_wall = 0, four_cpu = 0;
    for (const Format& fm : formats) {
        const std::string path = (dir / fm.file).string();
        const FileTiming t = Median(kRuns, [&] { WriteMeshFile(mesh, fm.kind, path); });
        const double mb = static_cast<double>(fs::file_size(path)) / (1 << 20);
        std::printf("%-34s %10.1f %10.1f %10.1f\n", fm.label, t.wall_ms, t.cpu_ms, mb);
        if (fm.kind != kMeshTexture) {
            four_wall += t.wall_ms;
            four_cpu += t.cpu_ms;
        }
    }
    std::printf("%-34s %10.1f %10.1f\n", "the four formats, one by one", four_wall, four_cpu);

    // A frame as the simulation writes it: LWO2 with its texture data, BIN and OBJ from one
    // pass over the arrays.
    platform::CopyText(mesh->outDir, sizeof mesh->outDir, dir.c_str());
    mesh->outLwo2 = mesh->outBin = mesh->outObj = 1;
    const FileTiming frame_files = Median(kRuns, [&] { WriteMeshFiles(mesh); });
    std::printf("%-34s %10.1f %10.1f\n", "a frame: LWO2 + texture, BIN, OBJ", frame_files.wall_ms,
                frame_files.cpu_ms);
    fs::remove_all(dir);

    const bool four_met = four_cpu < textured.cpu_ms;
    const bool frame_met = frame_files.cpu_ms < textured.cpu_ms;
    std::printf("Four formats against the build (processor time): %.2fx (< 1: %s)\n",
                four_cpu / textured.cpu_ms, four_met ? "met" : "NOT met");
    std::printf("A frame's files against the build (processor time): %.2fx (< 1: %s)\n",
                frame_files.cpu_ms / textured.cpu_ms, frame_met ? "met" : "NOT met");
    std::printf("%s\n",
                four_met && frame_met ? "All mesh file targets met." : "Some targets not met.");
    platform::SetMessageSink(nullptr);
    return 0;
}
