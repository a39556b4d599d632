#pragma once

// What the mesh files and the object writers share.

#include <string>
#include <vector>

#include "mesh/mesh_encoding_private.h"
#include "platform/file_parts.h"

class Mesh;

namespace mesh_files {

// The LWO surface of a mesh: its surface file's chunk, or the generated one, with the shader
// when asked (and not in the chunk already).
mesh_encoding::Surface SurfaceOf(const Mesh* m);
// Writes parts as the file path, "Saving mesh..." first; "Error writing file" on failure. LWO
// files are noted in the log.
bool Write(const std::string& path, const std::vector<platform::FilePart>& parts, bool logged);
// One file of one format (a MeshFileKind) of g.
bool WriteOne(const mesh_encoding::Geometry& g, int kind, const mesh_encoding::Surface& surface,
              const std::string& path);

}  // namespace mesh_files
