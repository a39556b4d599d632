// The mesh files' bytes (layouts in docs/output-formats.md).
#include <bit>
#include <charconv>
#include <cstring>

#include "mesh/mesh_encoding_private.h"
#include "scene/axes.h"

namespace mesh_encoding {
namespace {

using platform::ByteWriter;
using platform::FilePart;

constexpr uint32_t kBinMagic = 0xDADADADA;
constexpr int32_t kBinVersion = 2;
constexpr uint32_t kBinVertices = 0xCCCCCCCC;
constexpr uint32_t kBinTexture = 0xCCCCCC00;
constexpr uint32_t kBinVelocity = 0xCCCCCC11;
constexpr uint32_t kBinEnd = 0xDEDEDEDE;
constexpr char kShaderName[] = "Undaline_shader";  // 15 characters and a zero byte
constexpr uint16_t kShaderBytes = 16;
constexpr size_t kShaderChunkBytes = 6 + kShaderBytes;
constexpr char kUvMapName[] = "UD UV Mapping";

// "%f" of a float, whatever the process locale: its exact value rounded to six decimals, ties
// to even. A float is m x 2^e with m below 2^24, so m x 10^6 fits 64 bits and the rounding is
// done on whole numbers; only very large values take the general route.
char* PutFixed(char* out, float v) {
    const uint32_t bits = std::bit_cast<uint32_t>(v);
    const int biased = static_cast<int>((bits >> 23) & 0xFF);
    uint64_t mantissa = bits & 0x7FFFFF;
    if (biased == 0xFF || biased > 127 + 20) {
        char text[64];
        const auto r = std::to_chars(text, text + sizeof text, static_cast<double>(v),
                                     std::chars_format::fixed, 6);
        const size_t n = static_cast<size_t>(r.ptr - text);
        std::memcpy(out, text, n);
        return out + n;
    }
    int exponent = biased - 150;  // v = mantissa x 2^exponent
    if (biased == 0) {
        exponent = -149;
    } else {
        mantissa |= 0x800000;
    }
    const uint64_t scaled = mantissa * 1000000;
    uint64_t micro = 0;
    if (exponent >= 0) {
        micro = scaled << exponent;
    } else if (exponent > -64) {
        const int shift = -exponent;
        micro = scaled >> shift;
        const uint64_t rest = scaled & ((uint64_t{1} << shift) - 1);
        const uint64_t half = uint64_t{1} << (shift - 1);
        if (rest > half || (rest == half && (micro & 1))) ++micro;
    }
    char text[32];
    char* end = text + sizeof text;
    char* at = end;
    uint64_t fraction = micro % 1000000;
    for (int i = 0; i < 6; ++i, fraction /= 10) *--at = static_cast<char>('0' + fraction % 10);
    *--at = '.';
    uint64_t whole = micro / 1000000;
    do {
        *--at = static_cast<char>('0' + whole % 10);
        whole /= 10;
    } while (whole > 0);
    if (bits >> 31) *--at = '-';
    const size_t n = static_cast<size_t>(end - at);
    std::memcpy(out, at, n);
    return out + n;
}

// One line at a time: a text line is put together here and appended whole.
void PutObjLine(ByteWriter& out, const char* tag, float a, float b, float c) {
    char line[256];
    const size_t n = std::strlen(tag);
    std::memcpy(line, tag, n);
    char* at = PutFixed(line + n, a);
    *at++ = ' ';
    at = PutFixed(at, b);
    *at++ = ' ';
    at = PutFixed(at, c);
    *at++ = '\n';
    out.Raw(line, static_cast<size_t>(at - line));
}

void PutAxesLE(ByteWriter& out, const Vector& v, float scale) {
    out.F32(v[AX] / scale);
    out.F32(v[AY] / scale);
    out.F32(v[AZ] / scale);
}

void PutChunkHead(ByteWriter& out, const char* id, size_t size) {
    out.Raw(id, 4);
    out.U32BE(static_cast<uint32_t>(size));
}

void PutShader(ByteWriter& out) {
    out.Raw("SHDR", 4);
    out.U16BE(kShaderBytes);
    out.Raw(kShaderName, sizeof kShaderName);
}

FilePart Part(const ByteWriter& w) {
    return FilePart{w.Bytes().data(), w.Size()};
}

size_t Sum(const std::vector<FilePart>& parts) {
    size_t n = 0;
    for (const FilePart& p : parts) n += p.size;
    return n;
}

// Surface chunks without the shader; a copied chunk is written with its size field raised when
// the shader follows.
void PutCopiedSurface(ByteWriter& out, const Surface& s) {
    const uint32_t own = static_cast<uint32_t>(s.chunkBytes - 8);
    out.Raw(s.chunk, 4);
    out.U32BE(s.shader ? own + static_cast<uint32_t>(kShaderChunkBytes) : own);
    out.Raw(s.chunk + 8, s.chunkBytes - 8);
    if (s.shader) PutShader(out);
}

}  // namespace

size_t PaddedNameBytes(const std::string& name) {
    const size_t n = name.size() + 1;
    return n + (n & 1);
}

void PutPaddedName(ByteWriter& out, const std::string& name) {
    out.Raw(name.data(), name.size());
    out.U8(0);
    if ((name.size() + 1) & 1) out.U8(0);
}

void PutLwobSurface(ByteWriter& out, const Surface& s) {
    if (s.chunk) {
        PutCopiedSurface(out, s);
        return;
    }
    PutChunkHead(out, "SURF", PaddedNameBytes(s.name) + 36 + (s.shader ? kShaderChunkBytes : 0));
    PutPaddedName(out, s.name);
    out.Raw("COLR", 4);
    out.U16BE(4);
    for (uint8_t c : {200, 200, 200, 0}) out.U8(c);
    out.Raw("FLAG", 4);
    out.U16BE(2);
    out.U16BE(0);
    out.Raw("DIFF", 4);
    out.U16BE(2);
    out.U16BE(0x0100);
    out.Raw("VDIF", 4);
    out.U16BE(4);
    out.F32BE(1.0f);
    if (s.shader) PutShader(out);
}

void PutLwo2Surface(ByteWriter& out, const Surface& s) {
    if (s.chunk) {
        PutCopiedSurface(out, s);
        return;
    }
    PutChunkHead(out, "SURF", PaddedNameBytes(s.name) + 32);
    PutPaddedName(out, s.name);
    out.U16BE(0);  // no source surface
    out.Raw("COLR", 4);
    out.U16BE(14);
    for (int i = 0; i < 3; ++i) out.F32BE(1.0f);
    out.U16BE(0);
    out.Raw("SMAN", 4);
    out.U16BE(4);
    out.F32BE(1.5625f);
}

void PutVx(ByteWriter& out, uint32_t index) {
    if (index < 0xFF00u) {
        out.U16BE(static_cast<uint16_t>(index));
    } else {
        out.U32BE(index + 0xFF000000u);
    }
}

size_t FrameFiles::Bytes(Format f) const {
    return Sum(parts_[f]);
}

void FrameFiles::Encode(const Geometry& g, const bool (&on)[kFormats], const Surface& surface) {
    for (ByteWriter* w : {&points_, &lwobFaces_, &lwo2Map_, &lwo2Faces_, &lwo2Tags_, &binVertices_,
                          &binFaces_, &binTexture_, &binVelocity_, &objVertices_, &objTexture_,
                          &objFaces_, &txiVertices_, &txiVelocity_}) {
        w->Clear();
    }
    Vertices(g, on);
    Faces(g, on);
    Assemble(g, on, surface);
}

void FrameFiles::Vertices(const Geometry& g, const bool (&on)[kFormats]) {
    const size_t n = static_cast<size_t>(g.numVertices);
    const bool lwo = on[kLwob] || on[kLwo2];
    const bool uv_map = on[kLwo2] && g.lwoTexture;
    const bool txi = on[kTexture] && g.lwoTexture;
    const bool bin_tex = on[kBin] && g.texCoords;
    const bool obj_tex = on[kObj] && g.texCoords;
    const bool bin_vel = on[kBin] && g.velocities;
    const bool txi_vel = txi && g.velocities;
    const size_t links = static_cast<size_t>(g.numLinks > 0 ? g.numLinks : 0);
    if (lwo) points_.Reserve(12 * n);
    if (uv_map) lwo2Map_.Reserve(16 * n);
    if (on[kBin]) binVertices_.Reserve(12 * n);
    if (bin_tex) binTexture_.Reserve((links + 3) * 4 * n);
    if (bin_vel) binVelocity_.Reserve(12 * n);
    if (on[kObj]) objVertices_.Reserve(34 * n);
    if (obj_tex) objTexture_.Reserve(34 * n);
    if (txi) txiVertices_.Reserve((links + 3) * 4 * n);
    if (txi_vel) txiVelocity_.Reserve(12 * n);
    const float scale = scene_scale;
    static const float kNoWeights[1] = {0.0f};
    for (size_t i = 0; i < n; ++i) {
        const Vector& p = g.vertices[i];
        if (lwo) {
            points_.F32BE(p.x);
            points_.F32BE(p.y);
            points_.F32BE(p.z);
        }
        if (on[kBin]) PutAxesLE(binVertices_, p, scale);
        if (on[kObj]) PutObjLine(objVertices_, "v ", p[AX] / scale, p[AY] / scale, p[AZ] / scale);
        if (g.texCoords) {
            const Vector& t = g.texCoords[i];
            const float* w = g.weights && g.weights[i] ? g.weights[i] : nullptr;
            if (uv_map) {
                PutVx(lwo2Map_, static_cast<uint32_t>(i));
                lwo2Map_.F32BE(t.x);
                lwo2Map_.F32BE(t.z);
                lwo2Map_.F32BE(t.y);
            }
            if (bin_tex) {
                for (size_t l = 0; l < links; ++l) binTexture_.F32(w ? w[l] : kNoWeights[0]);
                // Outside 0..1 on the third axis, an untiled texture is marked off the map.
                const bool off_map = !g.tiling && (t[AZ] > 1.0f || t[AZ] < 0.0f);
                binTexture_.F32(off_map ? 2.0f : t[AX]);
                binTexture_.F32(off_map ? 2.0f : t[AY]);
                binTexture_.F32(t[AZ]);
            }
            if (obj_tex) PutObjLine(objTexture_, "vt ", t[AX], t[AY], t[AZ]);
            if (txi) {
                for (size_t l = 0; l < links; ++l) txiVertices_.F32(w ? w[l] : kNoWeights[0]);
                txiVertices_.F32(t.x);
                txiVertices_.F32(t.y);
                txiVertices_.F32(t.z);
            }
        }
        if (g.velocities) {
            const Vector& v = g.velocities[i];
            if (bin_vel) PutAxesLE(binVelocity_, v, scale);
            if (txi_vel) {
                txiVelocity_.F32(v.x);
                txiVelocity_.F32(v.y);
                txiVelocity_.F32(v.z);
            }
        }
    }
}

void FrameFiles::Faces(const Geometry& g, const bool (&on)[kFormats]) {
    const size_t n = static_cast<size_t>(g.numFaces);
    if (on[kLwob]) lwobFaces_.Reserve(10 * n);
    if (on[kLwo2]) {
        lwo2Faces_.Reserve(14 * n);
        lwo2Tags_.Reserve(6 * n);
    }
    if (on[kBin]) binFaces_.Reserve(12 * n);
    if (on[kObj]) objFaces_.Reserve((g.texCoords ? 40 : 24) * n);
    const int second = g.swapFirstTwo ? 1 : 0;
    const int first = 1 - second;
    for (size_t f = 0; f < n; ++f) {
        const MeshFace& face = g.faces[f];
        if (on[kLwob]) {
            lwobFaces_.U16BE(3);
            for (int k = 0; k < 3; ++k) lwobFaces_.U16BE(static_cast<uint16_t>(face[k]));
            lwobFaces_.U16BE(1);
        }
        if (on[kLwo2]) {
            lwo2Faces_.U16BE(3);
            for (int k = 0; k < 3; ++k) PutVx(lwo2Faces_, static_cast<uint32_t>(face[k]));
            PutVx(lwo2Tags_, static_cast<uint32_t>(f));
            lwo2Tags_.U16BE(0);
        }
        const int order[3] = {face[second], face[first], face[2]};
        if (on[kBin]) {
            for (int k : order) binFaces_.I32(k);
        }
        if (on[kObj]) {
            char line[96];
            char* at = line;
            *at++ = 'f';
            for (int k : order) {
                *at++ = ' ';
                char* number = at;
                at = std::to_chars(at, line + sizeof line, static_cast<long long>(k) + 1).ptr;
                if (g.texCoords) {
                    const size_t digits = static_cast<size_t>(at - number);
                    *at++ = '/';
                    std::memcpy(at, number, digits);
                    at += digits;
                }
            }
            *at++ = '\n';
            objFaces_.Raw(line, static_cast<size_t>(at - line));
        }
    }
}

void FrameFiles::Assemble(const Geometry& g, const bool (&on)[kFormats], const Surface& surface) {
    for (auto& p : parts_) p.clear();
    for (ByteWriter* w :
         {&lwobHead_, &lwobMiddle_, &lwobTail_, &lwo2Head_, &lwo2MapHead_, &lwo2FacesHead_,
          &lwo2TagsHead_, &lwo2Tail_, &binHead_, &binMiddle_, &binTextureHead_, &binVelocityHead_,
          &binTail_, &objHead_, &txiHead_, &txiVelocityHead_}) {
        w->Clear();
    }
    if (on[kLwob]) {
        lwobHead_.Raw("FORMKKKKLWOB", 12);
        PutChunkHead(lwobHead_, "PNTS", points_.Size());
        PutChunkHead(lwobMiddle_, "SRFS", PaddedNameBytes(surface.name));
        PutPaddedName(lwobMiddle_, surface.name);
        PutChunkHead(lwobMiddle_, "POLS", lwobFaces_.Size());
        PutLwobSurface(lwobTail_, surface);
        parts_[kLwob] = {Part(lwobHead_), Part(points_), Part(lwobMiddle_), Part(lwobFaces_),
                         Part(lwobTail_)};
        lwobHead_.PatchU32BE(4, static_cast<uint32_t>(Sum(parts_[kLwob]) - 8));
    }
    if (on[kLwo2]) {
        lwo2Head_.Raw("FORMKKKKLWO2", 12);
        PutChunkHead(lwo2Head_, "TAGS", PaddedNameBytes(surface.name));
        PutPaddedName(lwo2Head_, surface.name);
        PutChunkHead(lwo2Head_, "LAYR", 18);
        for (int i = 0; i < 18; ++i) lwo2Head_.U8(0);
        PutChunkHead(lwo2Head_, "PNTS", points_.Size());
        if (g.lwoTexture) {
            const std::string map_name = kUvMapName;
            PutChunkHead(lwo2MapHead_, "VMAP", 6 + PaddedNameBytes(map_name) + lwo2Map_.Size());
            lwo2MapHead_.Raw("TXUV", 4);
            lwo2MapHead_.U16BE(3);
            PutPaddedName(lwo2MapHead_, map_name);
        }
        PutChunkHead(lwo2FacesHead_, "POLS", 4 + lwo2Faces_.Size());
        lwo2FacesHead_.Raw("FACE", 4);
        PutChunkHead(lwo2TagsHead_, "PTAG", 4 + lwo2Tags_.Size());
        lwo2TagsHead_.Raw("SURF", 4);
        PutLwo2Surface(lwo2Tail_, surface);
        parts_[kLwo2] = {Part(lwo2Head_),     Part(points_),        Part(lwo2MapHead_),
                         Part(lwo2Map_),      Part(lwo2FacesHead_), Part(lwo2Faces_),
                         Part(lwo2TagsHead_), Part(lwo2Tags_),      Part(lwo2Tail_)};
        lwo2Head_.PatchU32BE(4, static_cast<uint32_t>(Sum(parts_[kLwo2]) - 8));
    }
    if (on[kBin]) {
        binHead_.U32(kBinMagic);
        binHead_.I32(kBinVersion);
        binHead_.U32(kBinVertices);
        binHead_.I32(g.numVertices);
        binMiddle_.I32(g.numFaces);
        if (g.texCoords) {
            binTextureHead_.U32(kBinTexture);
            binTextureHead_.I32(g.numLinks);
        }
        if (g.velocities) binVelocityHead_.U32(kBinVelocity);
        binTail_.U32(kBinEnd);
        parts_[kBin] = {Part(binHead_),         Part(binVertices_),    Part(binMiddle_),
                        Part(binFaces_),        Part(binTextureHead_), Part(binTexture_),
                        Part(binVelocityHead_), Part(binVelocity_),    Part(binTail_)};
    }
    if (on[kObj]) {
        if (g.objSmoothing) objHead_.Raw("s 1\n");
        parts_[kObj] = {Part(objHead_), Part(objVertices_), Part(objTexture_), Part(objFaces_)};
    }
    if (on[kTexture] && g.lwoTexture) {
        txiHead_.I32(g.numLinks);
        txiHead_.I32(g.numVertices);
        if (g.velocities) txiVelocityHead_.Raw("NL_1", 4);
        parts_[kTexture] = {Part(txiHead_), Part(txiVertices_), Part(txiVelocityHead_),
                            Part(txiVelocity_)};
    }
}

}  // namespace mesh_encoding
