#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "byte_builder.h"
#include "platform/format.h"
#include "platform/paths.h"
#include "platform/whole_file.h"
#include "platform/workspace_file.h"

namespace {

namespace fs = std::filesystem;

class WorkspaceFileTest : public ::testing::Test {
protected:
  TempDir scratch;
  const fs::path dir = scratch.path();
  const std::string path = scratch.File("scene.ulw");
};

TEST_F(WorkspaceFileTest, ValuesAreWrittenLittleEndianAndReadBack) {
    ASSERT_TRUE(platform::BeginWorkspaceWrite(path.c_str()));
    EXPECT_TRUE(platform::WriteU32(0xFABADAA0u));
    EXPECT_TRUE(platform::WriteI32(-2));
    EXPECT_TRUE(platform::WriteF32(1.0f));
    EXPECT_TRUE(platform::WriteU8(7));
    EXPECT_TRUE(platform::WriteF64(0.5));
    ASSERT_TRUE(platform::EndWorkspaceWrite(true));

    const unsigned char expected[] = {0xA0, 0xDA, 0xBA, 0xFA, 0xFE, 0xFF, 0xFF, 0xFF, 0x00,
                                      0x00, 0x80, 0x3F, 0x07, 0, 0, 0, 0, 0, 0, 0xE0, 0x3F};
    EXPECT_EQ(ReadFileText(path), std::string(reinterpret_cast<const char*>(expected), sizeof expected));
    EXPECT_FALSE(fs::exists(path + ".tmp"));

    ASSERT_TRUE(platform::BeginWorkspaceRead(path.c_str()));
    uint32_t tag = 0;
    int32_t i = 0;
    float f = 0;
    uint8_t b = 0;
    double d = 0;
    EXPECT_TRUE(platform::ReadU32(&tag) && platform::ReadI32(&i) && platform::ReadF32(&f) &&
                platform::ReadU8(&b) && platform::ReadF64(&d));
    EXPECT_EQ((std::vector<double>{double(tag), double(i), f, double(b), d}),
              (std::vector<double>{0xFABADAA0u, -2, 1, 7, 0.5}));
    EXPECT_FALSE(platform::WorkspaceFileFailed());
    // Past the end: a short read is reported and the value is left alone.
    EXPECT_FALSE(platform::ReadI32(&i));
    EXPECT_EQ(i, -2);
    EXPECT_TRUE(platform::WorkspaceFileFailed());
    EXPECT_EQ(FSeek(4, SEEK_SET), 0);
    EXPECT_TRUE(platform::ReadI32(&i));
    EXPECT_EQ(i, -2);
    platform::EndWorkspaceRead();
    EXPECT_FALSE(platform::WorkspaceFileOpen());
}

TEST_F(WorkspaceFileTest, AnAbandonedSaveLeavesThePreviousFileWhole) {
    { std::ofstream(path, std::ios::binary) << "previous workspace"; }
    ASSERT_TRUE(platform::BeginWorkspaceWrite(path.c_str()));
    EXPECT_TRUE(platform::WriteI32(37));
    EXPECT_FALSE(platform::EndWorkspaceWrite(false));
    EXPECT_EQ(ReadFileText(path), "previous workspace");
    EXPECT_FALSE(fs::exists(path + ".tmp"));
}

// A save killed mid-way leaves FILE.tmp behind; the next save starts a new one, and writes
// through nothing that stands under that name, not even a link to another file.
TEST_F(WorkspaceFileTest, AStaleTemporaryFileIsReplacedNotWrittenThrough) {
    const std::string temp = path + ".tmp";
    const fs::path victim = dir / "victim";
    const std::function<bool()> writers[] = {
        [&] {
            return platform::BeginWorkspaceWrite(path.c_str()) && platform::WriteI32(37) &&
                   platform::EndWorkspaceWrite(true);
        },
        [&] { return platform::WriteWholeFile(path.c_str(), "%\0\0\0", 4); },
    };
    for (const auto& write : writers) {
        { std::ofstream(victim) << "someone else's"; }
        fs::remove(path);
        fs::create_symlink(victim, temp);
        ASSERT_TRUE(write());
        EXPECT_EQ(ReadFileText(path), std::string("%\0\0\0", 4));
        EXPECT_FALSE(fs::is_symlink(path));
        EXPECT_FALSE(fs::exists(fs::symlink_status(temp)));
        EXPECT_EQ(ReadFileText(victim), "someone else's");
    }
}

TEST_F(WorkspaceFileTest, NothingIsWrittenOrReadWithoutAnOpenFile) {
    int v = 5;
    EXPECT_EQ(Write(&v, 4), 0);
    EXPECT_EQ(Read(&v, 4), 0);
    EXPECT_NE(FSeek(0, SEEK_SET), 0);
    EXPECT_FALSE(platform::BeginWorkspaceRead((dir / "missing.ulw").string().c_str()));
    EXPECT_FALSE(platform::BeginWorkspaceWrite((dir / "no" / "such" / "dir.ulw").string().c_str()));
    // A file open for reading takes no writes.
    { std::ofstream(path, std::ios::binary) << "abcd"; }
    ASSERT_TRUE(platform::BeginWorkspaceRead(path.c_str()));
    EXPECT_EQ(Write(&v, 4), 0);
    platform::EndWorkspaceRead();
    EXPECT_EQ(ReadFileText(path), "abcd");
}

TEST(PathsTest, JoiningAndStoredPaths) {
    EXPECT_EQ(platform::JoinPath("/a/b", "c.lwo"), "/a/b/c.lwo");
    EXPECT_EQ(platform::JoinPath("/a/b/", "/c.lwo"), "/a/b/c.lwo");
    EXPECT_EQ(platform::JoinPath("", "c.lwo"), "c.lwo");
    EXPECT_EQ(platform::LocalPath("C:\\scenes\\tank\\box.lwo"), "/scenes/tank/box.lwo");
    EXPECT_EQ(platform::LocalPath("objects\\box.lwo"), "objects/box.lwo");
    EXPECT_EQ(platform::BaseName("C:\\scenes\\box.lwo"), "box.lwo");
    EXPECT_EQ(platform::BaseName("/x/y/z.ulw"), "z.ulw");
    EXPECT_FALSE(platform::AppDir().empty());
}

TEST(FormatTest, FixedFieldsAreCopiedUpToTheirEndOrTerminator) {
    char out[8];
    const char unterminated[4] = {'W', 'i', 'n', 'd'};
    platform::CopyField(out, sizeof out, unterminated, sizeof unterminated);
    EXPECT_STREQ(out, "Wind");
    platform::CopyField(out, sizeof out, "Gravity well", 13);
    EXPECT_STREQ(out, "Gravity");  // cut to the destination
    const char early[6] = {'a', 0, 'b', 'c', 'd', 'e'};
    platform::CopyField(out, sizeof out, early, sizeof early);
    EXPECT_STREQ(out, "a");
    platform::CopyField(out, sizeof out, nullptr, 5);
    EXPECT_STREQ(out, "");
}

}  // namespace
