#include "fluid/driver.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "fluid/clock.h"
#include "fluid/draw_buffers.h"
#include "fluid/engine_hooks.h"
#include "fluid/fluid_passes.h"
#include "fluid/fluido.h"
#include "platform/clock.h"
#include "platform/format.h"
#include "platform/message_box.h"
#include "platform/messages.h"
#include "platform/threads.h"
#include "scene/creador.h"
#include "scene/daemon.h"
#include "scene/fields.h"
#include "scene/simulation_state.h"

SimulationSettings sim_settings;
float frame_time = 0.0f;
double cpu_hours = 0.0;
std::atomic<unsigned char> SimulationState{0};

namespace {

bool g_end_of_frame = false;
bool g_full_mode = false;
double g_speed_mark = 0.0;
std::atomic<int> g_stop_at_frame{-1};

StepHooks g_hooks{};

void StatusText(const char* text) {
    if (g_hooks.status_text) g_hooks.status_text(text);
}

// The simulation thread: created on the first start after a reset, suspended between runs,
// ended (cooperatively, never killed) by a reset.
class SimThread {
public:
    ~SimThread() { End(); }

    // False when the thread did not exist and could not be created.
    bool Resume() {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!thread_.joinable()) {
            quit_ = false;
            if (!platform::StartThread(&thread_, [this] { Loop(); })) return false;
        }
        running_ = true;
        resume_ = true;
        wake_.notify_all();
        return true;
    }

    void WaitIdle() {
        if (thread_.joinable() && std::this_thread::get_id() == thread_.get_id()) return;
        std::unique_lock<std::mutex> lock(mutex_);
        idle_.wait(lock, [&] { return !running_; });
    }

    void End() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!thread_.joinable()) return;
        }
        WaitIdle();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            quit_ = true;
            wake_.notify_all();
        }
        thread_.join();
        thread_ = std::thread();
    }

    bool Running() {
        std::lock_guard<std::mutex> lock(mutex_);
        return running_;
    }

private:
    void Loop() {
        for (;;) {
            {
                std::unique_lock<std::mutex> lock(mutex_);
                wake_.wait(lock, [&] { return quit_ || resume_; });
                if (quit_) return;
                resume_ = false;
            }
            while (SimulationState != kSimStopRequested) sim::Step();
            Suspended();
        }
    }

    void Suspended() {
        SimulationState = 0;
        g_full_mode = false;
        SetSimulationRunning(false);
        StatusText("Process stopped");
        platform::LogLine(" Process stopped");
        if (g_hooks.stopped) g_hooks.stopped();
        std::lock_guard<std::mutex> lock(mutex_);
        running_ = false;
        idle_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::thread thread_;
    bool resume_ = false;
    bool running_ = false;
    bool quit_ = false;
};

SimThread& Thread() {
    static SimThread thread;
    return thread;
}

bool EmitterFlag(const Fluido* f, int flag) { return f->emitter && (f->emitter->flags & flag); }

// Smallest next emission time among the fluids still below their particle limit.
float LimitByEmitters(float step) {
    for (Fluido* f = rootflow; f; f = f->next) {
        if (!f->emitter || f->count >= f->maxParticles) continue;
        float v = f->emitter->DameTiempoMaximo();
        if (v != 0.0f && v < step) step = v;
    }
    return step;
}

bool g_thread_made_before = false;

void FirstPass(Fluido* f) {
    f->active = 1;
    if (f->type == kFluidDumb && f->numObjects == 0) {
        f->active = g_hooks.fluid_used_by_mesh && g_hooks.fluid_used_by_mesh(f);
    }
    if (EmitterFlag(f, kEmitterAsksVoxels)) f->active = f->emitter->AreVoxelsNeeded();
    f->DestruyeParticulas();
    f->CalculaAche();
    if (f->emitter) {
        f->emitter->UpdateLink();
        if (f->emitter->link) f->emitter->CalculaDependientes();
    }
    if (f->viscosity.animated && f->viscosity.envelope) f->viscosity.UpdateValue(tuniversal);
    if (f->pressureK.animated && f->pressureK.envelope) f->pressureK.UpdateValue(tuniversal);
    if (f->emitter) f->emitter->Crea();
    f->CalculaCaja();
    f->CreaRejilla();
    f->LlenaRejilla();
    fluid_passes::SearchNeighbours(f);
    if (f->type == kFluidElastic) f->springsBuilt = 1;
    f->CalculaDensidades();
    f->DifundeTemperatura();
    f->CalculaPresiones();
}

// Forces and springs, then the head of the collision pass: no particle may cross more than a
// fraction of h in one step, nor shorten a spring by more than a few per cent.
void ForcePass(Fluido* f) {
    f->PropagaContacto();
    fluid_passes::ComputeForces(f);
    f->CalculaMuelles();
    if (EmitterFlag(f, kEmitterNoCollisions)) return;
    const float k = f->type == kFluidDumb ? 1.0f : 0.1f;
    const float speed = f->speedMax + 1.0f;
    if (speed * inct > k * f->h) inct = k * f->h / speed;
    if (f->type == kFluidElastic) {
        const float t = f->minSpringLength * 0.03f;
        if (inct * f->speedMax > t) inct = t / f->speedMax;
    }
    inct *= sim_settings.time_step_factor;
}

// Daemons, the emitter's Affect and the objects' collisions. The step is settled before they
// run, so whatever they integrate over time uses the step actually taken; only a collision
// may still shorten it.
void ActorPass(Fluido* f) {
    if (f->First()) {
        if (!EmitterFlag(f, kEmitterKeepsExtraVel)) {
            for (Particula* p = f->First(); p; p = p->next) p->extraVel = Vector(0, 0, 0);
        }
        for (int i = 0; i < f->numDaemons; ++i) {
            Daemon* d = f->daemons[i];
            if (d && d->enabled) d->Affect(f);
        }
    }
    if (f->emitter) f->emitter->Affect();
    if (!EmitterFlag(f, kEmitterNoCollisions) && g_hooks.collide) g_hooks.collide(f);
}

bool EndsFrame(float time_in_frame, float tpf) {
    return time_in_frame - tpf >= 0.0f || std::fabs(time_in_frame - tpf) < 1e-8f;
}

void ShowStatus() {
    if (!g_hooks.status) return;
    const float tpf = TimePerFrame();
    std::string time = platform::Format("Time: %.2f (%.2f)", static_cast<double>(tuniversal),
                                        static_cast<double>(tbuzz));
    std::string step = platform::Format("Step: %f", static_cast<double>(inct));
    int hours = static_cast<int>(cpu_hours);
    int minutes = static_cast<int>((cpu_hours - hours) * 60.0);
    std::string cpu = platform::Format("CPU: %d h %d m", hours, minutes);
    int progress = tpf > 0 ? static_cast<int>(frame_time * 100.0f / tpf) : 0;
    g_hooks.status(time.c_str(), step.c_str(), cpu.c_str(), progress, frame);
}

void FrameEnded() {
    g_end_of_frame = false;
    frame += 1;
    frame_time = 0.0f;
    sim::ParticleOutputRequests();
    if (g_full_mode && g_hooks.advance_scene) g_hooks.advance_scene();
    if (sim_settings.autosave_on && sim_settings.autosave_interval > 0 &&
        frame % sim_settings.autosave_interval == 0 && g_hooks.autosave) {
        g_hooks.autosave(sim_settings.backup_file);
    }
    if (g_hooks.frame_done) g_hooks.frame_done(frame);
    if (sim_settings.max_frames_on && frame > sim_settings.max_frames) {
        sim::RequestStop();
        platform::MessageBox("Maximum number of frames calculated\nProcess stopped");
    }
    int stop_at = g_stop_at_frame.load();
    if (stop_at >= 0 && frame >= stop_at) SimulationState = kSimStopRequested;
    if (sim_settings.limit_speed) {
        if (g_speed_mark != 0.0) {
            double rest = TimePerFrame() - (cpu_hours - g_speed_mark) * 3600.0;
            if (rest > 0) std::this_thread::sleep_for(std::chrono::duration<double>(rest));
        }
        g_speed_mark = cpu_hours;
    }
}

}  // namespace

StepHooks& SimulationHooks() { return g_hooks; }

float TimePerFrame() { return 1.0f / static_cast<float>(FramesPerSecond()); }

void SetSimulationFps(int fps) {
    SetFramesPerSecond(fps);
    sim_settings.largest_step = TimePerFrame();
}

namespace sim {

void Step() {
    const long long t0 = platform::Milliseconds();
    // Particles removed during the last step are freed only now, after every list that
    // could name them is gone.
    SweepRemovedParticles();

    float base = LimitByEmitters(sim_settings.largest_step);
    if (tbuzz == 0.0f && base > 0.001f) base = 0.001f;
    if (g_full_mode) {
        if (g_hooks.move_objects) g_hooks.move_objects();
        if (tuniversal == 0.0f) ParticleOutputRequests();
    }
    for (Nodo* n = root.next; n; n = n->next) n->UpdateLink();
    for (Fluido* f = rootflow; f; f = f->next) FirstPass(f);
    inct = base;
    for (Fluido* f = rootflow; f; f = f->next) ForcePass(f);

    // Steps end exactly on emission times and frame ends.
    for (Fluido* f = rootflow; f; f = f->next) {
        if (!f->emitter || f->count >= f->maxParticles) continue;
        float v = f->emitter->DameTiempoMaximo();
        if (v != 0.0f && inct + f->emitTime > v) inct = v - f->emitTime;
    }
    if (inct < sim_settings.smallest_step) inct = sim_settings.smallest_step;
    const float tpf = TimePerFrame();
    const bool frame_ends = g_full_mode && EndsFrame(frame_time + inct, tpf);
    if (frame_ends) inct = tpf - frame_time;
    const float settled = inct;
    for (Fluido* f = rootflow; f; f = f->next) ActorPass(f);
    if (inct < settled && inct < sim_settings.smallest_step) inct = sim_settings.smallest_step;
    if (g_full_mode) frame_time += inct;
    if (frame_ends && inct == settled) {
        g_end_of_frame = true;
        frame_time = tpf;
    } else if (EndsFrame(frame_time, tpf)) {
        g_end_of_frame = true;
        inct = tpf - (frame_time - inct);
        frame_time = tpf;
    }
    for (Fluido* f = rootflow; f; f = f->next) f->MueveParticulas();
    cpu_hours += static_cast<double>(platform::Milliseconds() - t0) * 2.7777777777777776e-07;
    if (g_end_of_frame && g_hooks.build_meshes) g_hooks.build_meshes();
    for (Fluido* f = rootflow; f; f = f->next) f->LiberaPorPaso();
    if (g_full_mode) tuniversal += inct;
    tbuzz += inct;
    for (Fluido* f = rootflow; f; f = f->next) f->emitTime += inct;
    ShowStatus();
    draw_buffers::Publish();
    if (g_hooks.redraw) g_hooks.redraw(g_end_of_frame);
    if (g_end_of_frame) FrameEnded();
}

void ParticleOutputRequests() {
    if (sim_settings.image_output && g_hooks.capture_image) g_hooks.capture_image();
    if (!g_hooks.write_particles) return;
    for (Fluido* f = rootflow; f; f = f->next) {
        if (f->outLwo || f->outBin || f->outAscii) g_hooks.write_particles(f);
    }
}

bool Start(bool full) {
    if (Thread().Running()) return true;
    g_full_mode = full;
    SimulationState = kSimRunning;
    SetSimulationRunning(true);
    StatusText("Simulation in progress...");
    platform::LogLine(" Simulation started");
    if (!full && g_hooks.objects_stand_still) g_hooks.objects_stand_still();
    const bool first = !g_thread_made_before;
    if (Thread().Resume()) {
        g_thread_made_before = true;
        return true;
    }
    // Without its thread nothing runs: the start is undone, and the program goes on.
    SimulationState = 0;
    g_full_mode = false;
    SetSimulationRunning(false);
    StatusText("Process stopped");
    platform::MessageBox(first ? "Error code: 02 (thread-0)" : "Thread creation fail");
    return false;
}

void RequestStop() {
    if (!Thread().Running()) return;
    SimulationState = kSimStopRequested;
    StatusText("Stopping process...please wait");
    BlueWarning(" Stopping process...please wait");
}

void WaitUntilStopped() { Thread().WaitIdle(); }
bool Running() { return Thread().Running(); }
bool FullMode() { return g_full_mode; }
void SetFullMode(bool full) {
    if (!Thread().Running()) g_full_mode = full;
}
void StopAtFrame(int at) { g_stop_at_frame.store(at); }

void Reset() {
    RequestStop();
    Thread().End();
    tbuzz = 0.0f;
    tuniversal = 0.0f;
    frame_time = 0.0f;
    frame = 0;
    cpu_hours = 0.0;
    g_end_of_frame = false;
    g_speed_mark = 0.0;
    if (g_hooks.reset_objects) g_hooks.reset_objects();
    RefreshAllDaemons();
    for (Fluido* f = rootflow; f; f = f->next) {
        Creador* e = f->emitter;
        if (e) e->AboutReset();
        f->Regenera();
        f->emitTime = 0.0f;
        if (e) {
            e->NotifyReset();
            e->UpdateLink();
            if (e->link) e->CalculaDependientes();
        }
    }
    for (Nodo* n = root.next; n; n = n->next) n->NotifyReset();
    engine_hooks::SimulationReset();
    if (g_hooks.status) g_hooks.status("", "", "", 0, 0);
}

}  // namespace sim

namespace sim {

void ClearSimulation() {
    RequestStop();
    Thread().End();
    engine_hooks::SceneClearing();
    DeleteAllFluids();
    tbuzz = tuniversal = inct = frame_time = 0.0f;
    frame = 0;
    cpu_hours = 0.0;
    g_end_of_frame = false;
    g_full_mode = false;
    g_speed_mark = 0.0;
    g_stop_at_frame.store(-1);
    SimulationState = 0;
    sim_settings = SimulationSettings{};
}

namespace {

const platform::ControlTemplate kAdvancedControls[] = {
    {0, platform::ControlKind::Static, "Smallest Integration step", 8, 8, 110, 10, 0},
    {kIdSmallestStep, platform::ControlKind::Edit, "", 124, 6, 60, 12, platform::kStyleNoDrag},
    {0, platform::ControlKind::Static, "Largest Integration step", 8, 24, 110, 10, 0},
    {kIdLargestStep, platform::ControlKind::Edit, "", 124, 22, 60, 12, platform::kStyleNoDrag},
    {0, platform::ControlKind::Static, "Time Step Factor", 8, 40, 110, 10, 0},
    {kIdStepFactor, platform::ControlKind::Edit, "", 124, 38, 60, 12, 0},
    {kIdAdvancedReset, platform::ControlKind::PushButton, "Reset", 124, 58, 60, 14, 0},
};
const platform::DialogTemplate kAdvancedTemplate = {
    "Time step and other advanced simulation parameters", 192, 80, kAdvancedControls,
    static_cast<int>(sizeof kAdvancedControls / sizeof kAdvancedControls[0])};

void ShowAdvanced(platform::Dialog* d) {
    d->SetText(kIdSmallestStep,
               platform::Format("%0.6f", static_cast<double>(sim_settings.smallest_step)));
    d->SetText(kIdLargestStep,
               platform::Format("%0.6f", static_cast<double>(sim_settings.largest_step)));
    PonFloat(d, kIdStepFactor, sim_settings.time_step_factor);
}

}  // namespace

const platform::DialogTemplate* AdvancedControlsTemplate() { return &kAdvancedTemplate; }

intptr_t AdvancedControlsProc(platform::Dialog* d, unsigned msg, uintptr_t wparam, intptr_t) {
    if (msg == platform::kMsgInitDialog) {
        ShowAdvanced(d);
        return 1;
    }
    if (msg != platform::kMsgCommand) return 0;
    const int id = platform::CommandId(wparam);
    const int code = platform::CommandCode(wparam);
    if (id == kIdAdvancedReset && code == platform::kNotifyClicked) {
        sim_settings.smallest_step = 0.00001f;
        sim_settings.largest_step = TimePerFrame();
        sim_settings.time_step_factor = 1.0f;
        ShowAdvanced(d);
        return 1;
    }
    if (code != platform::kNotifyKillFocus) return 0;
    switch (id) {
        case kIdSmallestStep: {
            float v = sim_settings.smallest_step;
            DameFloat(d, id, &v, 0.0f, kNoLimit);
            if (v > TimePerFrame()) {
                platform::MessageBox("Cannot set a value greater than time per frame");
                ShowAdvanced(d);
            } else {
                sim_settings.smallest_step = v;
            }
            return 1;
        }
        case kIdLargestStep:
            DameFloat(d, id, &sim_settings.largest_step, 0.0f, kNoLimit);
            return 1;
        case kIdStepFactor:
            DameFloat(d, id, &sim_settings.time_step_factor, 0.0f, kNoLimit);
            return 1;
        default:
            return 0;
    }
}

}  // namespace sim
