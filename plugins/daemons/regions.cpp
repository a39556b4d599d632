// Daemons that change the state of the particles in a region. The boxes are the daemon's
// unit cube placed by its transform: centred on its position, turned with it, and as large
// as its scale along each axis.
#include <array>
#include <cmath>

#include "daemons.h"
#include "node_frame.h"
#include "shipped_ids.h"

namespace shipped {
namespace {

// Kill volume: particles inside the box (or, with "Kill outside", outside it) are marked for
// removal; the engine removes them at the start of the next step.
enum KillParam { kKillOutside };
constexpr std::array<ParamSpec, 1> kKillSpecs = {{
    {kIdOutside, "Kill outside the box", 0.0f, 0.0f, 1.0f, FieldKind::Check},
}};
const ParamTable kKillTable{kKillSpecs.data(), 1};

class KillVolume final : public ShippedDaemon {
public:
    KillVolume() : ShippedDaemon(kKillTable) {}

    // The box, crossed on its top.
    void RepresentaNodo() override {
        gl::Begin(*this, kKillColour);
        gl::Box(Vector(-0.5f, -0.5f, -0.5f), Vector(0.5f, 0.5f, 0.5f));
        gl::Line(Vector(-0.5f, 0.5f, -0.5f), Vector(0.5f, 0.5f, 0.5f));
        gl::Line(Vector(-0.5f, 0.5f, 0.5f), Vector(0.5f, 0.5f, -0.5f));
        gl::End();
    }

    void Affect(Fluido* f) override {
        if (!f) return;
        const NodeFrame box = NodeFrame::Of(*this);
        const bool outside = P(kKillOutside) != 0.0f;
        for (Particula* p = f->First(); p; p = p->next) {
            if (box.InBox(p->pos) != outside) p->deleteMark = 1;
        }
    }
};

// Freeze volume: particles that enter the box stop where they are (a positive frozen mark,
// which the viewport draws white while the daemon is selected). With "Melts", particles
// warmer than the melting point are not frozen, and particles this daemon froze thaw as soon
// as they warm above it, wherever they are; marks made by anything else are left alone.
enum FreezeParam { kFreezeMelts, kFreezeMeltingPoint };
constexpr std::array<ParamSpec, 2> kFreezeSpecs = {{
    {kIdMelts, "Melts when warm", 0.0f, 0.0f, 1.0f, FieldKind::Check},
    {kIdMeltingPoint, "Melting point", 120.0f, 0.0f, 0.0f, FieldKind::Number},
}};
const ParamTable kFreezeTable{kFreezeSpecs.data(), 2};

class FreezeVolume final : public ShippedDaemon {
public:
    FreezeVolume() : ShippedDaemon(kFreezeTable) {}

    // The box, with a star of ice on its top.
    void RepresentaNodo() override {
        gl::Begin(*this, kFreezeColour);
        gl::Box(Vector(-0.5f, -0.5f, -0.5f), Vector(0.5f, 0.5f, 0.5f));
        for (int i = 0; i < 3; ++i) {
            const float a = static_cast<float>(i) * 3.14159265f / 3.0f;
            const Vector d(0.3f * std::cos(a), 0, 0.3f * std::sin(a));
            gl::Line(Vector(0, 0.5f, 0) - d, Vector(0, 0.5f, 0) + d);
        }
        gl::End();
    }

    void Affect(Fluido* f) override {
        if (!f) return;
        const NodeFrame box = NodeFrame::Of(*this);
        const bool melts = P(kFreezeMelts) != 0.0f;
        const float melting = P(kFreezeMeltingPoint);
        for (Particula* p = f->First(); p; p = p->next) {
            const bool warm = melts && p->temperature > melting;
            if (p->frozen == kFrozenByVolume) {
                if (warm) p->frozen = 0;
                continue;
            }
            if (p->frozen != 0 || warm || !box.InBox(p->pos)) continue;
            p->frozen = kFrozenByVolume;
            p->vel = Vector(0, 0, 0);
            p->extraVel = Vector(0, 0, 0);
        }
    }
};

// Heater: within Radius of the daemon (0: the whole fluid) particles approach Temperature at
// Rate (1/s), as a body exchanges heat with its surroundings; a target below the particles'
// temperature cools them. Warmer gas expands through its equation of state.
enum HeaterParam { kHeatTemperature, kHeatRate, kHeatRadius };
constexpr std::array<ParamSpec, 3> kHeaterSpecs = {{
    {kIdTemperature, "Temperature", 200.0f, 0.0f, kNoLimit, FieldKind::Number},
    {kIdRate, "Rate (1/s)", 1.0f, 0.0f, kNoLimit, FieldKind::Number},
    {kIdRadius, "Radius (0 all)", 0.5f, 0.0f, kNoLimit, FieldKind::Number},
}};
const ParamTable kHeaterTable{kHeaterSpecs.data(), 3};

class Heater final : public ShippedDaemon {
public:
    Heater() : ShippedDaemon(kHeaterTable) {}

    // The sphere it warms (a small one when it warms everything) and rising waves.
    void RepresentaNodo() override {
        gl::Begin(*this, kHeatColour);
        const float r = P(kHeatRadius) > 0.0f ? P(kHeatRadius) : 0.15f;
        for (int axis = 0; axis < 3; ++axis) gl::Circle(r, axis);
        for (float x : {-0.08f, 0.0f, 0.08f}) {
            Vector last(x, r, 0);
            for (int i = 1; i <= 8; ++i) {
                const Vector p(x + 0.03f * std::sin(static_cast<float>(i) * 1.6f), r + 0.04f * i, 0);
                gl::Line(last, p);
                last = p;
            }
        }
        gl::End();
    }

    void Affect(Fluido* f) override {
        if (!f || !(inct > 0.0f)) return;
        const Vector centre = NodeFrame::Of(*this).origin;
        const float target = P(kHeatTemperature);
        const float radius = P(kHeatRadius);
        // The exact share of the gap closed in one step: never overshoots the target.
        const float share = static_cast<float>(-std::expm1(-static_cast<double>(P(kHeatRate)) * inct));
        for (Particula* p = f->First(); p; p = p->next) {
            if (radius > 0.0f && (p->pos - centre).CuadModulo() > radius * radius) continue;
            p->temperature += (target - p->temperature) * share;
        }
    }
};

ShippedClass<KillVolume> g_kill({kClassDaemon, kKillVolumeId, "Kill volume", "Kill volume",
                                 "Removes the particles inside a box, or outside it.",
                                 "region: removal", &kKillTable});
ShippedClass<FreezeVolume> g_freeze({kClassDaemon, kFreezeVolumeId, "Freeze volume",
                                     "Freeze volume",
                                     "Stops the particles that enter a box; they can melt again "
                                     "when warmed.",
                                     "region: freezing", &kFreezeTable});
ShippedClass<Heater> g_heater({kClassDaemon, kHeaterId, "Heater", "Heater",
                               "Warms (or cools) the particles near the daemon toward a "
                               "temperature.",
                               "region: temperature", &kHeaterTable});

}  // namespace

ShippedDescriptor* KillVolumeClass() { return &g_kill; }
ShippedDescriptor* FreezeVolumeClass() { return &g_freeze; }
ShippedDescriptor* HeaterClass() { return &g_heater; }

}  // namespace shipped
