// The fluids that feed a mesh: link records, the rules for linking and unlinking, and the
// back-reference each fluid keeps to the record that maps its particles' texture coordinates.
#include <cmath>
#include <new>

#include "fluid/driver.h"
#include "fluid/engine_hooks.h"
#include "fluid/fluido.h"
#include "math/random.h"
#include "mesh/mesh.h"
#include "platform/format.h"
#include "platform/messages.h"
#include "scene/creador.h"

namespace {

constexpr float kNoiseScale = 1.5384616e-5f;  // 1/65000

bool BuildsMesh(const Fluido* f) {
    return f && f->emitter && (f->emitter->flags & kEmitterBuildsMesh);
}

const char* EmitterName(const Fluido* f) { return f && f->emitter ? f->emitter->name : ""; }

// Texture coordinate of a particle in the record's frame; with drag noise, each axis scaled by
// a random factor so the noise pattern differs per particle.
Vector TextureCoordinate(const Lista& l, const Vector& p) {
    const float* m = l.texMatrix.m;
    const Vector d = p - l.texMatrix.GetTranslation();
    // Rows 0-2 of the upper-left block are the axes.
    const float c1 = d.x * m[0] + d.y * m[4] + d.z * m[8];
    const float c2 = d.x * m[1] + d.y * m[5] + d.z * m[9];
    const float c3 = d.x * m[2] + d.y * m[6] + d.z * m[10];
    if (!l.dragNoise) return Vector(c1, c2, c3);
    const float r3 = static_cast<float>(RandomNext());
    const float r2 = static_cast<float>(RandomNext());
    const float r1 = static_cast<float>(RandomNext());
    return Vector(r1 * c1 * kNoiseScale, r2 * c2 * kNoiseScale, r3 * c3 * kNoiseScale);
}

bool PointsInto(const Mesh* mesh, const void* texture) {
    return texture && mesh->links && texture >= static_cast<const void*>(mesh->links) &&
           texture < static_cast<const void*>(mesh->links + mesh->numLinks);
}

// The records moved to a new array: each fluid's back-reference follows its record, and one
// that pointed into the old array without a record now is cleared.
void ReplaceLinks(Mesh* mesh, Lista* fresh, int count) {
    Lista* old = mesh->links;
    const int old_count = mesh->numLinks;
    for (int i = 0; i < old_count; ++i) {
        Fluido* f = old[i].fluid;
        if (f && f->texture == &old[i]) f->texture = nullptr;
    }
    mesh->links = fresh;
    mesh->numLinks = count;
    delete[] old;
    RefreshTextureLinks(mesh);
}

void RegisterWithTexture(void* texture, Particula* p) {
    if (texture && p) static_cast<Lista*>(texture)->TexturaParticula(p);
}

void (*g_earlier_deleting)(Fluido*) = nullptr;

void ForgetFluid(Fluido* f) {
    for (Mesh* m = rootmesh; m; m = m->nextMesh) UnlinkFluidFromMesh(m, f);
    if (g_earlier_deleting) g_earlier_deleting(f);
}

bool UsedByMesh(Fluido* f) { return FluidUsedByMesh(f); }

bool Install() {
    EngineHooks().register_with_texture = RegisterWithTexture;
    g_earlier_deleting = EngineHooks().fluid_deleting;  // another subsystem's, called after
    EngineHooks().fluid_deleting = ForgetFluid;
    SimulationHooks().fluid_used_by_mesh = UsedByMesh;
    return true;
}

// The mesh engine is part of the library, so the fluid engine can ask it from the start.
const bool g_installed = Install();

}  // namespace

Lista::Lista()
    : radiusFactor(0.601f),
      radius(0.0f),
      R(1e6f),
      R2(0.0f),
      invR2(0.0f),
      blendPercent(95),
      kernelScale(KernelScale(4.81f)),
      blend(4.81f),
      fractal(0),
      dragNoise(false),
      subtractive(false),
      amplitude(1.0f),
      frequency(2.0f),
      octaves(1),
      fluid(nullptr),
      texMatrix(),
      influenceBox(0, 0, 0),
      invGridCell(0.0f) {}

void Lista::TexturaFluido() {
    if (!fluid) return;
    for (Particula* p = fluid->First(); p; p = p->next) p->texCoord = TextureCoordinate(*this, p->pos);
}

void Lista::TexturaParticula(Particula* p) {
    if (p) p->texCoord = TextureCoordinate(*this, p->pos);
}

float RadiusFactorFromPercent(int percent) { return static_cast<float>(percent) * 0.0145f + 0.05f; }

int RadiusPercent(float factor) { return static_cast<int>((factor - 0.05f) * 68.965515f); }

float BlendFromPercent(int percent) {
    return static_cast<float>(percent) * 0.01f * 3.8f + 1.2f;
}

float KernelScale(float blend) {
    const float q = 1.0f / blend;
    const float base = 1.0f - q * q;
    return 1.0f / (base * base * base);
}

void SetBlendPercent(Lista* link, int percent) {
    if (!link) return;
    link->blendPercent = percent;
    link->blend = BlendFromPercent(percent);
    link->kernelScale = KernelScale(link->blend);
}

bool Mesh::ControlledByEmitter() const {
    for (int i = 0; i < numLinks; ++i) {
        if (BuildsMesh(links[i].fluid)) return true;
    }
    return false;
}

Lista* LinkFluidToMesh(Mesh* mesh, Fluido* fluid) {
    if (!mesh || !fluid) return nullptr;
    if (BuildsMesh(fluid) && mesh->numLinks > 0) {
        RedWarning(platform::Format(" %s can only be linked to an empty Mesh", EmitterName(fluid))
                       .c_str());
        return nullptr;
    }
    if (Lista* existing = mesh->LinkOf(fluid)) return existing;
    for (int i = 0; i < mesh->numLinks; ++i) {
        if (BuildsMesh(mesh->links[i].fluid)) {
            RedWarning(platform::Format(" %s cannot contain more fluids (conflict with %s)",
                                        mesh->name, EmitterName(mesh->links[i].fluid))
                           .c_str());
            return nullptr;
        }
    }
    const int n = mesh->numLinks;
    Lista* fresh = new (std::nothrow) Lista[static_cast<size_t>(n) + 1];
    if (!fresh) return nullptr;
    for (int i = 0; i < n; ++i) fresh[i] = mesh->links[i];
    fresh[n].fluid = fluid;
    ReplaceLinks(mesh, fresh, n + 1);
    if (mesh->calcUVW) fresh[n].TexturaFluido();
    return &fresh[n];
}

void UnlinkFluidFromMesh(Mesh* mesh, Fluido* fluid) {
    if (!mesh || !fluid) return;
    int at = -1;
    for (int i = 0; i < mesh->numLinks; ++i) {
        if (mesh->links[i].fluid == fluid) at = i;
    }
    if (at < 0) return;
    if (fluid->texture == &mesh->links[at]) fluid->texture = nullptr;
    const int n = mesh->numLinks;
    Lista* fresh = nullptr;
    if (n > 1) {
        fresh = new (std::nothrow) Lista[static_cast<size_t>(n) - 1];
        if (!fresh) return;
        for (int i = 0, j = 0; i < n; ++i) {
            if (i != at) fresh[j++] = mesh->links[i];
        }
    }
    ReplaceLinks(mesh, fresh, n - 1);
}

void CleanMeshLinks(Mesh* mesh) {
    if (!mesh) return;
    ReplaceLinks(mesh, nullptr, 0);
}

bool FluidUsedByMesh(const Fluido* fluid) {
    for (Mesh* m = rootmesh; m; m = m->nextMesh) {
        if (m->LinkOf(fluid)) return true;
    }
    return false;
}

void RefreshTextureLinks(Mesh* mesh) {
    if (!mesh) return;
    for (int i = 0; i < mesh->numLinks; ++i) {
        Fluido* f = mesh->links[i].fluid;
        if (!f) continue;
        if (mesh->calcUVW) {
            f->texture = &mesh->links[i];
        } else if (PointsInto(mesh, f->texture)) {
            f->texture = nullptr;
        }
    }
}
