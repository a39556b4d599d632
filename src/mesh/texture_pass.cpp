// Per-vertex texture values, fluid weights and velocities; the preview image.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>
#include <thread>

#include "fluid/fluido.h"
#include "fluid/parallel.h"
#include "mesh/mesh.h"
#include "mesh/mesh_texture.h"
#include "mesh/sweep_private.h"
#include "platform/format.h"
#include "platform/message_box.h"

namespace {

PreviewTextureHooks g_hooks;

// The display range of a quantity of a fluid (0 speed, 1 pressure, 2 temperature).
void FluidRange(const Fluido* f, int quantity, float* lo, float* hi) {
    const float stat_max[3] = {f->speedMax, f->pressureMax, f->temperatureMax};
    const float stat_min[3] = {f->speedMin, f->pressureMin, f->temperatureMin};
    if (f->autoRange[quantity]) {
        if (stat_max[quantity] > 0.0f) *hi = stat_max[quantity];
        if (stat_min[quantity] < 1e6f) *lo = stat_min[quantity];
    } else {
        if (f->manualRange[2 * quantity] > 0.0f) *hi = f->manualRange[2 * quantity];
        if (f->manualRange[2 * quantity + 1] < 1e6f) *lo = f->manualRange[2 * quantity + 1];
    }
}

bool IsImageName(const char* file) {
    const size_t n = file ? std::strlen(file) : 0;
    if (n < 3) return false;
    std::string tail(file + n - 3);
    for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == "tga" || tail == "jpg" || tail == "bmp";
}

}  // namespace

void ChannelRange(const Mesh* m, int channel, float* min, float* scale) {
    float lo = 1e6f, hi = 0.0f;
    const Fluido* f = m && m->numLinks > 0 ? m->links[m->numLinks - 1].fluid : nullptr;
    if (f && channel >= 1 && channel <= 3) FluidRange(f, channel - 1, &lo, &hi);
    *min = lo;
    *scale = hi - lo > 0.0f ? 1.0f / (hi - lo) : 0.0f;
}

void ComputeVertexTexture(Mesh* m) {
    if (!m || !(m->calcUVW || m->motionBlur) || !m->vertices) return;
    const auto* build = static_cast<const BuildState*>(m->builder);
    if (!build || build->field.Empty()) return;
    const int n = m->numVertices;
    const size_t rows = static_cast<size_t>(std::max(n, 1));
    const size_t links = static_cast<size_t>(std::max(m->numLinks, 1));
    if (m->calcUVW) {
        m->texCoords = static_cast<Vector*>(std::calloc(rows, sizeof(Vector)));
        m->fluidWeights = static_cast<float**>(std::calloc(rows, sizeof(float*)));
        for (int v = 0; m->fluidWeights && v < n; ++v) {
            m->fluidWeights[v] = static_cast<float*>(std::calloc(links, sizeof(float)));
        }
    }
    if (m->motionBlur) m->velocities = static_cast<Vector*>(std::calloc(rows, sizeof(Vector)));
    FieldOutputs shared;
    shared.channel = m->textureChannel;
    if (shared.channel != 0) {
        ChannelRange(m, shared.channel, &shared.channel_min, &shared.channel_scale);
    }
    // Vertices come in sweep order, each near the one before: the particles gathered for one
    // serve those after it while they stay within a cell.
    auto pass = [m, build, shared](int from, int to) {
        FieldGather gather;
        FieldOutputs out = shared;
        for (int v = from; v < to; ++v) {
            if ((v & 1023) == 0 && build->StopRequested()) break;
            const Vector& p = m->vertices[v];
            if (!gather.Covers(p)) build->field.Gather(p, build->h, &gather);
            out.texture = m->texCoords ? &m->texCoords[v] : nullptr;
            out.weights = m->fluidWeights ? m->fluidWeights[v] : nullptr;
            out.velocity = m->velocities ? &m->velocities[v] : nullptr;
            build->field.EvaluateFrom(gather, p, out);
        }
    };
    const int half = n / 2;
    std::thread helper;
    if (parallel::Multithreading() && half > 4096) {
        try {
            helper = std::thread(pass, half, n);
        } catch (const std::system_error&) {
        }
    }
    pass(0, helper.joinable() ? half : n);
    if (helper.joinable()) helper.join();
}

void RemapMeshTexture(Mesh* m) {
    if (!m) return;
    for (int i = 0; i < m->numLinks; ++i) m->links[i].TexturaFluido();
}

void SetPreviewTextureHooks(const PreviewTextureHooks& hooks) {
    g_hooks = hooks;
}

bool LoadPreviewTexture(Mesh* m, const char* file) {
    if (!m || !IsImageName(file)) return false;
    if (m->textureName && g_hooks.release) g_hooks.release(m->textureName);
    m->textureName = 0;
    if (g_hooks.load) {
        m->textureName = g_hooks.load(file);
        if (!m->textureName) {
            m->textureFile[0] = '\0';
            platform::MessageBox("OpenGL Error: loading texture", "Undaline", platform::kIconError);
            return false;
        }
    }
    platform::CopyText(m->textureFile, sizeof m->textureFile, file);
    return true;
}

void ReloadPreviewTexture(Mesh* m) {
    if (!m || !m->textureFile[0]) return;
    char file[sizeof m->textureFile];
    std::memcpy(file, m->textureFile, sizeof file);
    file[sizeof file - 1] = '\0';
    m->textureName = 0;  // a number from another session names nothing here
    ShowMeshStatus("Loading texture");
    LoadPreviewTexture(m, file);
    ShowMeshStatus("");
}

void UnloadPreviewTexture(Mesh* m) {
    if (!m) return;
    if (m->textureName && g_hooks.release) g_hooks.release(m->textureName);
    m->textureName = 0;
    m->textureFile[0] = '\0';
}

bool HasPreviewTexture(const Mesh* m) {
    return m && (m->textureName != 0 || m->textureFile[0] != '\0');
}
