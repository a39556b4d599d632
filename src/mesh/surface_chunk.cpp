#include "mesh/surface_chunk.h"

#include <cstring>

#include "platform/endian.h"

namespace surface_chunk {
namespace {

constexpr size_t kNameChars = 50;
constexpr char kShaderName[] = "Undaline_shader";

const uint8_t* At(const void* chunk) {
    return static_cast<const uint8_t*>(chunk);
}

// Keeps a chunk an even number of bytes long with its size field counting them all, as IFF
// asks: an odd chunk gets a zero byte at its end.
void Even(Bytes* chunk) {
    if (chunk->size() & 1) chunk->push_back(0);
    platform::PutU32BE(chunk->data() + 4, static_cast<uint32_t>(chunk->size() - 8));
}

// The chunk at `at` when it is whole: its declared size lies within the file and its name
// ends within it.
bool ChunkAt(const Bytes& file, size_t at, Bytes* chunk) {
    if (at + 9 > file.size() || std::memcmp(file.data() + at, "SURF", 4) != 0) return false;
    const size_t size = platform::GetU32BE(file.data() + at + 4);
    if (size > file.size() - at - 8) return false;
    if (!std::memchr(file.data() + at + 8, 0, size)) return false;
    chunk->assign(file.begin() + static_cast<long>(at),
                  file.begin() + static_cast<long>(at + 8 + size));
    Even(chunk);
    return true;
}

}  // namespace

bool FromMeshFile(const Bytes& file, Bytes* chunk) {
    size_t at = 0;
    while (at + 4 <= file.size() && std::memcmp(file.data() + at, "SURF", 4) != 0) at += 4;
    return ChunkAt(file, at, chunk);
}

bool FromFluidFile(const Bytes& file, Bytes* chunk) {
    return file.size() >= 12 && std::memcmp(file.data(), "FORM", 4) == 0 &&
           ChunkAt(file, 12, chunk);
}

size_t Size(const void* chunk) {
    return chunk ? 8 + static_cast<size_t>(platform::GetU32BE(At(chunk) + 4)) : 0;
}

std::string Name(const void* chunk) {
    return chunk ? std::string(reinterpret_cast<const char*>(At(chunk) + 8)) : std::string();
}

bool HasShader(const void* chunk) {
    const size_t n = Size(chunk), k = sizeof kShaderName - 1;
    for (size_t i = 0; i + k <= n; ++i) {
        if (std::memcmp(At(chunk) + i, kShaderName, k) == 0) return true;
    }
    return false;
}

// The old padded name (its zero byte, and a second one when there is one) gives way to the
// new name padded to an even length; the size follows.
Bytes Renamed(const void* chunk, const char* name) {
    const uint8_t* c = At(chunk);
    const size_t total = Size(chunk);
    const size_t old_len = strnlen(reinterpret_cast<const char*>(c + 8), total - 8);
    size_t old_pad = old_len + 1;
    if (8 + old_pad < total && c[8 + old_pad] == 0) ++old_pad;
    const size_t new_len = strnlen(name, kNameChars);
    const size_t new_pad = new_len + 1 + ((new_len & 1) ? 0 : 1);
    const size_t rest = 8 + old_pad < total ? total - 8 - old_pad : 0;
    Bytes out(8 + new_pad + rest, 0);
    std::memcpy(out.data(), c, 8);
    std::memcpy(out.data() + 8, name, new_len);
    if (rest) std::memcpy(out.data() + 8 + new_pad, c + 8 + old_pad, rest);
    Even(&out);
    return out;
}

}  // namespace surface_chunk
