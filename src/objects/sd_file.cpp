// Reading scene-data files record by record. The file stays open while its scene is loaded:
// the simulation reads one frame record at the end of every frame.
#include <sys/stat.h>

#include <cmath>
#include <cstring>

#include "objects/sd_format.h"
#include "platform/byte_buffer.h"

namespace {

bool Finite(const float* v, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        if (!std::isfinite(v[i])) return false;
    }
    return true;
}

void Floats(platform::ByteReader* r, float* out, size_t n) {
    for (size_t i = 0; i < n; ++i) out[i] = r->F32();
}

}  // namespace

SdReader::~SdReader() {
    Close();
}

bool SdReader::Open(const char* path) {
    Close();
    std::FILE* f = path ? std::fopen(path, "rb") : nullptr;
    if (!f) return false;
    struct stat st;
    if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) {
        std::fclose(f);
        return false;
    }
    file_ = f;
    size_ = static_cast<long>(st.st_size);
    offset_ = 0;
    return true;
}

void SdReader::Close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    size_ = offset_ = 0;
    buffer_.clear();
    buffer_.shrink_to_fit();
}

bool SdReader::Seek(long offset) {
    if (!file_ || offset < 0 || offset > size_ || std::fseek(file_, offset, SEEK_SET) != 0) {
        return false;
    }
    offset_ = offset;
    return true;
}

// The next n bytes, when the file still holds them; the position moves only on success.
bool SdReader::Take(size_t n, std::vector<uint8_t>* bytes) {
    if (!file_ || offset_ > size_ || n > static_cast<size_t>(size_ - offset_)) return false;
    bytes->resize(n);
    if (n > 0 && std::fread(bytes->data(), 1, n, file_) != n) {
        // The file shrank under us: stay where we were.
        std::fseek(file_, offset_, SEEK_SET);
        return false;
    }
    offset_ += static_cast<long>(n);
    return true;
}

bool SdReader::ReadHeader(SdHeader* out) {
    if (!Take(kSdHeaderSize, &buffer_)) return false;
    platform::ByteReader r(buffer_.data());
    SdHeader h;
    std::memcpy(h.text, buffer_.data(), sizeof h.text);
    r.Skip(sizeof h.text);
    h.version = r.F32();
    h.platform = r.I32();
    for (uint32_t& v : h.unused1) v = static_cast<uint32_t>(r.I32());
    h.count = r.I32();
    for (uint32_t& v : h.unused2) v = static_cast<uint32_t>(r.I32());
    *out = h;
    return true;
}

bool SdReader::ReadObject(SdObjectRecord* out) {
    const long start = offset_;
    auto refuse = [&] {
        Seek(start);
        return false;
    };
    if (!Take(1 + 12 + 4, &buffer_)) return false;
    platform::ByteReader head(buffer_.data());
    SdObjectRecord o;
    o.mode = head.U8();
    Floats(&head, o.colour, 3);
    const int32_t length = head.I32();
    if (length < 0 || !Take(static_cast<size_t>(length), &buffer_)) return refuse();
    o.name.assign(reinterpret_cast<const char*>(buffer_.data()), buffer_.size());
    // A name ends at its first zero byte, if it has one.
    o.name.resize(std::strlen(o.name.c_str()));
    if (!Take(8, &buffer_)) return refuse();
    platform::ByteReader counts(buffer_.data());
    const int32_t nverts = counts.I32(), nfaces = counts.I32();
    if (nverts < 0 || nfaces < 0) return refuse();
    const uint64_t need = uint64_t(nverts) * 12 + uint64_t(nfaces) * 28;
    if (need > static_cast<uint64_t>(size_ - offset_)) return refuse();
    if (!Take(static_cast<size_t>(need), &buffer_)) return refuse();
    platform::ByteReader body(buffer_.data());
    o.verts.resize(size_t(nverts) * 3);
    Floats(&body, o.verts.data(), o.verts.size());
    o.faces.resize(size_t(nfaces) * 7);
    for (int32_t& v : o.faces) v = body.I32();
    if (!Finite(o.colour, 3) || !Finite(o.verts.data(), o.verts.size())) return refuse();
    for (int32_t f = 0; f < nfaces; ++f) {
        for (int k = 0; k < 3; ++k) {
            const int32_t v = o.faces[size_t(f) * 7 + k];
            if (v < 0 || v >= nverts) return refuse();
        }
    }
    *out = std::move(o);
    return true;
}

bool SdReader::ReadFrame(const std::vector<SdLayout>& objects, SdFrame* out) {
    const long start = offset_;
    uint64_t need = 4;
    for (const SdLayout& o : objects) {
        if (o.nverts < 0) return false;
        need += kSdFrameObjectSize + (o.mode == 1 ? uint64_t(o.nverts) * 12 : 0);
    }
    if (!file_ || need > static_cast<uint64_t>(size_ - offset_)) return false;
    if (!Take(static_cast<size_t>(need), &buffer_)) return false;
    platform::ByteReader r(buffer_.data());
    out->number = r.I32();
    out->objects.resize(objects.size());
    for (size_t i = 0; i < objects.size(); ++i) {
        SdFrameObject& f = out->objects[i];
        Floats(&r, f.matrix, 12);
        Floats(&r, f.pos, 3);
        Floats(&r, f.angles, 3);
        Floats(&r, f.scale, 3);
        Floats(&r, f.pivot, 3);
        f.verts.resize(objects[i].mode == 1 ? size_t(objects[i].nverts) * 3 : 0);
        Floats(&r, f.verts.data(), f.verts.size());
        if (!Finite(f.matrix, 12) || !Finite(f.pos, 3) || !Finite(f.angles, 3) ||
            !Finite(f.scale, 3) || !Finite(f.pivot, 3) || !Finite(f.verts.data(), f.verts.size())) {
            Seek(start);
            return false;
        }
    }
    return true;
}
