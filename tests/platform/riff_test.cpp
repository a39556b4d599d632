#include "platform/riff.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "byte_builder.h"

namespace {

using platform::FourCC;
using platform::RiffChunk;
using platform::RiffResult;

// A body of chunks, each padded to an even size, with its true size unless told otherwise.
struct File : Bytes {
    File& Chunk(const char* id, const std::string& data, uint32_t declared = UINT32_MAX) {
        Text(id).U32(declared == UINT32_MAX ? static_cast<uint32_t>(data.size()) : declared);
        b.insert(b.end(), data.begin(), data.end());
        Zeros(data.size() % 2);
        return *this;
    }
};

class RiffTest : public ::testing::Test {
  protected:
    // A RIFF file of form `form` around body, with its true size unless told otherwise.
    void Save(const char* form, const File& body, int64_t size_delta = 0) {
        Bytes f;
        f.Text("RIFF").U32(static_cast<uint32_t>(4 + body.size() + size_delta)).Text(form);
        WriteFileBytes(path, f.Append(body).b);
    }
    TempDir scratch;
    const std::string path = scratch.File("sound.wav");
    platform::RiffReader riff;
};

TEST_F(RiffTest, ChunksAreFoundPastOddSizedOnesAndReadWithinThemselves) {
    File body;
    body.Chunk("junk", "abc").Chunk("LIST", "INFOxy").Chunk("data", "hello!");
    Save("WAVE", body);
    ASSERT_TRUE(riff.Open(path.c_str()));
    RiffChunk top;
    ASSERT_EQ(riff.DescendFirst(&top), RiffResult::kOk);
    EXPECT_EQ(top.id, platform::kRiffId);
    EXPECT_EQ(top.form, FourCC('W', 'A', 'V', 'E'));
    EXPECT_EQ(top.data, 12u);
    EXPECT_EQ(top.end, riff.FileSize());

    RiffChunk list;
    ASSERT_EQ(riff.FindChunk(top, platform::kListId, &list), RiffResult::kOk);
    EXPECT_EQ(list.form, FourCC('I', 'N', 'F', 'O'));
    EXPECT_EQ(list.end - list.data, 2u);

    RiffChunk data;
    ASSERT_EQ(riff.FindChunk(top, FourCC('d', 'a', 't', 'a'), &data), RiffResult::kOk);
    EXPECT_EQ(data.size, 6u);
    char text[7] = {};
    ASSERT_TRUE(riff.ReadChunk(data, 0, text, 6));
    EXPECT_STREQ(text, "hello!");
    ASSERT_TRUE(riff.ReadChunk(data, 4, text, 2));
    EXPECT_EQ(std::string(text, 2), "o!");
    EXPECT_FALSE(riff.ReadChunk(data, 4, text, 3));  // past the chunk's end
    EXPECT_FALSE(riff.ReadChunk(data, 7, text, 0));

    RiffChunk none;
    EXPECT_EQ(riff.FindChunk(top, FourCC('f', 'm', 't', ' '), &none), RiffResult::kNotFound);
}

TEST_F(RiffTest, SizesBeyondTheirContainerAreNeverTrusted) {
    File body;
    body.Chunk("fmt ", "0123456789abcdef").Chunk("data", "xy", 1000);
    Save("WAVE", body);  // the RIFF size is right; the data chunk claims too much
    ASSERT_TRUE(riff.Open(path.c_str()));
    RiffChunk top, c;
    ASSERT_EQ(riff.DescendFirst(&top), RiffResult::kOk);
    EXPECT_EQ(riff.FindChunk(top, FourCC('f', 'm', 't', ' '), &c), RiffResult::kOk);
    EXPECT_EQ(riff.FindChunk(top, FourCC('d', 'a', 't', 'a'), &c), RiffResult::kTruncated);
    EXPECT_EQ(c.size, 1000u);
    // Looking for a chunk behind the broken one cannot go on.
    EXPECT_EQ(riff.FindChunk(top, FourCC('c', 'u', 'e', ' '), &c), RiffResult::kBroken);

    // A RIFF chunk claiming more than the file.
    Save("WAVE", body, 1);
    ASSERT_TRUE(riff.Open(path.c_str()));
    EXPECT_EQ(riff.DescendFirst(&top), RiffResult::kTruncated);

    // A file too short for a chunk header.
    std::ofstream(path, std::ios::binary).write("RIFF", 4);
    ASSERT_TRUE(riff.Open(path.c_str()));
    EXPECT_EQ(riff.DescendFirst(&top), RiffResult::kReadError);
    EXPECT_FALSE(riff.Open((path + ".missing").c_str()));
}

}  // namespace
