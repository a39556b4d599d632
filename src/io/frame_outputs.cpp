#include "fluid/driver.h"
#include "io/particle_files.h"

void InstallDirectFrameOutputs() {
    SimulationHooks().write_particles = [](Fluido* f) { WriteFrameParticleFiles(f); };
}
