#include "mesh/mesh_bin_reader.h"

#include <utility>

#include "platform/endian.h"

namespace {

constexpr uint32_t kMagic = 0xDADADADA;
constexpr uint32_t kVertices = 0xCCCCCCCC;
constexpr uint32_t kTexture = 0xCCCCCC00;
constexpr uint32_t kVelocity = 0xCCCCCC11;
constexpr uint32_t kEnd = 0xDEDEDEDE;
// More fluids than this on one mesh is not a file we wrote.
constexpr int32_t kMostLinks = 1 << 16;

class Cursor {
  public:
    Cursor(const uint8_t* p, size_t n) : p_(p), left_(n) {}
    bool U32(uint32_t* v) {
        if (left_ < 4) return false;
        *v = platform::GetU32LE(p_);
        Skip(4);
        return true;
    }
    bool I32(int32_t* v) {
        uint32_t u = 0;
        if (!U32(&u)) return false;
        *v = static_cast<int32_t>(u);
        return true;
    }
    float F32() {
        const float v = platform::GetF32LE(p_);
        Skip(4);
        return v;
    }
    Vector Vec() {
        const float x = F32(), y = F32();
        return Vector(x, y, F32());
    }
    // Whether n records of `bytes` each remain.
    bool Holds(int32_t n, size_t bytes) const {
        return n >= 0 && static_cast<size_t>(n) <= left_ / bytes;
    }
    bool Peek(uint32_t* v) const {
        if (left_ < 4) return false;
        *v = platform::GetU32LE(p_);
        return true;
    }

  private:
    void Skip(size_t n) {
        p_ += n;
        left_ -= n;
    }
    const uint8_t* p_;
    size_t left_;
};

}  // namespace

bool ReadMeshBin(const uint8_t* bytes, size_t size, MeshBinData* out) {
    if (!bytes || !out) return false;
    Cursor in(bytes, size);
    uint32_t magic = 0, marker = 0;
    int32_t version = 0, nv = 0, nf = 0;
    if (!in.U32(&magic) || magic != kMagic || !in.I32(&version) || !in.U32(&marker) ||
        marker != kVertices || !in.I32(&nv) || !in.Holds(nv, 12)) {
        return false;
    }
    MeshBinData d;
    d.vertices.reserve(static_cast<size_t>(nv));
    for (int32_t i = 0; i < nv; ++i) d.vertices.push_back(in.Vec());
    if (!in.I32(&nf) || !in.Holds(nf, 12)) return false;
    d.faces.resize(static_cast<size_t>(nf));
    for (auto& face : d.faces) {
        for (int& k : face) {
            int32_t v = 0;
            in.I32(&v);
            if (v < 0 || v >= nv) return false;
            k = v;
        }
    }
    uint32_t next = 0;
    if (!in.Peek(&next)) return false;
    if (next == kTexture) {
        in.U32(&next);
        if (!in.I32(&d.links) || d.links < 0 || d.links > kMostLinks ||
            !in.Holds(nv, 4 * (static_cast<size_t>(d.links) + 3))) {
            return false;
        }
        d.weights.reserve(static_cast<size_t>(nv) * static_cast<size_t>(d.links));
        d.texCoords.reserve(static_cast<size_t>(nv));
        for (int32_t i = 0; i < nv; ++i) {
            for (int32_t l = 0; l < d.links; ++l) d.weights.push_back(in.F32());
            d.texCoords.push_back(in.Vec());
        }
        if (!in.Peek(&next)) return false;
    }
    if (next == kVelocity) {
        in.U32(&next);
        if (!in.Holds(nv, 12)) return false;
        d.velocities.reserve(static_cast<size_t>(nv));
        for (int32_t i = 0; i < nv; ++i) d.velocities.push_back(in.Vec());
    }
    if (!in.U32(&next) || next != kEnd) return false;
    *out = std::move(d);
    return true;
}
