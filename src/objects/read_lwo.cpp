// Lightwave objects, big-endian IFF: "FORM", its size, then "LWOB" (the older layout) or
// "LWO2", then chunks of a four-byte tag, a 32-bit size and data padded to an even length.
// Only the first "PNTS" (points) and the first "POLS" (polygons) are read; polygons of three
// corners become faces, the others are counted and reported.
//
// LWOB polygon: vertex count, 16-bit indices, a 16-bit surface; a negative surface is followed
// by the count of its detail polygons, which come next as ordinary polygons. LWO2 polygons
// follow the "FACE" type word: a count whose low 10 bits are the corners, then indices of two
// bytes, or four when the first byte is 0xFF (a 24-bit index in the last three).
#include <cstring>
#include <string>
#include <vector>

#include "objects/body.h"
#include "objects/object_files.h"
#include "objects/reader_private.h"
#include "platform/endian.h"
#include "platform/format.h"

namespace {

constexpr const char* kOpenError =
    "File error reading: %s\nMaybe file doesn't exist or Content Directory is not set properly";
constexpr const char* kBadPoints = "Error parsing LWO file 'PNTS'";
constexpr const char* kBadPolygons = "Error parsing LWO file 'POLS'";

struct Chunk {
    const uint8_t* data = nullptr;
    size_t size = 0;
};

// The first chunk with tag after the 12-byte form header. The walk follows the sizes up to
// the end of the file (a wrong form size does not hide chunks); a chunk running past the end
// of the file ends the walk.
bool FindChunk(const platform::FileView& bytes, const char* tag, Chunk* out) {
    size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const uint8_t* head = bytes.data() + at;
        const size_t size = platform::GetU32BE(head + 4);
        if (size > bytes.size() - at - 8) return false;
        if (std::memcmp(head, tag, 4) == 0) {
            *out = Chunk{head + 8, size};
            return true;
        }
        at += 8 + size + (size & 1);
    }
    return false;
}

// Reads the polygons of a POLS chunk, calling take(corners, count) for each; false when a
// polygon runs past the chunk or names a point that does not exist.
template <typename Take>
bool ReadPolygons(const Chunk& pols, bool lwo2, int nverts, Take take) {
    const uint8_t* p = pols.data;
    const uint8_t* end = pols.data + pols.size;
    if (lwo2) p += 4;  // the "FACE" type word
    int corners[3] = {0, 0, 0};
    while (p < end) {
        if (end - p < 2) return false;
        int n = platform::GetU16BE(p);
        p += 2;
        // LWO2 keeps flags in the top six bits; an LWOB count is signed, and a negative one
        // has no corners to read.
        n = lwo2 ? (n & 0x03FF) : static_cast<int16_t>(n);
        for (int k = 0; k < n; ++k) {
            int index;
            if (lwo2 && end - p >= 1 && p[0] == 0xFF) {
                if (end - p < 4) return false;
                index = static_cast<int>(platform::GetU32BE(p) & 0x00FFFFFF);
                p += 4;
            } else {
                if (end - p < 2) return false;
                index = platform::GetU16BE(p);
                p += 2;
            }
            if (index >= nverts) return false;
            if (k < 3) corners[k] = index;
        }
        if (!lwo2) {
            if (end - p < 2) return false;
            const int16_t surface = static_cast<int16_t>(platform::GetU16BE(p));
            p += 2;
            if (surface < 0) {
                if (end - p < 2) return false;
                p += 2;  // the detail polygons follow as polygons of their own
            }
        }
        take(corners, n);
    }
    return true;
}

bool ReadLwo(Body* body, std::string path, std::string name, bool only_lwo2) {
    platform::FileView bytes;
    if (!reader::OpenObjectFile(&path, &name, kTypeLwo, kOpenError, &bytes)) return false;
    const bool form = bytes.size() >= 12 && std::memcmp(bytes.data(), "FORM", 4) == 0;
    const bool lwob = form && std::memcmp(bytes.data() + 8, "LWOB", 4) == 0;
    const bool lwo2 = form && std::memcmp(bytes.data() + 8, "LWO2", 4) == 0;
    if (!(lwo2 || (lwob && !only_lwo2))) {
        reader::Refuse("No valid LWO file");
        return false;
    }

    Chunk pnts, pols;
    if (!FindChunk(bytes, "PNTS", &pnts)) {
        reader::Refuse(kBadPoints);
        return false;
    }
    reader::NewGeometry g;
    g.AllocateVertices(static_cast<int>(pnts.size / 12), true);
    for (int i = 0; i < g.nverts; ++i) {
        Vector v;
        for (int k = 0; k < 3; ++k) {
            if (!reader::Scaled(platform::GetF32BE(pnts.data + 12 * i + 4 * k), &v[k])) {
                reader::Refuse(kBadPoints);
                return false;
            }
        }
        g.SetVertex(i, v);
    }

    if (!FindChunk(bytes, "POLS", &pols) ||
        (lwo2 && (pols.size < 4 || std::memcmp(pols.data, "FACE", 4) != 0))) {
        reader::Refuse(kBadPolygons);
        return false;
    }
    long long triangles = 0, ignored = 0;
    if (!ReadPolygons(pols, lwo2, g.nverts, [&](const int*, int n) {
            triangles += n == 3;
            ignored += n != 3;
        })) {
        reader::Refuse(kBadPolygons);
        return false;
    }
    if (triangles == 0) {
        reader::Refuse(platform::Format("%s: No triangular faces found in LW object", path.c_str()),
                       true);
        return false;
    }
    // A POLS chunk holds at most a triangle per 8 bytes, so the count fits.
    g.AllocateFaces(static_cast<int>(triangles), true);
    int fi = 0;
    ReadPolygons(pols, lwo2, g.nverts, [&](const int* c, int n) {
        if (n == 3) g.SetFace(fi++, c[0], c[1], c[2], 1, 1, 1);
    });
    if (ignored > 0) {
        reader::Refuse(platform::Format("%lld no-triangular polygons were ignored", ignored));
    }
    reader::Commit(body, path, name, &g, kFormatLwo);
    return true;
}

}  // namespace

bool Body::LoadLwo(const char* file, const char* object_name) {
    return ReadLwo(this, file ? file : "", object_name ? object_name : "", false);
}

bool Body::LoadLwoChunks(const char* file, const char* object_name) {
    return ReadLwo(this, file ? file : "", object_name ? object_name : "", true);
}
