// Writing scene-data files: the inverse of SdReader, record for record.
#include <cstring>

#include "objects/sd_format.h"
#include "platform/byte_buffer.h"
#include "platform/whole_file.h"

namespace {

void Floats(platform::ByteWriter* w, const float* v, size_t n) {
    for (size_t i = 0; i < n; ++i) w->F32(v[i]);
}

}  // namespace

std::vector<uint8_t> SdBytes(const SdScene& scene) {
    platform::ByteWriter w;
    const SdHeader& h = scene.header;
    for (char c : h.text) w.U8(static_cast<uint8_t>(c));
    w.F32(h.version);
    w.I32(h.platform);
    for (uint32_t v : h.unused1) w.U32(v);
    w.I32(static_cast<int32_t>(scene.objects.size()));
    for (uint32_t v : h.unused2) w.U32(v);
    for (const SdObjectRecord& o : scene.objects) {
        w.U8(o.mode);
        Floats(&w, o.colour, 3);
        w.I32(static_cast<int32_t>(o.name.size()));
        for (char c : o.name) w.U8(static_cast<uint8_t>(c));
        w.I32(o.nverts());
        w.I32(o.nfaces());
        Floats(&w, o.verts.data(), size_t(o.nverts()) * 3);
        for (size_t i = 0; i < size_t(o.nfaces()) * 7; ++i) w.I32(o.faces[i]);
    }
    for (const SdFrame& f : scene.frames) {
        w.I32(f.number);
        for (size_t i = 0; i < scene.objects.size(); ++i) {
            const SdFrameObject empty;
            const SdFrameObject& o = i < f.objects.size() ? f.objects[i] : empty;
            Floats(&w, o.matrix, 12);
            Floats(&w, o.pos, 3);
            Floats(&w, o.angles, 3);
            Floats(&w, o.scale, 3);
            Floats(&w, o.pivot, 3);
            if (scene.objects[i].mode != 1) continue;
            // A deforming object's frame carries every vertex; missing ones repeat the rest
            // positions, so the record keeps its length.
            const std::vector<float>& rest = scene.objects[i].verts;
            const std::vector<float>& v = o.verts.size() == rest.size() ? o.verts : rest;
            Floats(&w, v.data(), v.size());
        }
    }
    return w.Bytes();
}

bool WriteSdFile(const char* path, const SdScene& scene) {
    const std::vector<uint8_t> bytes = SdBytes(scene);
    return platform::WriteWholeFile(path, bytes.data(), bytes.size());
}
