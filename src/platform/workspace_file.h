#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "export.h"

// The current workspace file. While a workspace is written or read, scene nodes and plug-in
// classes store their own records through Write, Read and FSeek on this one handle. Writing
// goes to a temporary file beside the target, which replaces the target only when the whole
// file was written, so a failed save never destroys the previous workspace.

// Writes size bytes; returns how many were written (0 when no file is open for writing).
UNDALINE_API int Write(const void* data, int size);
// Reads size bytes; returns how many were read (0 when no file is open for reading).
UNDALINE_API int Read(void* data, int size);
// Moves in the current file as fseek does (SEEK_SET, SEEK_CUR, SEEK_END); 0 on success.
UNDALINE_API int FSeek(long offset, int origin);

namespace platform {

UNDALINE_API bool BeginWorkspaceWrite(const char* path);
// Closes the file being written. With keep, and when every write succeeded, it replaces the
// target and true is returned; otherwise the temporary file is removed and the target is
// left as it was.
UNDALINE_API bool EndWorkspaceWrite(bool keep);

UNDALINE_API bool BeginWorkspaceRead(const char* path);
UNDALINE_API void EndWorkspaceRead();

// The current workspace file kept in memory instead: a snapshot of the scene taken before a
// load, so a refused file can give the old scene back. EndWorkspaceWriteMemory hands over the
// bytes (false when a write failed); the bytes given to BeginWorkspaceReadMemory must stay
// alive until EndWorkspaceRead.
UNDALINE_API bool BeginWorkspaceWriteMemory();
UNDALINE_API bool EndWorkspaceWriteMemory(std::vector<uint8_t>* bytes);
UNDALINE_API bool BeginWorkspaceReadMemory(const std::vector<uint8_t>& bytes);

UNDALINE_API bool WorkspaceFileOpen();
// True once a write or read came up short since the file was opened.
UNDALINE_API bool WorkspaceFileFailed();
UNDALINE_API long WorkspaceTell();
// Bytes between the read position and the end of the current file (0 without one): readers
// check counts against it before they allocate anything.
UNDALINE_API long WorkspaceRemaining();

// Little-endian values on the current file; false on a short write or read.
UNDALINE_API bool WriteU8(uint8_t v);
UNDALINE_API bool WriteI32(int32_t v);
UNDALINE_API bool WriteU32(uint32_t v);
UNDALINE_API bool WriteF32(float v);
UNDALINE_API bool WriteF64(double v);
UNDALINE_API bool ReadU8(uint8_t* v);
UNDALINE_API bool ReadI32(int32_t* v);
UNDALINE_API bool ReadU32(uint32_t* v);
UNDALINE_API bool ReadF32(float* v);
UNDALINE_API bool ReadF64(double* v);

}  // namespace platform
