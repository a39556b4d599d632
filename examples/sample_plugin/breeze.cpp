// A daemon: a steady breeze blowing along the daemon's own z axis.
#include "sample.h"

namespace {

constexpr int kIdStrength = 2001;

class Breeze final : public Daemon {
public:
    Breeze() { CalculaDependientes(); }

    // The program calls this after every change of the transform. A linked daemon's matrix
    // comes from its object, so only a free one composes its own.
    void CalculaDependientes() override {
        if (!link) UpdateMatrix();
        direction = TransformaEje(matrix, Vector(0, 0, 1));
    }

    // Called when the panel shows this breeze: the base fills position and rotation.
    void SetParameterBlock() override {
        Daemon::SetParameterBlock();
        if (descriptor->window) PonFloat(descriptor->window, kIdStrength, strength);
    }

    // Once per step for each fluid the breeze is assigned to, while it is enabled. The push
    // is an acceleration (scene units per second squared), so it goes into every particle's
    // force, which the engine integrates after the daemons.
    void Affect(Fluido* fluid) override {
        const Vector push = direction * strength;
        for (Particula* p = fluid->First(); p; p = p->next) p->force = p->force + push;
    }

    // The node record first, then our own, in the same order on both sides.
    int Save() override { return Daemon::Save() && platform::WriteF32(strength); }
    int Load() override {
        if (!Daemon::Load() || !platform::ReadF32(&strength)) return 0;
        CalculaDependientes();
        return 1;
    }

    void Copy(Nodo* source) override {
        Daemon::Copy(source);
        if (auto* other = dynamic_cast<Breeze*>(source)) strength = other->strength;
        CalculaDependientes();
    }

    float strength = 1.0f;
    Vector direction;
};

// One window serves every breeze: it edits the selected one.
intptr_t BreezeProc(platform::Dialog* window, unsigned msg, uintptr_t wparam, intptr_t) {
    if (msg != platform::kMsgCommand) return 0;
    if (platform::CommandCode(wparam) != platform::kNotifyKillFocus) return 0;
    auto* breeze = dynamic_cast<Breeze*>(seldaemon);
    if (!breeze) return 0;
    int id = platform::CommandId(wparam);
    if (ProcesaControlesComunes(window, id, breeze)) return 1;
    if (id == kIdStrength) {
        DameFloat(window, id, &breeze->strength, 0.0f, kNoLimit);
        return 1;
    }
    return 0;
}

const platform::ControlTemplate kControls[] = {
    {kIdPosX, platform::ControlKind::Edit, "", 40, 4, 36, 12, 0},
    {kIdPosY, platform::ControlKind::Edit, "", 80, 4, 36, 12, 0},
    {kIdPosZ, platform::ControlKind::Edit, "", 120, 4, 36, 12, 0},
    {kIdRotX, platform::ControlKind::Edit, "", 40, 20, 36, 12, 0},
    {kIdRotY, platform::ControlKind::Edit, "", 80, 20, 36, 12, 0},
    {kIdRotZ, platform::ControlKind::Edit, "", 120, 20, 36, 12, 0},
    {kIdStrength, platform::ControlKind::Edit, "1.00", 40, 36, 36, 12, 0},
};
const platform::DialogTemplate kDialog = {"Breeze", 160, 52, kControls, 7};

class BreezeDescriptor final : public Descriptor {
public:
    BreezeDescriptor() {
        kind = kClassDaemon;
        class_id = kBreezeClassId;
        platform::CopyText(name, sizeof name, "Breeze");
        platform::CopyText(label, sizeof label, "Breeze");
        platform::CopyText(description, sizeof description,
                           "A steady wind along the daemon's z axis.");
        platform::CopyText(details, sizeof details, "sample plug-in");
        platform::CopyText(stamp, sizeof stamp, "example");
        version = 1.0f;
        dialog_id = kBreezeDialog;
        dialog_proc = BreezeProc;
    }
    Nodo* Create() override { return new Breeze; }
};

BreezeDescriptor g_breeze;

}  // namespace

Descriptor* BreezeClass() { return &g_breeze; }
const platform::DialogTemplate* BreezeDialog() { return &kDialog; }
