// An emitter: particles are born on a ring around the emitter, at a steady rate, for a
// limited time.
#include <algorithm>
#include <cmath>

#include "sample.h"

namespace {

constexpr int kIdRate = 2101;
constexpr int kIdRadius = 2102;

class Ring final : public Creador {
public:
    // Capability bits are set here, once; this emitter needs none of them.
    Ring() { flags = 0; }
    // The window must not go on editing a ring that is gone.
    ~Ring() override {
        platform::Dialog* w = descriptor ? descriptor->window : nullptr;
        if (w && w->UserData() == reinterpret_cast<intptr_t>(this)) w->SetUserData(0);
    }

    // Once, after the program attached the emitter to its new fluid and named it.
    void PostCreation() override { UpdateMatrix(); }

    void CalculaDependientes() override {
        if (!link) UpdateMatrix();
    }

    // Whenever the panel shows this ring: fill the window and make it edit this ring.
    void SetParameterBlock() override {
        Creador::SetParameterBlock();
        platform::Dialog* w = descriptor->window;
        if (!w) return;
        w->SetUserData(reinterpret_cast<intptr_t>(this));
        PonFloat(w, kIdRate, rate);
        PonFloat(w, kIdRadius, radius);
    }

    // Where particle k of n of one emission is born: evenly around the ring, in the
    // emitter's own xz plane.
    Vector BirthPlace(int k, int n) const {
        float a = 6.2831853f * static_cast<float>(k) / static_cast<float>(n);
        return matrix * Vector(radius * std::cos(a), 0, radius * std::sin(a));
    }

    // Once per step: one particle is due every 1 / rate seconds of the fluid's emitTime (the
    // time since the last reset), up to the end time. Those not yet born are created at
    // BirthPlace, twelve around the ring, rising along the emitter's up axis.
    void Crea() override {
        if (!fluid) return;
        if (fluid->emitTime < last_time) born = 0;  // reset since the last step
        last_time = fluid->emitTime;
        const float until = std::min(fluid->emitTime, DameTiempoMaximo());
        const int due = rate > 0.0f ? static_cast<int>(until * rate) + 1 : 0;
        const Vector up = TransformaEje(matrix, Vector(0, 1, 0));
        for (; born < due; ++born) fluid->CreaParticula(BirthPlace(born, 12), up);
    }
    void NotifyReset() override { born = 0; }

    Vector DameCentro() override { return matrix.GetTranslation(); }
    // The ring stops after ten seconds; the engine shortens the step that crosses it.
    float DameTiempoMaximo() override { return 10.0f; }

    int Save() override {
        return Creador::Save() && platform::WriteF32(rate) && platform::WriteF32(radius);
    }
    int Load() override {
        return Creador::Load() && platform::ReadF32(&rate) && platform::ReadF32(&radius);
    }

    float rate = 100.0f;  // particles per second
    float radius = 0.5f;  // scene units
    int born = 0;         // particles created since the last reset
    float last_time = 0.0f;
};

// One window serves every ring: it edits the one whose SetParameterBlock ran last.
intptr_t RingProc(platform::Dialog* window, unsigned msg, uintptr_t wparam, intptr_t) {
    if (msg != platform::kMsgCommand) return 0;
    if (platform::CommandCode(wparam) != platform::kNotifyKillFocus) return 0;
    auto* ring = reinterpret_cast<Ring*>(window->UserData());
    if (!ring) return 0;
    int id = platform::CommandId(wparam);
    if (ProcesaControlesComunes(window, id, ring)) return 1;
    if (id == kIdRate) return DameFloat(window, id, &ring->rate, 0.0f, kNoLimit);
    if (id == kIdRadius) return DameFloat(window, id, &ring->radius, 0.0f, kNoLimit);
    return 0;
}

const platform::ControlTemplate kControls[] = {
    {kIdPosX, platform::ControlKind::Edit, "", 40, 4, 36, 12, 0},
    {kIdPosY, platform::ControlKind::Edit, "", 80, 4, 36, 12, 0},
    {kIdPosZ, platform::ControlKind::Edit, "", 120, 4, 36, 12, 0},
    {kIdRotX, platform::ControlKind::Edit, "", 40, 20, 36, 12, 0},
    {kIdRotY, platform::ControlKind::Edit, "", 80, 20, 36, 12, 0},
    {kIdRotZ, platform::ControlKind::Edit, "", 120, 20, 36, 12, 0},
    {kIdRate, platform::ControlKind::Edit, "100.00", 40, 36, 36, 12, 0},
    {kIdRadius, platform::ControlKind::Edit, "0.50", 80, 36, 36, 12, 0},
};
const platform::DialogTemplate kDialog = {"Ring", 160, 52, kControls, 8};

class RingDescriptor final : public Descriptor {
public:
    RingDescriptor() {
        kind = kClassEmitter;
        class_id = kRingClassId;
        layout = kLayoutBelowFluidWindow;
        platform::CopyText(name, sizeof name, "Ring");
        platform::CopyText(label, sizeof label, "Ring");
        platform::CopyText(description, sizeof description,
                           "Particles born on a ring, at a steady rate.");
        platform::CopyText(details, sizeof details, "sample plug-in");
        platform::CopyText(stamp, sizeof stamp, "example");
        version = 1.0f;
        dialog_id = kRingDialog;
        dialog_proc = RingProc;
    }
    Nodo* Create() override { return new Ring; }
};

RingDescriptor g_ring;

}  // namespace

Descriptor* RingClass() { return &g_ring; }
const platform::DialogTemplate* RingDialog() { return &kDialog; }
