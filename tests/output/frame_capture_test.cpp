// What a captured frame becomes: names chosen in the "Save images" dialog, the files of a
// sequence, the movie.
#include <gtest/gtest.h>

#include "byte_builder.h"
#include "output/frame_capture.h"
#include "output/targa_file.h"
#include "platform/format.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "scene/view_settings.h"

namespace {

class FrameCapture : public ::testing::Test {
protected:
    void SetUp() override {
        image_output = ImageOutput{};
        platform::ResetMessages();
    }
    void TearDown() override {
        output::CloseMovie();
        image_output = ImageOutput{};
    }
    TempDir dir_;
};

output::RgbImage Grey(int width, int height, uint8_t level) {
    output::RgbImage image;
    image.width = width;
    image.height = height;
    image.pixels.assign(static_cast<size_t>(width * height * 3), level);
    return image;
}

}  // namespace

TEST_F(FrameCapture, TheChosenNameGivesTypeSequenceAndDirectory) {
    const struct {
        const char* chosen;
        bool taken;
        int type;
        const char* sequence;
        const char* directory;
    } cases[] = {
        {"/renders/splash.TGA", true, kImageTarga, "splash", "/renders"},
        {"/renders/drop.jpg", true, kImageJpeg, "drop", "/renders"},
        {"/movies/take.Avi", true, kImageAvi, "take", "/movies"},
        {"/renders/still.png", false, kImageTarga, "frame", ""},
        {"/renders.tga/noext", false, kImageTarga, "frame", ""},
    };
    for (const auto& c : cases) {
        image_output = ImageOutput{};
        EXPECT_EQ(output::ChooseImageSequence(c.chosen), c.taken) << c.chosen;
        EXPECT_EQ(image_output.file_type, c.type) << c.chosen;
        EXPECT_STREQ(image_output.sequence, c.sequence) << c.chosen;
        EXPECT_STREQ(image_output.directory, c.directory) << c.chosen;
    }
    // A longer name keeps its first 49 characters.
    ASSERT_TRUE(output::ChooseImageSequence("/r/" + std::string(60, 'n') + ".tga"));
    EXPECT_EQ(std::string(image_output.sequence), std::string(49, 'n'));
}

TEST_F(FrameCapture, SequenceFilesAreNumberedWithFiveDigits) {
    ASSERT_TRUE(output::ChooseImageSequence(dir_.File("drop.tga")));
    EXPECT_EQ(output::FrameFileName(7), dir_.File("drop00007.tga"));
    ASSERT_TRUE(output::SaveFrame(Grey(4, 3, 90), 7));
    output::RgbImage back;
    ASSERT_TRUE(output::ReadTarga(dir_.File("drop00007.tga").c_str(), &back));
    EXPECT_EQ(back.pixels, Grey(4, 3, 90).pixels);

    ASSERT_TRUE(output::ChooseImageSequence(dir_.File("drop.jpg")));
    ASSERT_TRUE(output::SaveFrame(Grey(4, 3, 90), 12));
    const std::vector<uint8_t> jpeg = ReadFileBytes(dir_.File("drop00012.jpg"));
    ASSERT_GT(jpeg.size(), 2u);
    EXPECT_EQ(jpeg[0], 0xFF);
    EXPECT_EQ(jpeg[1], 0xD8);

    // Without a directory the frames go where the program is.
    image_output.directory[0] = '\0';
    EXPECT_EQ(output::FrameFileName(3), platform::JoinPath(platform::AppDir(), "drop00003.jpg"));

    // A type the program does not know writes nothing.
    ASSERT_TRUE(output::ChooseImageSequence(dir_.File("odd.tga")));
    image_output.file_type = 5;
    EXPECT_FALSE(output::SaveFrame(Grey(2, 2, 1), 0));
    EXPECT_EQ(platform::StatusText(), "Unknown output file");
    EXPECT_EQ(platform::StatusColour(), platform::kStatusRed);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 2);
}

TEST_F(FrameCapture, FloatsBecomeBytesByTruncation) {
    // 0.5 × 255 = 127.5 truncates to 127; every byte value read as a float comes back whole.
    std::vector<float> rgb = {0.5f, 1.0f, 0.0f};
    for (int v = 0; v < 256; ++v) rgb.push_back(static_cast<float>(v) / 255.0f);
    rgb.resize(3 * 86, 0.0f);
    output::RgbImage image;
    ASSERT_TRUE(output::ImageFromFloats(rgb.data(), 86, 1, &image));
    EXPECT_EQ(image.pixels[0], 127);
    EXPECT_EQ(image.pixels[1], 255);
    for (int v = 0; v < 255; ++v) EXPECT_EQ(image.pixels[3 + v], v);
}

TEST_F(FrameCapture, AnAviSequenceAppendsToOneMovieUntilItIsClosed) {
    ASSERT_TRUE(output::ChooseImageSequence(dir_.File("take.avi")));
    EXPECT_FALSE(output::MovieOpen());
    // A frame with no movie open opens one at its size.
    for (int f = 0; f < 3; ++f) ASSERT_TRUE(output::SaveFrame(Grey(8, 6, static_cast<uint8_t>(40 * f)), f));
    EXPECT_TRUE(output::MovieOpen());
    EXPECT_EQ(output::MovieFrames(), 3);
    EXPECT_FALSE(std::filesystem::exists(dir_.File("take.avi")));
    ASSERT_TRUE(output::CloseMovie());
    EXPECT_FALSE(output::MovieOpen());
    const std::vector<uint8_t> bytes = ReadFileBytes(dir_.File("take.avi"));
    ASSERT_GT(bytes.size(), 56u);
    EXPECT_EQ(bytes[48], 3);  // frames in the main header
    EXPECT_EQ(platform::StatusText(), platform::Format(" %s saved (3 frames)", dir_.File("take.avi").c_str()));
}
