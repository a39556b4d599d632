// A fluid's per-frame LWO particle file: every particle a one-point polygon of the fluid's
// surface, so the host package can place its own geometry on the points.
#include <cstring>
#include <string>

#include "fluid/fluido.h"
#include "mesh/mesh_encoding_private.h"
#include "mesh/mesh_files.h"
#include "mesh/surface_files.h"
#include "platform/byte_buffer.h"
#include "platform/file_parts.h"
#include "platform/format.h"
#include "platform/message_box.h"
#include "platform/messages.h"
#include "scene/creador.h"

bool WriteParticleLwo(Fluido* fluid, const char* path) {
    if (!fluid || !path) return false;
    const int count = fluid->count > 0 ? fluid->count : 0;
    // With "Max. particles" every frame has the same number of points: the rest sit on the
    // emitter, and particles beyond the number are left out.
    int points = count;
    if (fluid->outMaxParticlesOn && fluid->outMaxParticles >= 0) points = fluid->outMaxParticles;
    const Vector spare = fluid->emitter ? fluid->emitter->pos : Vector(0, 0, 0);

    mesh_encoding::Surface surface;
    surface.name = std::string(fluid->surfaceName, strnlen(fluid->surfaceName, 50));
    const std::vector<uint8_t> chunk = FluidSurfaceChunk(fluid);
    if (!chunk.empty()) {
        surface.chunk = chunk.data();
        surface.chunkBytes = chunk.size();
    }

    platform::ByteWriter out(static_cast<size_t>(points) * 18 + 256);
    out.Raw("FORMKKKKLWOB", 12);
    out.Raw("PNTS", 4);
    out.U32BE(static_cast<uint32_t>(points) * 12);
    int written = 0;
    for (Particula* p = fluid->First(); p && written < points; p = p->next, ++written) {
        const Vector& at = fluid->useAltPos ? p->altPos : p->pos;
        out.F32BE(at.x);
        out.F32BE(at.y);
        out.F32BE(at.z);
    }
    for (; written < points; ++written) {
        out.F32BE(spare.x);
        out.F32BE(spare.y);
        out.F32BE(spare.z);
    }
    out.Raw("SRFS", 4);
    out.U32BE(static_cast<uint32_t>(mesh_encoding::PaddedNameBytes(surface.name)));
    mesh_encoding::PutPaddedName(out, surface.name);
    out.Raw("POLS", 4);
    out.U32BE(static_cast<uint32_t>(points) * 6);
    for (int i = 0; i < points; ++i) {
        out.U16BE(1);
        out.U16BE(static_cast<uint16_t>(i));
        out.U16BE(1);
    }
    mesh_encoding::PutLwobSurface(out, surface);
    out.PatchU32BE(4, static_cast<uint32_t>(out.Size() - 8));

    const platform::FilePart part{out.Bytes().data(), out.Size()};
    if (!platform::WriteFileParts(path, &part, 1)) {
        platform::MessageBox("Error writing file");
        return false;
    }
    platform::LogLine(platform::Format("\r\nSave: %s", path).c_str());
    return true;
}
