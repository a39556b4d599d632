// Targa files: the bytes the writer makes, and the reader on files of every kind it takes
// and on broken ones.
#include <gtest/gtest.h>

#include "byte_builder.h"
#include "output/targa_file.h"
#include "platform/messages.h"

namespace {

using output::RgbImage;

struct Px {
    uint8_t r, g, b;
};

// An image from rows given bottom row first.
RgbImage Image(const std::vector<std::vector<Px>>& rows) {
    RgbImage image;
    image.width = static_cast<int>(rows[0].size());
    image.height = static_cast<int>(rows.size());
    for (const auto& row : rows) {
        for (const Px& p : row) image.pixels.insert(image.pixels.end(), {p.r, p.g, p.b});
    }
    return image;
}

Bytes Header(int type, int width, int height, int depth, int descriptor = 0) {
    Bytes h;
    h.U8(0).U8(0).U8(static_cast<uint8_t>(type)).U16(0).U16(0).U8(0).U16(0).U16(0);
    return h.U16(static_cast<uint16_t>(width)).U16(static_cast<uint16_t>(height)).U8(static_cast<uint8_t>(depth)).U8(
        static_cast<uint8_t>(descriptor));
}

Bytes& Bgr(Bytes& b, Px p) { return b.U8(p.b).U8(p.g).U8(p.r); }

const Px A{10, 20, 30}, B{40, 50, 60}, C{70, 80, 90}, D{1, 2, 3}, E{4, 5, 6}, F{7, 8, 9}, G{11, 12, 13};

}  // namespace

TEST(TargaWriter, RowsGoBottomUpEachInRunAndRawPacketsOfBlueGreenRed) {
    // Bottom row: a run of three, then two different pixels; top row: two, a run of two, one.
    const RgbImage image = Image({{A, A, A, B, C}, {D, E, F, F, G}});
    Bytes want = Header(10, 5, 2, 24);
    want.U8(0x82);
    Bgr(want, A).U8(0x01);
    Bgr(Bgr(want, B), C).U8(0x01);
    Bgr(Bgr(want, D), E).U8(0x81);
    Bgr(want, F).U8(0x00);
    Bgr(want, G);
    EXPECT_EQ(output::EncodeTarga(image), want.b);
}

TEST(TargaWriter, LongRowsSplitIntoPacketsOf128) {
    const struct {
        const char* what;
        std::vector<Px> row;
        std::vector<std::pair<uint8_t, int>> packets;  // head byte, pixels that follow
    } cases[] = {
        {"300 identical pixels", std::vector<Px>(300, A), {{0xFF, 1}, {0xFF, 1}, {0x80 | 43, 1}}},
        {"130 pixels, no two neighbours equal", {}, {{0x7F, 128}, {0x01, 2}}},
    };
    for (auto c : cases) {
        if (c.row.empty()) {
            for (int i = 0; i < 130; ++i) c.row.push_back(i % 2 ? A : B);
        }
        const std::vector<uint8_t> bytes = output::EncodeTarga(Image({c.row}));
        size_t at = 18;
        for (const auto& [head, pixels] : c.packets) {
            ASSERT_LT(at, bytes.size()) << c.what;
            EXPECT_EQ(bytes[at], head) << c.what;
            at += 1 + 3 * static_cast<size_t>(pixels);
        }
        EXPECT_EQ(at, bytes.size()) << c.what;
    }

    // Runs and raw packets read back as written.
    TempDir dir;
    std::vector<Px> row;
    for (int i = 0; i < 200; ++i) row.push_back(i < 90 || i > 150 ? A : (i % 3 ? B : C));
    const RgbImage image = Image({row, std::vector<Px>(200, D), row});
    ASSERT_TRUE(output::WriteTarga(dir.File("round.tga").c_str(), image));
    EXPECT_FALSE(std::filesystem::exists(dir.File("round.tga.tmp")));
    RgbImage back;
    ASSERT_TRUE(output::ReadTarga(dir.File("round.tga").c_str(), &back));
    EXPECT_EQ((std::vector<int>{back.width, back.height, back.channels}), (std::vector<int>{200, 3, 3}));
    EXPECT_EQ(back.pixels, image.pixels);
}

TEST(TargaReader, TakesEveryKindItKnowsRowsAlwaysBottomUp) {
    // Uncompressed, top row first, behind an image id and a map of two 24-bit entries.
    Bytes top_first = Header(2, 2, 2, 24, 0x20);
    top_first.b[0] = 3;  // id length
    top_first.b[1] = 1;  // map type
    top_first.b[5] = 2;  // map length
    top_first.b[7] = 24;
    top_first.Text("ID!").U32(0xAAAAAA).U16(0xAAAA);
    Bgr(Bgr(top_first, A), B);
    Bgr(Bgr(top_first, C), D);

    Bytes grey_rle = Header(11, 3, 1, 8);
    grey_rle.U8(0x81).U8(200).U8(0x00).U8(7);

    Bytes packed16 = Header(2, 1, 1, 16);
    packed16.U16(static_cast<uint16_t>((31 << 10) | (16 << 5) | 1));

    Bytes alpha = Header(10, 2, 1, 32);
    alpha.U8(0x81).U8(3).U8(2).U8(1).U8(99);

    const struct {
        const char* what;
        Bytes file;
        int channels;
        std::vector<uint8_t> pixels;
    } cases[] = {
        {"top-down 24-bit", top_first, 3, {70, 80, 90, 1, 2, 3, 10, 20, 30, 40, 50, 60}},
        {"grey, run-length", grey_rle, 1, {200, 200, 7}},
        {"16-bit colours", packed16, 3, {255, 132, 8}},
        {"32-bit with alpha", alpha, 4, {1, 2, 3, 99, 1, 2, 3, 99}},
    };
    for (const auto& c : cases) {
        RgbImage image;
        ASSERT_TRUE(output::DecodeTarga(c.file.b.data(), c.file.size(), &image)) << c.what;
        EXPECT_EQ(image.channels, c.channels) << c.what;
        EXPECT_EQ(image.pixels, c.pixels) << c.what;
    }
}

TEST(TargaReader, RefusesWhatItCannotReadWithItsMessageAndKeepsTheImage) {
    Bytes colour_mapped = Header(1, 1, 1, 8);
    colour_mapped.U8(0);
    Bytes bad_map = Header(2, 1, 1, 24);
    bad_map.b[5] = 1;
    bad_map.b[7] = 12;
    Bytes cut_run = Header(10, 4, 1, 24);
    cut_run.U8(0x83).U8(1);
    Bytes huge = Header(2, 60000, 60000, 24);
    huge.U32(0);
    Bytes odd_depth = Header(2, 1, 1, 12);
    odd_depth.U16(0);
    const struct {
        const char* what;
        Bytes file;
        const char* message;
    } cases[] = {
        {"colour-mapped", colour_mapped, "Error TARGA: tipo es 1, solo tipos 2, 3, 10 y 11\n"},
        {"map entries of 12 bits", bad_map, "runlen: bad map entry size 12\n"},
        {"a run cut short", cut_run, "fromtarga: read error on input\n"},
        {"a size no file of this length holds", huge, "fromtarga: read error on input\n"},
        {"a header alone", Header(2, 1, 1, 24), "fromtarga: read error on input\n"},
        {"12 bits a pixel", odd_depth, "Targa files with 12 bits per pixel are not read"},
    };
    for (const auto& c : cases) {
        platform::ResetMessages();
        RgbImage image;
        image.width = 7;
        EXPECT_FALSE(output::DecodeTarga(c.file.b.data(), c.file.size(), &image)) << c.what;
        EXPECT_EQ(platform::StatusText(), c.message) << c.what;
        EXPECT_EQ(image.width, 7) << c.what;
    }
    platform::ResetMessages();
    RgbImage image;
    EXPECT_FALSE(output::ReadTarga("/nonexistent/texture.tga", &image));
    EXPECT_EQ(platform::StatusText(), "Error opening targa file: /nonexistent/texture.tga");
    EXPECT_EQ(platform::StatusColour(), platform::kStatusRed);
}
