#include "objects/object_files.h"

#include <atomic>
#include <mutex>

#include "objects/body.h"
#include "platform/file_dialog.h"
#include "platform/format.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/whole_file.h"

namespace {

std::mutex g_mutex;
std::atomic<const char* (*)()> g_directory_source{nullptr};
FileNotFoundHandler g_handler = nullptr;
int g_preset = kFileSkip;
std::atomic<int> g_shown{0};

int AskFileNotFound(const std::string& path) {
    const std::string text = platform::Format("File not found: %s", path.c_str());
    ++g_shown;
    FileNotFoundHandler handler;
    int preset;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        handler = g_handler;
        preset = g_preset;
    }
    if (handler) return handler(text.c_str());
    platform::LogLine(platform::Format(" File not found: %s", path.c_str()).c_str());
    return preset;
}

}  // namespace

int FileTypeOfPath(const char* path) {
    if (!path) return kTypeUnknown;
    // The extension is what follows the last dot of the file name itself.
    const std::string base = platform::BaseName(path);
    const size_t dot = base.rfind('.');
    if (dot == std::string::npos) return kTypeUnknown;
    const char* ext = base.c_str() + dot + 1;
    static const struct {
        const char* ext;
        int type;
    } kTypes[] = {{"asc", kTypeAsc}, {"lwo", kTypeLwo}, {"obj", kTypeObj}, {"dxf", kTypeDxf},
                  {"sd", kTypeSd},   {"lws", kTypeLws}, {"3ds", kType3ds}, {"ase", kTypeAse}};
    for (const auto& t : kTypes) {
        if (platform::EqualsIgnoringCase(ext, t.ext)) return t.type;
    }
    return kTypeUnknown;
}

const char* ImportObjectFilter(int family) {
    switch (family) {
        case 2:
            return "Ascii object (*.asc)|*.asc|Lightwave object (*.lwo)|*.lwo|Wavefront object "
                   "(*.obj)|*.obj|AutoCad DXF file (*.dxf)|*.dxf|";
        case 3:
            return "Wavefront object (*.obj)|*.obj|Lightwave object (*.lwo)|*.lwo|Ascii object "
                   "(*.asc)|*.asc|AutoCad DXF file (*.dxf)|*.dxf|";
        default:
            return "Lightwave 5.x/6 object (*.lwo)|*.lwo|Ascii object (*.asc)|*.asc|Wavefront "
                   "object (*.obj)|*.obj|AutoCad DXF file (*.dxf)|*.dxf|";
    }
}

const char* SingleTypeFilter(int type) {
    switch (type) {
        case kTypeAsc:
            return "Ascii object (*.asc)|*.asc|";
        case kTypeLwo:
            return "Lightwave object (*.lwo)|*.lwo|";
        case kTypeObj:
            return "Wavefront object (*.obj)|*.obj|";
        case kTypeDxf:
            return "AutoCad DXF file (*.dxf)|*.dxf|";
        default:
            return "";
    }
}

std::string ObjectsDirectory() {
    const char* (*source)() = g_directory_source.load();
    const char* dir = source ? source() : nullptr;
    return dir && *dir ? std::string(dir) : platform::JoinPath(platform::AppDir(), "objects");
}

void SetObjectsDirectorySource(const char* (*source)()) {
    g_directory_source.store(source);
}

void SetFileNotFoundHandler(FileNotFoundHandler handler) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_handler = handler;
}

void SetFileNotFoundAnswer(int answer) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_preset = answer;
}

int FileNotFoundCount() {
    return g_shown.load();
}

void ResetFileNotFound() {
    g_shown = 0;
    std::lock_guard<std::mutex> lock(g_mutex);
    g_preset = kFileSkip;
}

bool LocateObjectFile(std::string* path, std::string* name, int type) {
    if (platform::CanReadFile(path->c_str())) return true;
    if (AskFileNotFound(*path) != kFileChooseAnother) return false;
    const std::string chosen = platform::OpenFileDialog("Import Object", SingleTypeFilter(type),
                                                        ObjectsDirectory().c_str());
    if (chosen.empty()) return false;
    *path = chosen;
    *name = platform::BaseName(chosen);
    return true;
}

bool LoadObjectFile(Body* b, int type, const char* path, const char* name) {
    if (!b) return false;
    switch (type) {
        case kTypeAsc:
            return b->LoadAsc(path, name);
        case kTypeLwo:
            return b->LoadLwo(path, name);
        case kTypeObj:
            return b->LoadObj(path, name);
        case kTypeDxf:
            return b->LoadDxf(path, name);
        default:
            return false;
    }
}
