#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "export.h"
#include "math/vector.h"

class Fluido;

// A fluid's particles as files: the binary BIN file (the exchange format with rendering
// plug-ins, little-endian, 320-byte header and 68 bytes per particle), the text file, and the
// per-frame names of those and of the LWO particle file. The writers and the reader themselves
// are Fluido::EscribeBin, Fluido::EscribeAscii and Fluido::LoadBinGreg. Vectors go through
// the axis order AX, AY, AZ; BIN positions and velocities are divided by the scene scale.

enum ParticleFileKind { kParticleBin = 0, kParticleAscii = 1, kParticleLwo = 2 };

// Where a fluid's per-frame files go: its outDir (a stored path may carry '\' and a drive
// letter), or the application directory when outDir is empty.
UNDALINE_API std::string ParticleOutputDir(const Fluido* fluid);

// The name of a fluid's file of the given kind for the current frame: the directory, the
// prefix and n = frameOffset + frame, "%05d" for BIN (".bin") and text (".asc"), at least
// three digits for LWO (".lwo").
UNDALINE_API std::string ParticleFrameName(const Fluido* fluid, int kind);

// Writes the LWO particle file of a fluid to path: the mesh files' WriteParticleLwo unless
// another writer is installed; null writes no LWO particle file.
using ParticleLwoWriter = bool (*)(Fluido* fluid, const char* path);
UNDALINE_API void SetParticleLwoWriter(ParticleLwoWriter writer);
UNDALINE_API ParticleLwoWriter GetParticleLwoWriter();

// A frame's particle outputs of one fluid, as its output setup asks: the LWO particle file
// when outLwo is on (only at frame 0 with onlyFirstLwo), then BIN when outBin, then text
// when outAscii. The driver's write_particles hook calls it at every frame end for each fluid
// in list order.
// Returns false when any of them could not be written.
UNDALINE_API bool WriteFrameParticleFiles(Fluido* fluid);

// Makes the simulation thread write each frame's particle files itself (the desktop
// application); batch runs install a hook of their own that also counts the failures.
UNDALINE_API void InstallDirectFrameOutputs();

// One record of a particle BIN file, as stored (vectors in the export axis order, positions
// and velocities divided by the scale).
struct ParticleBinRecord {
    Vector pos, vel, force;
    float age, isolatedTime, radius, density, pressure, mass, temperature;
    int32_t id;
};
struct ParticleBinData {
    float scale = 1.0f;
    int32_t frame = 0;
    float speedMin = 0.0f, speedMax = 0.0f;
    std::vector<ParticleBinRecord> records;
};
// Reads the bytes of a particle BIN file with the checks LoadBinGreg makes; false, with out
// untouched, for anything it would refuse.
UNDALINE_API bool ReadParticleBin(const uint8_t* bytes, size_t size, ParticleBinData* out);

// Main window commands on the selected fluid. Loading shows "Please create or select a fluid
// before" without one and "Error reading file" when the file is refused.
UNDALINE_API bool LoadBinIntoSelectedFluid(const char* file);
UNDALINE_API bool SaveSelectedFluidBin(const char* file);
