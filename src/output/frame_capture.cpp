#include "output/frame_capture.h"

#include <cctype>
#include <filesystem>
#include <mutex>

#include "output/avi_file.h"
#include "output/jpeg_file.h"
#include "output/targa_file.h"
#include "platform/format.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "scene/view_settings.h"

namespace output {
namespace {

std::mutex g_movie_mutex;
AviWriter g_movie;
int g_default_quality = 0;

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Directory() {
    return image_output.directory[0] ? std::string(image_output.directory) : platform::AppDir();
}

void MakeDirectory() {
    std::error_code ec;
    std::filesystem::create_directories(Directory(), ec);
}

bool AddMovieFrame(const RgbImage& image) {
    std::lock_guard<std::mutex> lock(g_movie_mutex);
    if (!g_movie.IsOpen()) {
        MakeDirectory();
        if (!g_movie.Open(MovieFileName(), image.width, image.height, g_default_quality)) {
            RedWarning(platform::Format("File write error: %s", MovieFileName().c_str()).c_str());
            return false;
        }
        BlueWarning(platform::Format(" AVI file opened: %s", g_movie.Path().c_str()).c_str());
    }
    const bool was_full = g_movie.Full();
    if (g_movie.AddFrame(image)) return true;
    if (!was_full) {
        RedWarning(platform::Format(" The AVI file %s is full: frame %d and later ones are not in it",
                                    g_movie.Path().c_str(), g_movie.Frames())
                       .c_str());
    }
    return false;
}

}  // namespace

int ImageTypeOfName(const std::string& path) {
    const size_t dot = path.rfind('.');
    const size_t slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return 0;
    const std::string ext = Lower(path.substr(dot + 1));
    if (ext == "tga") return kImageTarga;
    if (ext == "jpg") return kImageJpeg;
    if (ext == "avi") return kImageAvi;
    return 0;
}

bool ChooseImageSequence(const std::string& path) {
    const int type = ImageTypeOfName(path);
    if (type == 0) return false;
    const std::filesystem::path p(path);
    const std::string dir = p.parent_path().string();
    const std::string name = p.filename().string();
    if (dir.size() >= sizeof image_output.directory || name.size() < 4) return false;
    platform::CopyText(image_output.directory, sizeof image_output.directory, dir.c_str());
    platform::CopyText(image_output.sequence, sizeof image_output.sequence, name.substr(0, name.size() - 4).c_str());
    image_output.file_type = type;
    return true;
}

std::string FrameFileName(int frame) {
    const char* ext = image_output.file_type == kImageJpeg ? "jpg" : "tga";
    return platform::JoinPath(Directory(), platform::Format("%s%05d.%s", image_output.sequence, frame, ext));
}

std::string MovieFileName() {
    return platform::JoinPath(Directory(), std::string(image_output.sequence) + ".avi");
}

bool OpenMovie(int width, int height, int jpeg_quality) {
    std::lock_guard<std::mutex> lock(g_movie_mutex);
    if (g_movie.IsOpen()) g_movie.Close();
    MakeDirectory();
    return g_movie.Open(MovieFileName(), width, height, jpeg_quality);
}

bool MovieOpen() {
    std::lock_guard<std::mutex> lock(g_movie_mutex);
    return g_movie.IsOpen();
}

bool CloseMovie() {
    std::lock_guard<std::mutex> lock(g_movie_mutex);
    if (!g_movie.IsOpen()) return false;
    const std::string path = g_movie.Path();
    const int frames = g_movie.Frames();
    if (!g_movie.Close()) {
        RedWarning(platform::Format("File write error: %s", path.c_str()).c_str());
        return false;
    }
    BlueWarning(platform::Format(" %s saved (%d frame%s)", path.c_str(), frames, frames == 1 ? "" : "s").c_str());
    return true;
}

int MovieFrames() {
    std::lock_guard<std::mutex> lock(g_movie_mutex);
    return g_movie.IsOpen() ? g_movie.Frames() : 0;
}

void SetDefaultMovieQuality(int jpeg_quality) {
    g_default_quality = jpeg_quality < 0 ? 0 : (jpeg_quality > 100 ? 100 : jpeg_quality);
}
int DefaultMovieQuality() { return g_default_quality; }

bool SaveFrame(const RgbImage& image, int frame) {
    switch (image_output.file_type) {
        case kImageAvi: return AddMovieFrame(image);
        case kImageTarga: MakeDirectory(); return WriteTarga(FrameFileName(frame).c_str(), image);
        case kImageJpeg: MakeDirectory(); return WriteJpeg(FrameFileName(frame).c_str(), image);
        default: RedWarning("Unknown output file"); return false;
    }
}

bool SaveCapturedFrame(const float* rgb, int width, int height, int frame) {
    RgbImage image;
    if (!ImageFromFloats(rgb, width, height, &image)) {
        RedWarning("ERROR MALLOC");
        return false;
    }
    return SaveFrame(image, frame);
}

}  // namespace output
