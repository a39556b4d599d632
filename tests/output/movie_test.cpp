// JPEG frames and AVI movies: header bytes, row order, the index, and an independent reader.
#include <gtest/gtest.h>

#include <cstdio>

#include <jpeglib.h>

#include "byte_builder.h"
#include "output/avi_file.h"
#include "output/jpeg_file.h"

namespace {

using output::RgbImage;

// Rows bottom up: the bottom half blue, the top half red.
RgbImage RedOverBlue(int width, int height) {
    RgbImage image;
    image.width = width;
    image.height = height;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool top = y >= height / 2;
            image.pixels.insert(image.pixels.end(), {uint8_t(top ? 255 : 0), 0, uint8_t(top ? 0 : 255)});
        }
    }
    return image;
}

// The first row of a JPEG file as a decoder gives it (the top of the picture).
std::vector<uint8_t> FirstDecodedRow(const std::vector<uint8_t>& jpeg, int* width, int* height) {
    jpeg_decompress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, jpeg.data(), jpeg.size());
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
    *width = static_cast<int>(info.output_width);
    *height = static_cast<int>(info.output_height);
    std::vector<uint8_t> row(info.output_width * info.output_components);
    JSAMPROW r = row.data();
    jpeg_read_scanlines(&info, &r, 1);
    jpeg_abort_decompress(&info);
    jpeg_destroy_decompress(&info);
    return row;
}

// Every value of every quantisation table of a JPEG stream.
std::vector<int> QuantisationValues(const std::vector<uint8_t>& jpeg) {
    std::vector<int> values;
    for (size_t i = 2; i + 4 < jpeg.size();) {
        if (jpeg[i] != 0xFF) break;
        const int marker = jpeg[i + 1];
        const size_t length = static_cast<size_t>(jpeg[i + 2] << 8 | jpeg[i + 3]);
        if (marker == 0xDB) {
            for (size_t k = i + 4; k < i + 2 + length; k += 65) {
                for (size_t q = 1; q <= 64; ++q) values.push_back(jpeg[k + q]);
            }
        }
        if (marker == 0xDA) break;
        i += 2 + length;
    }
    return values;
}

std::string Probe(const std::string& path) {
#ifdef UNDALINE_FFPROBE
    const std::string command = std::string(UNDALINE_FFPROBE) +
                                " -v error -count_frames -select_streams v:0 -show_entries "
                                "stream=codec_name,width,height,nb_read_frames,r_frame_rate -of csv=p=0 '" +
                                path + "'";
    std::string out;
    if (std::FILE* p = popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, p)) out += buffer;
        pclose(p);
    }
    return out;
#else
    (void)path;
    return "no ffprobe";
#endif
}

}  // namespace

TEST(JpegWriter, TopRowFirstAtQualityHundred) {
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(output::EncodeJpeg(RedOverBlue(16, 16), output::kJpegQuality, &bytes));
    ASSERT_GT(bytes.size(), 4u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xD8);
    EXPECT_EQ(bytes[bytes.size() - 2], 0xFF);
    EXPECT_EQ(bytes[bytes.size() - 1], 0xD9);
    int w = 0, h = 0;
    const std::vector<uint8_t> top = FirstDecodedRow(bytes, &w, &h);
    EXPECT_EQ(w, 16);
    EXPECT_EQ(h, 16);
    EXPECT_GT(top[0], 240);
    EXPECT_LT(top[2], 15);
    // Quality 100: every step of every table is 1.
    const std::vector<int> q = QuantisationValues(bytes);
    ASSERT_EQ(q.size(), 128u);
    for (int v : q) EXPECT_EQ(v, 1);
}

TEST(AviWriter, HeaderFramesAndIndexAsLaidOut) {
    TempDir dir;
    const std::string path = dir.File("clip.avi");
    output::AviWriter movie;
    ASSERT_TRUE(movie.Open(path, 3, 2, 0));
    EXPECT_TRUE(std::filesystem::exists(path + ".tmp"));
    EXPECT_FALSE(std::filesystem::exists(path));
    // Bottom row A A A, top row B B B; the second frame the other way round.
    RgbImage frame;
    frame.width = 3;
    frame.height = 2;
    frame.pixels = {1, 2, 3, 1, 2, 3, 1, 2, 3, 4, 5, 6, 4, 5, 6, 4, 5, 6};
    ASSERT_TRUE(movie.AddFrame(frame));
    std::swap_ranges(frame.pixels.begin(), frame.pixels.begin() + 9, frame.pixels.begin() + 9);
    ASSERT_TRUE(movie.AddFrame(frame));
    ASSERT_TRUE(movie.Close());
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));

    const uint32_t frame_bytes = 24;  // rows of 9 bytes padded to 12
    const uint32_t movi = 4 + 2 * (8 + frame_bytes);
    const uint32_t total = 224 + 2 * (8 + frame_bytes) + 8 + 32;
    Bytes want;
    want.Text("RIFF").U32(total - 8).Text("AVI ");
    want.Text("LIST").U32(192).Text("hdrl");
    // The suggested buffer holds the largest frame.
    want.Text("avih").U32(56).U32(40000).U32(24 * 25).U32(0).U32(0x10).U32(2).U32(0).U32(1).U32(24).U32(3).U32(2);
    want.U32(0).U32(0).U32(0).U32(0);
    want.Text("LIST").U32(116).Text("strl");
    want.Text("strh").U32(56).Text("vids").Text("DIB ").U32(0).U16(0).U16(0).U32(0).U32(1).U32(25).U32(0).U32(2);
    want.U32(24).U32(10000).U32(0).U16(0).U16(0).U16(3).U16(2);
    want.Text("strf").U32(40).U32(40).I32(3).I32(2).U16(1).U16(24).U32(0).U32(frame_bytes).I32(2952).I32(2952);
    want.U32(0).U32(0);
    want.Text("LIST").U32(movi).Text("movi");
    const Bytes rows_a = Bytes().U8(3).U8(2).U8(1).U8(3).U8(2).U8(1).U8(3).U8(2).U8(1).U8(0).U8(0).U8(0);
    const Bytes rows_b = Bytes().U8(6).U8(5).U8(4).U8(6).U8(5).U8(4).U8(6).U8(5).U8(4).U8(0).U8(0).U8(0);
    want.Text("00db").U32(frame_bytes).Append(rows_a).Append(rows_b);
    want.Text("00db").U32(frame_bytes).Append(rows_b).Append(rows_a);
    want.Text("idx1").U32(32);
    want.Text("00db").U32(0x10).U32(4).U32(frame_bytes);
    want.Text("00db").U32(0x10).U32(4 + 8 + frame_bytes).U32(frame_bytes);
    EXPECT_EQ(ReadFileBytes(path), want.b);
}

TEST(AviWriter, MotionJpegFramesPlayInAnIndependentReader) {
    TempDir dir;
    const std::string path = dir.File("mjpeg.avi");
    {
        output::AviWriter movie;
        ASSERT_TRUE(movie.Open(path, 64, 48, 90));
        for (int i = 0; i < 3; ++i) ASSERT_TRUE(movie.AddFrame(RedOverBlue(64, 48)));
        // A picture of another size still makes a frame of the movie's.
        ASSERT_TRUE(movie.AddFrame(RedOverBlue(40, 60)));
        EXPECT_EQ(movie.Frames(), 4);
    }  // closed by going away
    const std::vector<uint8_t> bytes = ReadFileBytes(path);
    ASSERT_GT(bytes.size(), 240u);
    EXPECT_EQ(std::string(bytes.begin() + 108, bytes.begin() + 116), "vidsMJPG");
    EXPECT_EQ(std::string(bytes.begin() + 224, bytes.begin() + 228), "00dc");
#ifdef UNDALINE_FFPROBE
    EXPECT_EQ(Probe(path), "mjpeg,64,48,25/1,4\n");
#endif
}
