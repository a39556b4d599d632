#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "export.h"

class Fluido;
class Mesh;

// Surface descriptions prepared in the host package (".srf", ".prw" files). Their "SURF" chunk
// is copied byte for byte into every LWO file written for the mesh (or, for the particle LWO
// output, the fluid) instead of the generated default surface; renaming the surface renames
// it inside the copy.
//
// A chunk held here is exactly one IFF chunk: "SURF", its big-endian size, the zero-terminated
// name padded to an even length, the sub-chunks. Its size field always counts its own bytes;
// the shader sub-chunk that "Include Undaline_shader" adds is appended, and counted, only when
// a file is written.

// The bytes of a held chunk (8 + its size).
UNDALINE_API size_t SurfaceChunkBytes(const void* chunk);
// Whether a held chunk carries the shader already; the writers then add no second one.
UNDALINE_API bool SurfaceChunkHasShader(const void* chunk);

// Loads a mesh's surface file: the first "SURF" found at a multiple of 4 bytes from the start.
// The mesh takes the chunk, the surface name in it, and "Include Undaline_shader" off, or on
// (with a red warning) when the chunk already carries the shader. Messages "Error opening
// surface file: %s", "Not valid Surface file" and "Error in surface chunk allocation" leave
// the mesh's surface as it was.
UNDALINE_API bool LoadMeshSurfaceFile(Mesh* mesh, const char* path);
// A new "Surface name": the mesh's name, and the name inside its chunk when it has one.
UNDALINE_API void RenameMeshSurface(Mesh* mesh, const char* name);
// "Include Undaline_shader".
UNDALINE_API void SetMeshShader(Mesh* mesh, bool on);
// "Clear surface": the default surface "Meshsurf" with the shader.
UNDALINE_API void ClearMeshSurface(Mesh* mesh);
// After a workspace load: the chunk is read again from the stored file, keeping the stored
// surface name and shader choice. False when the file could not be loaded (the generated
// surface is then written in its place).
UNDALINE_API bool ReloadMeshSurface(Mesh* mesh);

// The particle LWO output of a fluid: its surface file starts with the 12-byte "FORM" header
// and holds the surface chunk from there on.
UNDALINE_API bool LoadFluidSurfaceFile(Fluido* fluid, const char* path);
UNDALINE_API void RenameFluidSurface(Fluido* fluid, const char* name);
// Back to the generated surface named after the emitter.
UNDALINE_API void ClearFluidSurface(Fluido* fluid);
UNDALINE_API bool FluidSurfaceSet(const Fluido* fluid);
// A copy of the fluid's chunk (empty without a surface file).
UNDALINE_API std::vector<uint8_t> FluidSurfaceChunk(const Fluido* fluid);
