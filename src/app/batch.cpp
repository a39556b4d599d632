#include "app/batch.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>

#include <unistd.h>

#include "app/batch_capture.h"
#include "fluid/clock.h"
#include "fluid/driver.h"
#include "fluid/fluido.h"
#include "fluid/parallel.h"
#include "io/particle_files.h"
#include "io/workspace.h"
#include "mesh/mesh.h"
#include "mesh/mesh_files.h"
#include "output/frame_capture.h"
#include "platform/format.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "plugins/loader.h"
#include "scene/view_settings.h"

namespace {

namespace fs = std::filesystem;

std::atomic<bool> g_interrupted{false};
std::atomic<int> g_frame{0};
std::atomic<long> g_particles{0};
std::atomic<float> g_step{0.0f};
// Frames whose particle files could not all be written, and the first of them.
std::atomic<int> g_unwritten{0};
std::atomic<int> g_first_unwritten{-1};
// --frames beyond the workspace's frame limit: the limit is off during the run, but every
// file the run saves keeps it as the workspace had it.
std::atomic<bool> g_limit_suspended{false};

void OnInterrupt(int) { g_interrupted.store(true); }

long CountParticles() {
    long n = 0;
    for (Fluido* f = rootflow; f; f = f->next) n += f->count;
    return n;
}

// On the simulation thread at every frame end, for each fluid with output switched on; a
// frame counts once however many of its files failed.
int g_last_unwritten = -1;  // simulation thread only
void WriteParticles(Fluido* f) {
    if (WriteFrameParticleFiles(f) || g_last_unwritten == frame) return;
    if (g_first_unwritten.load() < 0) g_first_unwritten.store(frame);
    g_last_unwritten = frame;
    g_unwritten.fetch_add(1);
}

bool SaveKeepingTheLimit(const char* path) {
    const bool suspended = g_limit_suspended.load();
    if (suspended) sim_settings.max_frames_on = true;
    const bool saved = SaveWorkspace(path);
    if (suspended) sim_settings.max_frames_on = false;
    return saved;
}

// Called on the simulation thread at every frame end: the figures the progress line shows.
void FrameDone(int at) {
    g_frame.store(at);
    g_particles.store(CountParticles());
    g_step.store(inct);
}

// Warnings go to standard error (with --log, every log line); on a terminal the progress line
// is cleared first. With --quiet (and no --log) nothing of the log is shown; errors still are,
// as message boxes and the run's own failure lines.
class BatchSink : public platform::MessageSink {
public:
    BatchSink(bool terminal, bool warnings, bool everything)
        : terminal_(terminal), warnings_(warnings), everything_(everything) {}
    // A red status line and the simulation's warnings are what the next log line reports.
    void OnStatus(const std::string&, int colour) override {
        warning_.store(colour == platform::kStatusRed);
    }
    void OnShowLog() override { warning_.store(true); }
    void OnLogLine(const std::string& line) override {
        if (!(warning_.exchange(false) && warnings_) && !everything_) return;
        std::string shown = line;
        if (shown.size() >= 2 && shown.compare(shown.size() - 2, 2, "\r\n") == 0) {
            shown.erase(shown.size() - 2, 1);
        }
        std::fprintf(stderr, "%s%s", terminal_ ? "\r\033[K" : "", shown.c_str());
    }

private:
    bool terminal_;
    bool warnings_;
    bool everything_;
    std::atomic<bool> warning_{false};
};

std::string Duration(double seconds) {
    if (seconds < 10.0) return platform::Format("%.1fs", seconds);
    long s = static_cast<long>(seconds + 0.5);
    if (s >= 3600) return platform::Format("%ldh%02ldm", s / 3600, s / 60 % 60);
    if (s >= 60) return platform::Format("%ldm%02lds", s / 60, s % 60);
    return platform::Format("%lds", s);
}

void Progress(bool terminal, int first, int last, double elapsed) {
    const int at = g_frame.load();
    const int done = at - first, total = last - first;
    std::string eta = done > 0 ? Duration(elapsed / done * (total - done)) : "?";
    if (terminal) {
        const int width = 24;
        int filled = total > 0 ? done * width / total : width;
        std::string bar(static_cast<size_t>(filled), '#');
        bar.resize(width, '.');
        std::fprintf(stderr, "\r\033[Kframe %d/%d [%s] particles %ld step %.6f elapsed %s eta %s",
                     at, last, bar.c_str(), g_particles.load(),
                     static_cast<double>(g_step.load()), Duration(elapsed).c_str(), eta.c_str());
    } else {
        std::fprintf(stderr, "frame %d/%d particles %ld step %.6f elapsed %s eta %s\n", at, last,
                     g_particles.load(), static_cast<double>(g_step.load()),
                     Duration(elapsed).c_str(), eta.c_str());
    }
    std::fflush(stderr);
}

int Fail(const std::string& text) {
    std::fprintf(stderr, "undaline: %s\n", text.c_str());
    return 1;
}

}  // namespace

int RunBatch(const BatchOptions& o) {
    // Refuse an unusable workspace or save target before anything is loaded or written.
    std::error_code ec;
    if (!fs::is_regular_file(o.workspace, ec)) {
        return Fail("cannot read workspace '" + o.workspace + "': no such file");
    }
    if (access(o.workspace.c_str(), R_OK) != 0) {
        return Fail("cannot read workspace '" + o.workspace + "': " + std::strerror(errno));
    }
    if (!o.save.empty()) {
        const fs::path parent = fs::path(o.save).parent_path();
        const std::string where = parent.empty() ? std::string(".") : parent.string();
        if (!fs::is_directory(where, ec) || access(where.c_str(), W_OK) != 0) {
            return Fail("cannot save to '" + o.save + "': '" + where +
                        "' is no directory this program can write to");
        }
    }

    const bool terminal = !o.quiet && isatty(STDERR_FILENO);
    BatchSink sink(terminal, !o.quiet, o.log);
    platform::SetMessageSink(&sink);

    SetPluginsDirectory(o.plugins.empty() ? ResolvePluginsDirectory(platform::JoinPath(platform::AppDir(), "plugins"))
                                          : o.plugins);
    ScanPlugins();
    if (o.threads > 0) parallel::SetThreadCount(o.threads);

    if (!LoadWorkspace(o.workspace.c_str())) {
        platform::SetMessageSink(nullptr);
        return Fail("'" + o.workspace + "' was refused; nothing was run or written");
    }
    for (Fluido* f = rootflow; f; f = f->next) {
        if (!o.out.empty() && f->outDir[0] == '\0') {
            platform::CopyText(f->outDir, sizeof f->outDir, o.out.c_str());
        }
        if (f->outBin || f->outAscii || f->outLwo) fs::create_directories(ParticleOutputDir(f), ec);
    }
    for (Mesh* m = rootmesh; m; m = m->nextMesh) {
        if (!o.out.empty() && m->outDir[0] == '\0') {
            platform::CopyText(m->outDir, sizeof m->outDir, o.out.c_str());
        }
    }

    // The images go where the other files go when the workspace names no folder for them.
    bool images = sim_settings.image_output && !o.no_images;
    if (images) {
        if (!o.out.empty() && image_output.directory[0] == '\0') {
            platform::CopyText(image_output.directory, sizeof image_output.directory, o.out.c_str());
        }
        output::SetDefaultMovieQuality(o.movie_quality);
        std::string why;
        if (!batch_capture::Start(o.image_width, o.image_height, &why)) {
            std::fprintf(stderr, "undaline: the frames are not captured: %s\n", why.c_str());
            images = false;
        }
    }
    SimulationHooks().write_particles = WriteParticles;
    SimulationHooks().frame_done = FrameDone;
    // Backups are written by the simulation thread itself, between two steps.
    SimulationHooks().autosave = [](const char* path) {
        if (path && *path) {
            SaveKeepingTheLimit(path);
        } else {
            RedWarning(" Autosave is on but no backup file is set");
        }
    };
    const int first = frame;
    const int frames = o.frames > 0 ? o.frames
                                    : (sim_settings.max_frames_on ? sim_settings.max_frames : 100);
    // The frame number stays far below the int range (the workspace reader sees to it).
    const int last = frames > INT_MAX - first ? INT_MAX : first + frames;
    // Asked for frames beyond the workspace's limit: the option wins.
    g_limit_suspended.store(o.frames > 0 && sim_settings.max_frames_on &&
                            last > sim_settings.max_frames);
    if (g_limit_suspended.load()) sim_settings.max_frames_on = false;
    g_frame.store(first);
    g_particles.store(CountParticles());
    g_unwritten.store(0);
    g_first_unwritten.store(-1);
    g_last_unwritten = -1;

    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    const auto start = std::chrono::steady_clock::now();
    auto elapsed = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    sim::StopAtFrame(last);
    // Without a simulation thread nothing runs; the message has been shown.
    const bool started = sim::Start(true);
    int shown = -1;
    bool stopping = false;
    while (sim::Running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (g_interrupted.load() && !stopping) {
            stopping = true;
            if (terminal) std::fputs("\n", stderr);
            std::fputs("undaline: interrupted; stopping after the current step\n", stderr);
            sim::RequestStop();
        }
        if (!o.quiet && g_frame.load() != shown) {
            shown = g_frame.load();
            Progress(terminal, first, last, elapsed());
        }
    }
    sim::WaitUntilStopped();
    if (!o.quiet && g_frame.load() != shown) Progress(terminal, first, last, elapsed());
    if (terminal) std::fputs("\n", stderr);
    sim::StopAtFrame(-1);
    // An open movie gets its index and its name.
    if (images) batch_capture::Stop();
    SimulationHooks().frame_done = nullptr;
    SimulationHooks().autosave = nullptr;
    SimulationHooks().write_particles = nullptr;
    if (g_limit_suspended.exchange(false)) sim_settings.max_frames_on = true;

    int status = !started ? 1 : g_interrupted.load() ? 130 : 0;
    const bool saved = o.save.empty() || SaveWorkspace(o.save.c_str());
    if (!o.quiet) {
        std::fprintf(stderr, "%s %d frame%s (%d to %d), %ld particles, %s.\n",
                     g_interrupted.load() ? "Interrupted after" : "Simulated", frame - first,
                     frame - first == 1 ? "" : "s", first, frame, CountParticles(),
                     Duration(elapsed()).c_str());
        for (Fluido* f = rootflow; f; f = f->next) {
            if (f->outBin || f->outAscii || f->outLwo) {
                std::fprintf(stderr, "  %s: files in %s\n", f->prefix, ParticleOutputDir(f).c_str());
            }
        }
        for (Mesh* m = rootmesh; m; m = m->nextMesh) {
            if (!m->generationOn || !m->HasOutput()) continue;
            std::string formats;
            for (const auto& [on, name] : {std::pair{m->outLwo && !m->outLwo2, "LWO"},
                                           std::pair{m->outLwo2 != 0, "LWO2"},
                                           std::pair{m->outBin != 0, "BIN"},
                                           std::pair{m->outObj != 0, "OBJ"}}) {
                if (on) formats += std::string(formats.empty() ? "" : ", ") + name;
            }
            std::fprintf(stderr, "  %s: mesh files (%s) in %s\n", m->name, formats.c_str(),
                         MeshOutputDir(m).c_str());
        }
        if (images) {
            std::fprintf(stderr, "  images: %s\n",
                         image_output.file_type == kImageAvi ? output::MovieFileName().c_str()
                                                             : output::FrameFileName(first).c_str());
        }
        if (!o.save.empty() && saved) std::fprintf(stderr, "  scene saved to %s\n", o.save.c_str());
    }
    if (started && !g_interrupted.load() && frame < last) {
        Fail(platform::Format("stopped at frame %d, before frame %d: the workspace's frame limit "
                              "is %d (use --frames to go beyond it)",
                              frame, last, sim_settings.max_frames));
    }
    if (const int unwritten = g_unwritten.load()) {
        status = Fail(platform::Format("the particle files of %d frame%s could not be written "
                                       "(the first at frame %d)",
                                       unwritten, unwritten == 1 ? "" : "s",
                                       g_first_unwritten.load()));
    }
    if (!saved) status = Fail("the scene could not be saved to '" + o.save + "'");
    platform::SetMessageSink(nullptr);
    return status;
}
