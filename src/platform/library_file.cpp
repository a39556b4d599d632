#include "platform/library_file.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include <elf.h>
#include <link.h>
#include <sys/stat.h>

namespace platform {
namespace {

#if __SIZEOF_POINTER__ == 8
constexpr unsigned char kClass = ELFCLASS64;
#else
constexpr unsigned char kClass = ELFCLASS32;
#endif
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
constexpr unsigned char kData = ELFDATA2LSB;
#else
constexpr unsigned char kData = ELFDATA2MSB;
#endif

// offset + count · size lies within a file of `file_size` bytes, without overflow.
bool Within(uint64_t offset, uint64_t count, uint64_t size, uint64_t file_size) {
    if (offset > file_size) return false;
    return size == 0 || count <= (file_size - offset) / size;
}

bool ReadAt(std::FILE* f, uint64_t offset, void* out, size_t size) {
    return fseeko(f, static_cast<off_t>(offset), SEEK_SET) == 0 &&
           std::fread(out, 1, size, f) == size;
}

std::string CheckOpen(std::FILE* f, uint64_t file_size) {
    ElfW(Ehdr) eh;
    if (file_size < sizeof eh || !ReadAt(f, 0, &eh, sizeof eh) ||
        std::memcmp(eh.e_ident, ELFMAG, SELFMAG) != 0) {
        return "not a shared library";
    }
    if (eh.e_ident[EI_CLASS] != kClass || eh.e_ident[EI_DATA] != kData ||
        eh.e_ident[EI_VERSION] != EV_CURRENT || eh.e_type != ET_DYN) {
        return "not a shared library for this machine";
    }
    if (eh.e_phentsize != sizeof(ElfW(Phdr)) || eh.e_phnum == 0 || eh.e_phnum == PN_XNUM ||
        !Within(eh.e_phoff, eh.e_phnum, sizeof(ElfW(Phdr)), file_size)) {
        return "the file ends before its program headers";
    }
    std::vector<ElfW(Phdr)> headers(eh.e_phnum);
    if (!ReadAt(f, eh.e_phoff, headers.data(), headers.size() * sizeof(ElfW(Phdr)))) {
        return "the program headers cannot be read";
    }
    bool loadable = false;
    const ElfW(Phdr)* dynamic = nullptr;
    for (const ElfW(Phdr)& ph : headers) {
        if (!Within(ph.p_offset, 1, ph.p_filesz, file_size)) {
            return "a segment runs past the end of the file";
        }
        if (ph.p_type == PT_LOAD) {
            const uint64_t align = ph.p_align;
            if (ph.p_filesz > ph.p_memsz || (align & (align - 1)) != 0 ||
                (align > 1 && ph.p_offset % align != ph.p_vaddr % align)) {
                return "a segment cannot be mapped";
            }
            loadable = true;
        }
        if (ph.p_type == PT_DYNAMIC && ph.p_filesz > 0) dynamic = &ph;
    }
    if (!loadable || !dynamic) return "not a shared library";
    // The loader reads the dynamic section where a segment maps it, not where the file has it.
    bool mapped = false;
    for (const ElfW(Phdr)& ph : headers) {
        mapped = mapped || (ph.p_type == PT_LOAD && dynamic->p_vaddr >= ph.p_vaddr &&
                            dynamic->p_vaddr - ph.p_vaddr <= ph.p_filesz &&
                            dynamic->p_filesz <= ph.p_filesz - (dynamic->p_vaddr - ph.p_vaddr) &&
                            dynamic->p_offset - ph.p_offset == dynamic->p_vaddr - ph.p_vaddr);
    }
    if (!mapped) return "its dynamic section lies outside its segments";
    // The section headers come last: a copy cut anywhere loses them.
    if (eh.e_shoff != 0 && (eh.e_shentsize != sizeof(ElfW(Shdr)) ||
                            !Within(eh.e_shoff, eh.e_shnum, sizeof(ElfW(Shdr)), file_size))) {
        return "the file ends before its section headers";
    }
    return std::string();
}

}  // namespace

std::string CheckLibraryFile(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return "the file cannot be read";
    struct stat st;
    std::string why = fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)
                          ? "not a regular file"
                          : CheckOpen(f, static_cast<uint64_t>(st.st_size));
    std::fclose(f);
    return why;
}

}  // namespace platform
