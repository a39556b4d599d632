// A mesh's workspace record: its settings, then its links, each as the linked fluid's place in
// the fluid list and the link's field parameters.
#include <cstdint>

#include "fluid/fluido.h"
#include "io/record_io_private.h"
#include "io/workspace.h"
#include "mesh/mesh.h"
#include "mesh/mesh_texture.h"
#include "mesh/surface_files.h"

namespace {

using namespace record_io;
using platform::ReadF32;
using platform::ReadI32;
using platform::ReadU32;
using platform::WriteF32;
using platform::WriteI32;
using platform::WriteU32;

constexpr int kSurfaceNameBytes = 50;
// Texture mode stored once a preview texture has been loaded.
constexpr int kPreviewTextureMode = 18;
// A link in the file: the fluid's place and the record's fields, without the last byte that
// older files lack.
constexpr long kLinkBytes = 4 + 6 * 4 + 4 + 1 + 4 + 4 + 4 + 4 + 4;

int FluidIndex(const Fluido* f) {
    int i = 0;
    for (Fluido* g = rootflow; g; g = g->next, ++i) {
        if (g == f) return i;
    }
    return -1;
}

Fluido* FluidAtIndex(int index) {
    int i = 0;
    for (Fluido* f = rootflow; f; f = f->next, ++i) {
        if (i == index) return f;
    }
    return nullptr;
}

bool PutLink(const Lista& l) {
    return WriteI32(FluidIndex(l.fluid)) && WriteF32(l.radius) && WriteF32(l.R) &&
           WriteF32(l.R2) && WriteI32(l.blendPercent) && WriteF32(l.kernelScale) &&
           WriteF32(l.blend) && WriteI32(l.fractal) && PutByte(l.subtractive ? 1 : 0) &&
           WriteF32(l.amplitude) && WriteF32(l.frequency) && WriteI32(l.octaves) && WriteI32(0) &&
           WriteF32(l.radiusFactor) && PutByte(l.dragNoise ? 1 : 0);
}

// Reads a link record into l; false on a short read.
bool GetLinkRecord(Lista* l) {
    unsigned char subtractive = 0, drag = 0;
    int reserved = 0;
    bool ok = ReadF32(&l->radius) && ReadF32(&l->R) && ReadF32(&l->R2) &&
              GetInt(&l->blendPercent) && ReadF32(&l->kernelScale) && ReadF32(&l->blend) &&
              GetInt(&l->fractal) && GetByte(&subtractive) && ReadF32(&l->amplitude) &&
              ReadF32(&l->frequency) && GetInt(&l->octaves) && GetInt(&reserved) &&
              ReadF32(&l->radiusFactor);
    if (ok && workspace_version >= 35) ok = GetByte(&drag);
    l->subtractive = subtractive != 0;
    l->dragNoise = drag != 0;
    return ok;
}

// Non-zero when the mesh has a preview image: its texture object, or 1 while no viewport made one.
uint32_t PreviewFlag(const Mesh* m) {
    if (m->textureName) return m->textureName;
    return HasPreviewTexture(m) ? 1 : 0;
}

bool WriteMesh(int index) {
    const Mesh* m = MeshAt(index);
    if (!m) return false;
    bool ok = WriteF32(m->resolution) && WriteI32(m->refFaces) && WriteF32(m->refCellSize) &&
              WriteF32(m->cellSize) && WriteI32(0) && WriteI32(m->lastFaces) &&
              WriteI32(m->estimatedFaces) && PutText(m->name, sizeof m->name) &&
              PutText(m->outDir, sizeof m->outDir) && PutText(m->surfaceName, kSurfaceNameBytes) &&
              WriteI32(m->outLwo) && WriteI32(m->outLwo2) && WriteI32(m->outBin) &&
              WriteI32(m->outObj) && PutByte(m->prevKept ? 1 : 0) && PutVector(m->displayColour) &&
              PutByte(m->surfaceFileSet ? 1 : 0) && PutText(m->surfaceFile, sizeof m->surfaceFile) &&
              PutByte(m->calcUVW ? 1 : 0) && PutByte(m->tiling ? 1 : 0) &&
              PutByte(m->smoothing ? 1 : 0) && WriteI32(m->filterType) && PutByte(m->display) &&
              WriteI32(m->includeShader) && PutByte(m->objectClipping ? 1 : 0) &&
              PutByte(m->inverseClipping ? 1 : 0) && WriteI32(m->frameOffset) &&
              PutByte(m->clipBoxOn ? 1 : 0) && PutVector(m->clipMin) && PutVector(m->clipMax) &&
              WriteF32(m->filterStrength) && WriteU32(PreviewFlag(m)) &&
              WriteI32(PreviewFlag(m) ? kPreviewTextureMode : 0) &&
              PutText(m->textureFile, sizeof m->textureFile) && WriteI32(m->textureChannel) &&
              PutByte(m->motionBlur ? 1 : 0) && PutByte(m->optimize ? 1 : 0) &&
              PutByte(m->subdivide ? 1 : 0) && PutByte(m->limitFaces ? 1 : 0) &&
              WriteI32(m->optIterations) && WriteI32(m->maxFaces) && WriteF32(m->optThreshold) &&
              WriteI32(m->numLinks);
    for (int i = 0; ok && i < m->numLinks; ++i) ok = PutLink(m->links[i]);
    return ok;
}

bool GetFlag(bool* v) {
    unsigned char b = 0;
    if (!GetByte(&b)) return false;
    *v = b != 0;
    return true;
}

// Reads the fields into a new mesh; the links are made as the panel makes them, then take the
// stored parameters. A record cut short keeps what was read.
bool ReadMesh() {
    Mesh* m = NewMesh();
    if (!m) return false;
    int reserved = 0, texture_mode = 0;
    uint32_t preview = 0;
    unsigned char clip_byte = 0;
    bool ok = ReadF32(&m->resolution) && GetInt(&m->refFaces) && ReadF32(&m->refCellSize) &&
              ReadF32(&m->cellSize) && GetInt(&reserved) && GetInt(&m->lastFaces) &&
              GetInt(&m->estimatedFaces) && GetText(m->name, sizeof m->name) &&
              GetText(m->outDir, sizeof m->outDir) && GetText(m->surfaceName, kSurfaceNameBytes) &&
              GetInt(&m->outLwo);
    if (ok && workspace_version >= 36) ok = GetInt(&m->outLwo2);
    ok = ok && GetInt(&m->outBin) && GetInt(&m->outObj) && GetFlag(&m->prevKept) &&
         GetVector(&m->displayColour) && GetFlag(&m->surfaceFileSet) &&
         GetText(m->surfaceFile, sizeof m->surfaceFile) && GetFlag(&m->calcUVW) &&
         GetFlag(&m->tiling) && GetFlag(&m->smoothing) && GetInt(&m->filterType) &&
         GetByte(&m->display) && GetInt(&m->includeShader) && GetFlag(&m->objectClipping) &&
         GetFlag(&m->inverseClipping) && GetInt(&m->frameOffset) && GetByte(&clip_byte) &&
         GetVector(&m->clipMin) && GetVector(&m->clipMax) && ReadF32(&m->filterStrength) &&
         ReadU32(&preview) && GetInt(&texture_mode) &&
         GetText(m->textureFile, sizeof m->textureFile) && GetInt(&m->textureChannel);
    m->clipBoxOn = clip_byte;
    if (ok && workspace_version >= 33) {
        ok = GetFlag(&m->motionBlur) && GetFlag(&m->optimize) && GetFlag(&m->subdivide) &&
             GetFlag(&m->limitFaces) && GetInt(&m->optIterations) && GetInt(&m->maxFaces) &&
             ReadF32(&m->optThreshold);
    }
    if (preview) {
        ReloadPreviewTexture(m);
    } else {
        m->textureFile[0] = '\0';
    }
    if (m->surfaceFileSet) ReloadMeshSurface(m);
    int links = 0;
    if (!ok || !GetInt(&links)) return false;
    if (links < 0 || links > Remaining() / kLinkBytes) return false;
    for (int i = 0; i < links; ++i) {
        int index = -1;
        if (!GetInt(&index)) return false;
        Fluido* f = FluidAtIndex(index);
        Lista* l = f ? LinkFluidToMesh(m, f) : nullptr;
        Lista scratch;
        if (!GetLinkRecord(l ? l : &scratch)) return false;
    }
    return true;
}

bool Install() {
    WorkspaceHooks& hooks = GetWorkspaceHooks();
    hooks.count_meshes = CountMeshes;
    hooks.write_mesh = WriteMesh;
    hooks.read_mesh = ReadMesh;
    return true;
}

// The workspace reads and writes meshes from the start.
const bool g_installed = Install();

}  // namespace
