#include "fluid/clone.h"

#include "fluid/fluido.h"
#include "fluid/links.h"
#include "platform/message_box.h"
#include "platform/ui_hooks.h"
#include "scene/creador.h"
#include "scene/daemon.h"
#include "scene/daemon_panel.h"
#include "scene/nodo.h"

namespace {

void CopyParameters(Fluido* to, const Fluido* from) {
    to->restDensity = from->restDensity;
    to->invRestDensity = from->invRestDensity;
    to->maxParticles = from->maxParticles;
    to->viscosity.Copy(&from->viscosity);
    to->pressureK.Copy(&from->pressureK);
    to->reservedF = from->reservedF;
    to->externalPressure = from->externalPressure;
    to->initialTemperature = from->initialTemperature;
    to->conductivity = from->conductivity;
    to->externalTemperature = from->externalTemperature;
    to->externalConductivity = from->externalConductivity;
    to->fillSpacing = from->fillSpacing;
    to->mass = from->mass;
    to->type = from->type;
    to->fullViscosity = from->fullViscosity;
    to->colour = from->colour;
    to->elasticLimitOn = from->elasticLimitOn;
    to->fractureLimitOn = from->fractureLimitOn;
    to->removeIsolated = from->removeIsolated;
    to->springK = from->springK;
    to->springDamping = from->springDamping;
    to->repulsion = from->repulsion;
    // The switch belongs with its strength: an elastic copy must hold together as its source.
    to->autoRepulsion = from->autoRepulsion;
    to->elasticLimit = from->elasticLimit;
    to->fractureLimit = from->fractureLimit;
    to->springsBuilt = from->springsBuilt;
    to->minSpringLength = from->minSpringLength;
    to->killByAge = from->killByAge;
    to->lifeTime = from->lifeTime;
    to->killByIsolation = from->killByIsolation;
    to->isolationTime = from->isolationTime;
    to->killByVolume = from->killByVolume;
    to->killBoxMin = from->killBoxMin;
    to->killBoxMax = from->killBoxMax;
    to->killBySpeed = from->killBySpeed;
    to->maxSpeed = from->maxSpeed;
    to->killByCollision = from->killByCollision;
    to->killRandom = from->killRandom;
    to->killProbability = from->killProbability;
    to->randomEmission = from->randomEmission;
    to->splitOnCollision = from->splitOnCollision;
    to->splitOnVelocity = from->splitOnVelocity;
    to->splitOnRandom = from->splitOnRandom;
    to->splitOnAge = from->splitOnAge;
    to->splitEnabled = from->splitEnabled;
    to->splitCount = from->splitCount;
    to->splitGenerations = from->splitGenerations;
    to->splitSpeed = from->splitSpeed;
}

void CopyLinks(Fluido* to, const Fluido* from) {
    for (int i = 0; i < from->numDaemons; ++i) LinkDaemon(to, from->daemons[i]);
    for (int i = 0; i < from->numObjects; ++i) LinkObject(to, from->objects[i]);
    for (int i = 0; i < from->numLinkedFluids; ++i) LinkFluid(to, from->linkedFluids[i]);
}

}  // namespace

Fluido* CloneFluid(Fluido* source, const Vector* pos, const Vector* rot) {
    if (!source || !source->emitter) return nullptr;
    Fluido* copy = CreaFluido(source->emitter->descriptor);
    if (!copy) {
        platform::MessageBox("Memory Error: fluid");
        return nullptr;
    }
    CopyParameters(copy, source);
    CopyLinks(copy, source);
    selflow = copy;
    Creador* e = copy->emitter;
    e->Copy(source->emitter);
    if (pos) e->pos = *pos;
    if (rot) e->rot = *rot;
    if (e->link) {
        e->UpdateLink();
    } else {
        e->UpdateMatrix();
    }
    e->CalculaDependientes();
    selnodo = e;
    copy->Regenera();
    platform::RequestRepaint();
    return copy;
}

Nodo* CloneSelected() {
    Nodo* n = selnodo;
    if (!n) {
        platform::MessageBox("No element selected");
        return nullptr;
    }
    if (n->kind == kKindDaemon) {
        Daemon* copy = DuplicateDaemon(static_cast<Daemon*>(n));
        if (copy) selnodo = copy;
        return copy;
    }
    if (n->kind == kKindEmitter) {
        Fluido* copy = CloneFluid(static_cast<Creador*>(n)->fluid);
        return copy ? copy->emitter : nullptr;
    }
    platform::MessageBox("Cannot do array of selected element");
    return nullptr;
}
