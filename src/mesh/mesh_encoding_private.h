#pragma once

// The bytes of the mesh files (LWOB, LWO2, BIN, OBJ, texture data), built in memory.
//
// A frame's files share most of their content in different byte orders: every format lists the
// vertices, then the faces. FrameFiles goes over the vertex arrays once and over the faces once,
// appending each format's share to its own section, and then hands each file over as a list of
// parts (headers it makes at the end, sections, surface) that are written one after another,
// without copying them together.

#include <cstdint>
#include <string>
#include <vector>

#include "math/vector.h"
#include "mesh/mesh.h"
#include "platform/byte_buffer.h"
#include "platform/file_parts.h"

namespace mesh_encoding {

// The surface of an LWO file: generated from the name, or a surface file's chunk.
struct Surface {
    std::string name;
    const uint8_t* chunk = nullptr;  // null: the generated surface
    size_t chunkBytes = 0;
    bool shader = false;  // the "Undaline_shader" sub-chunk follows
};

// Name length with its zero byte, padded to an even count.
size_t PaddedNameBytes(const std::string& name);
void PutPaddedName(platform::ByteWriter& out, const std::string& name);
// The surface chunk of an LWOB file, with the shader sub-chunk when asked.
void PutLwobSurface(platform::ByteWriter& out, const Surface& s);
// The surface chunk of an LWO2 file (a surface file's chunk is written as for LWOB).
void PutLwo2Surface(platform::ByteWriter& out, const Surface& s);
// An LWO2 index: 16 bits below 0xFF00, else 32 bits with 0xFF in the top byte.
inline size_t VxBytes(uint32_t index) {
    return index < 0xFF00u ? 2 : 4;
}
void PutVx(platform::ByteWriter& out, uint32_t index);

enum Format { kLwob = 0, kLwo2 = 1, kBin = 2, kObj = 3, kTexture = 4, kFormats = 5 };

// What one frame's files are made from.
struct Geometry {
    int numVertices = 0;
    int numFaces = 0;
    const Vector* vertices = nullptr;
    const MeshFace* faces = nullptr;
    // BIN and OBJ list a mesh's faces with the first two corners swapped; objects do not.
    bool swapFirstTwo = true;
    const Vector* texCoords = nullptr;  // null: no texture sections
    float* const* weights = nullptr;    // per vertex, numLinks weights (null: zeros)
    int numLinks = 0;
    const Vector* velocities = nullptr;  // null: no velocity sections
    bool lwoTexture = false;  // the LWO2 UV map and the texture-data file (mapping on, weights)
    bool tiling = true;
    bool objSmoothing = true;  // the OBJ file starts with "s 1" (a mesh's; an object's does not)
};

class FrameFiles {
  public:
    // Builds the files of the formats asked for (indexed by Format).
    void Encode(const Geometry& g, const bool (&formats)[kFormats], const Surface& surface);
    // The parts of one file, valid until the next Encode.
    const std::vector<platform::FilePart>& Parts(Format f) const { return parts_[f]; }
    size_t Bytes(Format f) const;

  private:
    void Vertices(const Geometry& g, const bool (&on)[kFormats]);
    void Faces(const Geometry& g, const bool (&on)[kFormats]);
    void Assemble(const Geometry& g, const bool (&on)[kFormats], const Surface& surface);

    // Sections, reused from frame to frame so their memory is not asked for again.
    platform::ByteWriter points_;  // LWOB and LWO2 PNTS
    platform::ByteWriter lwobFaces_, lwo2Map_, lwo2Faces_, lwo2Tags_;
    platform::ByteWriter binVertices_, binFaces_, binTexture_, binVelocity_;
    platform::ByteWriter objVertices_, objTexture_, objFaces_;
    platform::ByteWriter txiVertices_, txiVelocity_;
    // Headers and tails made once the sections are known.
    platform::ByteWriter lwobHead_, lwobMiddle_, lwobTail_;
    platform::ByteWriter lwo2Head_, lwo2MapHead_, lwo2FacesHead_, lwo2TagsHead_, lwo2Tail_;
    platform::ByteWriter binHead_, binMiddle_, binTextureHead_, binVelocityHead_, binTail_;
    platform::ByteWriter objHead_, txiHead_, txiVelocityHead_;
    std::vector<platform::FilePart> parts_[kFormats];
};

}  // namespace mesh_encoding
