#include "scene/creador.h"

#include <cstddef>

#include "platform/format.h"
#include "platform/ui_hooks.h"
#include "scene/descriptor.h"
#include "scene/node_panel.h"
#include "scene/scene_hooks.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
static_assert(sizeof(void*) != 8 || offsetof(Creador, fluid) == 232, "Creador layout changed");
static_assert(sizeof(void*) != 8 || offsetof(Creador, emitter_id) == 240, "Creador layout");
static_assert(sizeof(void*) != 8 || offsetof(Creador, name) == 244, "Creador layout changed");
static_assert(sizeof(void*) != 8 || offsetof(Creador, descriptor) == 296, "Creador layout");
static_assert(sizeof(void*) != 8 || sizeof(Creador) == 304, "Creador layout changed");
#pragma GCC diagnostic pop

int Creador::seed = 0;

namespace {

platform::Dialog* g_emitter_panel = nullptr;

}  // namespace

void SetEmitterPanel(platform::Dialog* panel) { g_emitter_panel = panel; }
platform::Dialog* EmitterPanel() { return g_emitter_panel; }

// The smallest id no listed emitter has. Counting on from the seed, as ids were first given,
// can hand out an id still in use once the highest emitter is deleted (1, 2, 3, delete 3: the
// seed drops to 1), and object masks are indexed by emitter id.
Creador::Creador() : fluid(nullptr), emitter_id(1), name{}, descriptor(nullptr) {
    kind = kKindEmitter;
    while (EmitterIdInUse(emitter_id)) ++emitter_id;
    seed = emitter_id;
}

Creador::~Creador() {
    if (link) ClearEmitterMask(link, emitter_id & 31);
    if (IsOnlyFluid(fluid)) {
        seed = 0;
    } else {
        int smallest = SmallestEmitterId(this);
        if (smallest > 0 && smallest < seed) seed = smallest;
    }
}

void Creador::Move(Vector delta) {
    Nodo::Move(delta);
    ShowNodePosition(ParamWindowOf(descriptor), this);
    if (link) UpdateLink();
    CalculaDependientes();
}

void Creador::Rotate(float angle) {
    RotateOnWorkingPlane(this, angle);
    ShowNodeRotation(ParamWindowOf(descriptor), this);
    if (link) UpdateLink();
    CalculaDependientes();
}

void Creador::UndoChangePos() {
    ControlCommonUpdate(fluid);
    if (platform::Dialog* w = ParamWindowOf(descriptor)) w->ShowWindow(true);
    SetParameterBlock();
    platform::RequestRepaint();
}

void Creador::PostCreation() {}

void Creador::SetParameterBlock() {
    platform::Dialog* w = ParamWindowOf(descriptor);
    ShowNodePosition(w, this);
    ShowNodeRotation(w, this);
}

void Creador::Representa() {}
void Creador::Crea() {}
Vector Creador::DameCentro() { return Vector(0, 0, 0); }
float Creador::DameTiempoMaximo() { return 0.0f; }
float Creador::DameVolumen() { return 0.0f; }
bool Creador::AreVoxelsNeeded() { return false; }
void Creador::HowManyPoli(int*, int*) {}
void Creador::Poligoniza(MeshBuilder*) {}
void Creador::Affect() {}
void Creador::Integra() {}
void Creador::GonnaKill(Particula*) {}
void Creador::OnFluidChange(char) {}

Creador* CreaEmisor(Descriptor* d, Fluido* fluid) {
    if (!d) return nullptr;
    Nodo* made = d->Create();
    if (!made) return nullptr;
    auto* emitter = dynamic_cast<Creador*>(made);
    if (!emitter) {
        delete made;
        return nullptr;
    }
    emitter->descriptor = d;
    emitter->fluid = fluid;
    AttachEmitter(fluid, emitter);
    platform::CopyField(emitter->name, sizeof emitter->name, d->name, sizeof d->name);
    emitter->PostCreation();
    return emitter;
}
