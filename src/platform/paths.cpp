#include "platform/paths.h"

#include <cctype>
#include <filesystem>
#include <mutex>

namespace platform {
namespace {

std::mutex g_mutex;
std::string g_appdir;

std::string ExecutableDir() {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec && exe.has_parent_path()) return exe.parent_path().string();
    std::filesystem::path cwd = std::filesystem::current_path(ec);
    return ec ? std::string(".") : cwd.string();
}

}  // namespace

std::string JoinPath(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    if (name.empty()) return dir;
    bool dir_sep = dir.back() == '/';
    bool name_sep = name.front() == '/';
    if (dir_sep && name_sep) return dir + name.substr(1);
    if (dir_sep || name_sep) return dir + name;
    return dir + "/" + name;
}

std::string LocalPath(const std::string& stored) {
    std::string out = stored;
    if (out.size() >= 2 && out[1] == ':' && std::isalpha(static_cast<unsigned char>(out[0]))) {
        out.erase(0, 2);
    }
    for (char& c : out) {
        if (c == '\\') c = '/';
    }
    return out;
}

std::string BaseName(const std::string& path) {
    size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string AppDir() {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_appdir.empty()) g_appdir = ExecutableDir();
    return g_appdir;
}

void SetAppDir(const std::string& dir) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_appdir = dir;
}

}  // namespace platform
