#include "platform/workspace_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

#include "platform/endian.h"
#include "platform/whole_file.h"

namespace platform {
namespace {

enum class Mode { kClosed, kWriting, kReading };

struct CurrentFile {
    std::FILE* file = nullptr;
    Mode mode = Mode::kClosed;
    bool failed = false;
    std::string target;
    std::string temp;
    // A memory stream: what it has written so far.
    char* memory = nullptr;
    size_t memory_size = 0;
};

CurrentFile g_current;

void CloseAny() {
    if (g_current.file) std::fclose(g_current.file);
    std::free(g_current.memory);
    g_current = CurrentFile{};
}

// Whatever was open before goes; an unfinished file write leaves no temporary file.
void EndAny() {
    if (g_current.mode == Mode::kWriting && !g_current.target.empty()) EndWorkspaceWrite(false);
    CloseAny();
}

}  // namespace

bool BeginWorkspaceWrite(const char* path) {
    EndAny();
    if (!path || !*path) return false;
    std::string temp;
    std::FILE* f = CreateTempBeside(path, &temp);
    if (!f) return false;
    g_current.file = f;
    g_current.mode = Mode::kWriting;
    g_current.target = path;
    g_current.temp = temp;
    return true;
}

bool EndWorkspaceWrite(bool keep) {
    if (g_current.mode != Mode::kWriting || g_current.target.empty()) return false;
    bool ok = keep && !g_current.failed;
    if (std::fflush(g_current.file) != 0) ok = false;
    if (ok && fsync(fileno(g_current.file)) != 0) ok = false;
    if (std::fclose(g_current.file) != 0) ok = false;
    g_current.file = nullptr;
    if (ok) ok = std::rename(g_current.temp.c_str(), g_current.target.c_str()) == 0;
    if (!ok) std::remove(g_current.temp.c_str());
    g_current = CurrentFile{};
    return ok;
}

bool BeginWorkspaceRead(const char* path) {
    EndAny();
    if (!path || !*path) return false;
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    g_current.file = f;
    g_current.mode = Mode::kReading;
    g_current.target = path;
    return true;
}

void EndWorkspaceRead() {
    if (g_current.mode == Mode::kReading) CloseAny();
}

bool BeginWorkspaceWriteMemory() {
    EndAny();
    std::FILE* f = open_memstream(&g_current.memory, &g_current.memory_size);
    if (!f) return false;
    g_current.file = f;
    g_current.mode = Mode::kWriting;
    return true;
}

bool EndWorkspaceWriteMemory(std::vector<uint8_t>* bytes) {
    if (g_current.mode != Mode::kWriting || !g_current.target.empty()) return false;
    bool ok = !g_current.failed && std::fclose(g_current.file) == 0;
    g_current.file = nullptr;
    if (ok && bytes) {
        const auto* p = reinterpret_cast<const uint8_t*>(g_current.memory);
        bytes->assign(p, p + g_current.memory_size);
    }
    CloseAny();
    return ok;
}

bool BeginWorkspaceReadMemory(const std::vector<uint8_t>& bytes) {
    EndAny();
    if (bytes.empty()) return false;
    std::FILE* f = fmemopen(const_cast<uint8_t*>(bytes.data()), bytes.size(), "rb");
    if (!f) return false;
    g_current.file = f;
    g_current.mode = Mode::kReading;
    return true;
}

bool WorkspaceFileOpen() { return g_current.file != nullptr; }
bool WorkspaceFileFailed() { return g_current.failed; }
long WorkspaceTell() { return g_current.file ? std::ftell(g_current.file) : -1; }

long WorkspaceRemaining() {
    if (!g_current.file) return 0;
    const long here = std::ftell(g_current.file);
    if (here < 0 || std::fseek(g_current.file, 0, SEEK_END) != 0) return 0;
    const long end = std::ftell(g_current.file);
    std::fseek(g_current.file, here, SEEK_SET);
    return end > here ? end - here : 0;
}

bool WriteU8(uint8_t v) { return Write(&v, 1) == 1; }
bool WriteI32(int32_t v) { return WriteU32(static_cast<uint32_t>(v)); }
bool WriteU32(uint32_t v) {
    uint8_t b[4];
    PutU32LE(b, v);
    return Write(b, 4) == 4;
}
bool WriteF32(float v) {
    uint8_t b[4];
    PutF32LE(b, v);
    return Write(b, 4) == 4;
}
bool WriteF64(double v) {
    uint8_t b[8];
    PutF64LE(b, v);
    return Write(b, 8) == 8;
}

bool ReadU8(uint8_t* v) { return Read(v, 1) == 1; }
bool ReadI32(int32_t* v) {
    uint32_t u;
    if (!ReadU32(&u)) return false;
    *v = static_cast<int32_t>(u);
    return true;
}
bool ReadU32(uint32_t* v) {
    uint8_t b[4];
    if (Read(b, 4) != 4) return false;
    *v = GetU32LE(b);
    return true;
}
bool ReadF32(float* v) {
    uint8_t b[4];
    if (Read(b, 4) != 4) return false;
    *v = GetF32LE(b);
    return true;
}
bool ReadF64(double* v) {
    uint8_t b[8];
    if (Read(b, 8) != 8) return false;
    *v = GetF64LE(b);
    return true;
}

}  // namespace platform

int Write(const void* data, int size) {
    using platform::g_current;
    if (g_current.mode != platform::Mode::kWriting || !data || size <= 0) return 0;
    size_t n = std::fwrite(data, 1, static_cast<size_t>(size), g_current.file);
    if (n != static_cast<size_t>(size)) g_current.failed = true;
    return static_cast<int>(n);
}

int Read(void* data, int size) {
    using platform::g_current;
    if (g_current.mode != platform::Mode::kReading || !data || size <= 0) return 0;
    size_t n = std::fread(data, 1, static_cast<size_t>(size), g_current.file);
    if (n != static_cast<size_t>(size)) g_current.failed = true;
    return static_cast<int>(n);
}

int FSeek(long offset, int origin) {
    using platform::g_current;
    if (!g_current.file) return -1;
    return std::fseek(g_current.file, offset, origin);
}
