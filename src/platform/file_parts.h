#pragma once

#include <cstddef>
#include <string>

#include "export.h"

namespace platform {

// One piece of a file written from several buffers.
struct FilePart {
    const void* data;
    size_t size;
};

// Writes the parts one after another as one file, as WriteWholeFile writes one buffer: into a
// temporary file beside path that replaces path only once everything is written and flushed,
// so a failure or an interruption never leaves part of a file under its final name. A missing
// directory is created first. False on any failure, with path as it was.
UNDALINE_API bool WriteFileParts(const std::string& path, const FilePart* parts, size_t count);

// Creates a directory and its missing parents; true when it exists afterwards. An empty path
// is the current directory.
UNDALINE_API bool EnsureDirectory(const std::string& dir);

}  // namespace platform
