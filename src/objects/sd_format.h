#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "export.h"
#include "math/matrix.h"
#include "math/vector.h"

// Scene-data (SD) files as they lie on disk: the values of a file's records, before any axis
// mapping, scale factor or platform rule is applied. Little-endian throughout.
//
//   header   30 text, version f32, platform i32, six unused 32-bit values, object count i32,
//            two unused 32-bit values                                          (74 bytes)
//   object   mode u8, colour 3 f32, name length i32, name, nverts i32, nfaces i32,
//            nverts × 3 f32, nfaces × 7 i32 (a, b, c, three edge values, one unused)
//   frame    frame number i32, then per object: the 3×3 part of a matrix column by column
//            and its translation (12 f32), position, angles (radians), scale, pivot
//            (3 f32 each) and, for a deforming object, nverts × 3 f32
//
// The reader and the writer below are exact inverses: writing what was read gives the same
// bytes.

constexpr size_t kSdHeaderSize = 74;
// Mode, colour, name length, the two counts: the least an object record takes.
constexpr size_t kSdObjectFixedSize = 1 + 12 + 4 + 4 + 4;
constexpr size_t kSdFrameObjectSize = 96;

struct SdHeader {
    char text[30] = {};
    float version = 2.0f;
    int32_t platform = 1;
    uint32_t unused1[6] = {};
    int32_t count = 0;
    uint32_t unused2[2] = {};
};

struct SdObjectRecord {
    uint8_t mode = 0;  // 0 rigid (the frames carry a matrix), 1 deforming (every vertex too)
    float colour[3] = {};
    std::string name;
    std::vector<float> verts;    // three per vertex
    std::vector<int32_t> faces;  // seven per face
    int nverts() const { return static_cast<int>(verts.size() / 3); }
    int nfaces() const { return static_cast<int>(faces.size() / 7); }
};

// What the frame records need to know of an object: whether it deforms, and its vertex count.
struct SdLayout {
    uint8_t mode = 0;
    int32_t nverts = 0;
};
inline SdLayout LayoutOf(const SdObjectRecord& o) {
    return SdLayout{o.mode, o.nverts()};
}

struct SdFrameObject {
    float matrix[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
    float pos[3] = {};
    float angles[3] = {};  // radians
    float scale[3] = {1, 1, 1};
    float pivot[3] = {};
    std::vector<float> verts;  // deforming objects only, three per vertex
};

struct SdFrame {
    int32_t number = 0;
    std::vector<SdFrameObject> objects;
};

struct SdScene {
    SdHeader header;
    std::vector<SdObjectRecord> objects;
    std::vector<SdFrame> frames;
};

// The bytes of a whole file; the header's count is written as the number of objects.
UNDALINE_API std::vector<uint8_t> SdBytes(const SdScene& scene);
// Writes the file whole (temporary file beside it, then rename).
UNDALINE_API bool WriteSdFile(const char* path, const SdScene& scene);

// Reads an SD file record by record from an open stream. Every count is checked against the
// bytes that remain before anything is allocated; a record that does not fit, a face that
// names a vertex that does not exist or a value that is no finite number is refused (false)
// and the stream left where it was.
class UNDALINE_API SdReader {
  public:
    SdReader() = default;
    SdReader(const SdReader&) = delete;
    SdReader& operator=(const SdReader&) = delete;
    ~SdReader();

    bool Open(const char* path);
    void Close();
    bool IsOpen() const { return file_ != nullptr; }

    bool ReadHeader(SdHeader* out);
    bool ReadObject(SdObjectRecord* out);
    // One frame for objects of these layouts. false at the end of the file, for a frame cut
    // short, or one with a value that is no finite number.
    bool ReadFrame(const std::vector<SdLayout>& objects, SdFrame* out);

    // Where the next record starts, and going back there (the frames are read again after a
    // reset).
    long Tell() const { return offset_; }
    bool Seek(long offset);
    long Size() const { return size_; }

  private:
    bool Take(size_t n, std::vector<uint8_t>* bytes);

    std::FILE* file_ = nullptr;
    long size_ = 0;
    long offset_ = 0;
    std::vector<uint8_t> buffer_;
};
