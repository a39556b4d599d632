#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "byte_builder.h"
#include "io/config.h"
#include "objects/body.h"
#include "objects/object_files.h"
#include "objects/object_panel.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "platform/messages.h"
#include "scene/axes.h"
#include "scene/scene.h"

// Every objects test starts from an empty scene, no preset dialog answers and a directory of
// its own for the files it writes.
class ObjectsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetScene();
        platform::ClearMessageBoxes();
        platform::ResetMessages();
        platform::ClearOpenFileAnswers();
        ResetFileNotFound();
    }
    void TearDown() override {
        ResetScene();
        SetObjectPanel(nullptr);
        objects_dir[0] = '\0';
    }

    // A file of this test's directory with the given contents.
    std::string Write(const char* name, const std::string& text) {
        const std::string path = dir.File(name);
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    std::string Write(const char* name, const std::vector<uint8_t>& bytes) {
        const std::string path = dir.File(name);
        WriteFileBytes(path, bytes);
        return path;
    }
    // The unit cube [0, 1]³ with outward windings, imported from a file named name.
    Body* Cube(const char* name = "cube.obj", const char* subdir = nullptr) {
        std::string file = subdir ? std::string(subdir) + "_" + name : name;
        std::string path = Write(file.c_str(), kCubeObj);
        if (subdir) {
            const auto d = dir.path() / subdir;
            std::filesystem::create_directories(d);
            std::filesystem::rename(path, d / name);
            path = (d / name).string();
        }
        return ImportObjectFile(path.c_str());
    }
    static constexpr const char* kCubeObj =
        "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 0 1\nv 1 0 1\nv 1 1 1\nv 0 1 1\n"
        "f 1 4 3 2\nf 5 6 7 8\nf 1 2 6 5\nf 4 8 7 3\nf 1 5 8 4\nf 2 3 7 6\n";

    static std::string Data(const char* name) {
        return std::string(UNDALINE_TEST_DATA) + "/objects/" + name;
    }

    TempDir dir;
};

// Big-endian IFF bytes for Lightwave files.
struct Iff : Bytes {
    Iff& Tag(const char* t) { return static_cast<Iff&>(Text(t)); }
    Iff& U8(uint8_t v) { return static_cast<Iff&>(Bytes::U8(v)); }
    Iff& U16(uint16_t v) { return static_cast<Iff&>(U16BE(v)); }
    Iff& U32(uint32_t v) { return static_cast<Iff&>(U32BE(v)); }
    Iff& F32(float v) { return static_cast<Iff&>(F32BE(v)); }
    Iff& Chunk(const char* tag, const Iff& data) {
        Tag(tag).U32(static_cast<uint32_t>(data.size())).Append(data);
        return data.size() & 1 ? U8(0) : *this;
    }
    // "FORM", the size of what follows, the form type, then the chunks.
    static std::vector<uint8_t> Form(const char* type, const Iff& chunks) {
        Iff f;
        f.Tag("FORM").U32(static_cast<uint32_t>(chunks.size() + 4)).Tag(type).Append(chunks);
        return f.b;
    }
};

inline void ExpectVector(const Vector& v, float x, float y, float z, float tol = 1e-5f) {
    EXPECT_NEAR(v.x, x, tol);
    EXPECT_NEAR(v.y, y, tol);
    EXPECT_NEAR(v.z, z, tol);
}

inline void ExpectAt(const Vector& v, const Vector& w, float tol = 1e-5f) {
    ExpectVector(v, w.x, w.y, w.z, tol);
}

// The vertex indices of a face's corners.
inline std::vector<int> Corners(const Face& f) {
    return {f.corner[0]->index, f.corner[1]->index, f.corner[2]->index};
}
inline std::vector<int> Edges(const Face& f) {
    return {f.edgeFlags[0], f.edgeFlags[1], f.edgeFlags[2]};
}
