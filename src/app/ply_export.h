#pragma once

#include <string>

// `undaline --export-ply DIR [--out DIR]`: every particle BIN file and mesh BIN file of a
// directory becomes a binary PLY file of the same name (".ply"), with the positions and, as
// vertex properties, normals, colours, texture coordinates and velocities, which current 3D
// packages import directly. Files of neither kind are passed over with a note.

struct PlyExportOptions {
    std::string dir;
    std::string out;  // empty: beside the BIN files
    bool quiet = false;
};

// Returns the process exit code: 0 when every BIN file was converted, 1 when one could not be
// read or written (the others are still converted), 2 when the directory cannot be read.
int ExportPly(const PlyExportOptions& options);
