#pragma once

#include <string>

#include "export.h"

class Fluido;
class Mesh;

// The files a mesh writes every frame, in the formats its "Mesh file options" switch on:
// LWOB or LWO2 ("%s%03d.lwo", with a texture-data file "%s%03d.txi" while texture mapping is
// on), BIN ("%s%05d.bin") and OBJ ("%s%05d.obj"), named after the mesh with the frame number
// plus the mesh's frame offset, in the mesh's directory (the application directory when it is
// empty; created when missing). Each file is written whole under a temporary name and then
// renamed; one that cannot be written shows "Error writing file" and leaves nothing behind.
// With both LWO formats on, the frame's ".lwo" file is the LWO2 one.

enum MeshFileKind { kMeshLwo = 0, kMeshLwo2 = 1, kMeshBin = 2, kMeshObj = 3, kMeshTexture = 4 };

UNDALINE_API std::string MeshOutputDir(const Mesh* mesh);
// The path of one of the mesh's files for the current frame.
UNDALINE_API std::string MeshFrameName(const Mesh* mesh, int kind);

// Writes the current frame's files of a mesh; false when any of them could not be written.
UNDALINE_API bool WriteMeshFiles(Mesh* mesh);
// The frame end: every mesh whose generation is on writes its files.
UNDALINE_API void WriteAllMeshFiles();

// One file of a mesh in one format, to any path (the per-frame writer's pieces).
UNDALINE_API bool WriteMeshFile(Mesh* mesh, int kind, const std::string& path);

// A fluid's particle LWO file: one single-point polygon per particle (altPos with useAltPos),
// padded with copies of the emitter's position up to "Max. particles" when that is on, with the
// fluid's surface.
UNDALINE_API bool WriteParticleLwo(Fluido* fluid, const char* path);
