#pragma once

#include <mutex>

#include "export.h"
#include "fluid/particula.h"
#include "fluid/pool.h"
#include "math/vector.h"
#include "platform/dialog.h"
#include "scene/anifloat.h"

class Creador;
class Descriptor;
class Body;
class Daemon;
struct FaceLink;

// Fluid types.
enum FluidType : unsigned char {
    kFluidGas = 1,
    kFluidLiquid = 2,
    kFluidViscous = 3,
    kFluidChof = 4,
    kFluidDumb = 5,
    kFluidElastic = 6,
};

// One cell of the per-step grid, made only for cells that hold particles.
struct Voxel {
    int count;
    Particula** particles;
    FaceLink* faces;
};

// A set of particles with the physical parameters that govern them. Emitters and daemons read
// and write these fields directly, so their order and types are a binary contract.
class UNDALINE_API Fluido {
public:
    Fluido();
    ~Fluido();
    Fluido(const Fluido&) = delete;
    Fluido& operator=(const Fluido&) = delete;

    // A particle at pos with velocity vel, pushed at the head of the list; null when memory
    // is exhausted.
    Particula* CreaParticula(Vector pos, Vector vel);
    void RemoveParticula(Particula* p);
    void RemoveALLParticles();
    // Back to the initial state: particles re-created by the emitter, frozen marks restored.
    void Regenera();
    void DestruyeParticulas();
    void DivideParticula(Particula* p);

    // Per-step grid and neighbour search.
    void CalculaCaja();
    void CreaRejilla();
    void LlenaRejilla();
    void BuscaVecinos(int x0, int x1);
    void LiberaPorPaso();

    // Physics of one step.
    void CalculaAche();
    void CalculaDensidades();
    void DifundeTemperatura();
    void CalculaPresiones();
    float CalculaPresionPoint(float rho);
    void PropagaContacto();
    void CalculaFuerzas(int x0, int x1);
    void CalculaMuelles();
    void MueveParticulas();

    // Queries for plug-ins, valid while the grid of the current step exists.
    float CalculaDensidadXYZ(Vector& point, Vector& dir);
    float CalculaVelXYZ(Vector& point);

    // First particle of the list, or null.
    Particula* First() const { return anchor.next; }

    // Particle files, defined with the file formats in io/particle_files.cpp. The writers
    // report "File write error: %s" and return false when the file cannot be written.
    bool EscribeBin(const char* file);
    bool EscribeAscii(const char* file);
    // Appends the particles of a BIN file. False, with the fluid untouched, when the file
    // cannot be opened or is not a whole, sound BIN file.
    bool LoadBinGreg(const char* file);

    Fluido* next;
    platform::Dialog* panel;
    Particula anchor;
    int count;
    int serial;
    float h;
    float invH;
    float invH2;
    float kernelC;
    Vector boxMax, boxMin;
    Vector velMax, velMin;
    float restDensity;
    float invRestDensity;
    float cellSize;
    int maxParticles;
    ANIFloat viscosity;
    ANIFloat pressureK;
    float reservedF;
    float externalPressure;
    float initialTemperature;
    float conductivity;
    float externalTemperature;
    float externalConductivity;
    float fillSpacing;
    float mass;
    unsigned char type;
    unsigned char fullViscosity;
    Vector colour;
    int elasticLimitOn;
    int fractureLimitOn;
    int removeIsolated;
    float springK;
    float springDamping;
    float repulsion;
    float elasticLimit;
    float fractureLimit;
    unsigned char autoRepulsion;
    unsigned char springsBuilt;
    float minSpringLength;
    unsigned char splitOnCollision, splitOnVelocity, splitOnRandom, splitOnAge;
    unsigned char splitEnabled;
    int splitCount;
    int splitGenerations;
    float splitSpeed;
    unsigned char autoRange[3];
    float manualRange[6];
    float speedMax, speedMin, speedAvg;
    float pressureMax, pressureMin, pressureAvg;
    float temperatureMax, temperatureMin, temperatureAvg;
    void* ownedArray;
    Voxel**** grid;
    int nx, ny, nz;
    Vector killBoxMin, killBoxMax;
    float lifeTime;
    float isolationTime;
    float maxSpeed;
    float killProbability;
    int killByAge, killByIsolation, killByVolume, killBySpeed, killByCollision, killRandom;
    int randomEmission;
    char surfaceName[52];
    char surfaceFile[256];
    Creador* emitter;
    int numDaemons, numObjects, numLinkedFluids;
    Daemon** daemons;
    Body** objects;
    Fluido** linkedFluids;
    float emitTime;
    int useAltPos;
    unsigned char active;
    unsigned char outLwo, outBin, outAscii;
    unsigned char outMaxParticlesOn;
    unsigned char onlyFirstLwo;
    int colourMode;
    int outMaxParticles;
    int frameOffset;
    char prefix[50];
    char outDir[256];
    MemPool* poolLists;
    MemPool* poolVoxels;
    MemPool* poolNeighbours;
    MemPool* poolFaces;
    void* texture;
};

UNDALINE_API extern Fluido* rootflow;
UNDALINE_API extern Fluido* selflow;

// Held by the viewport while it draws particles and by RemoveALLParticles while it empties
// a list.
UNDALINE_API std::mutex& SceneMutex();

// A new fluid of the emitter class, appended to the scene; null after "Error creating fluid".
UNDALINE_API Fluido* CreaFluido(Descriptor* cls);
// Deletes a fluid: its emitter, particles, pools and links; it leaves the scene list.
UNDALINE_API void DeleteFluido(Fluido* fluid);
UNDALINE_API void DeleteAllFluids();
UNDALINE_API int CountFluids();

// Drops springs whose far particle was removed and frees removed particles. The driver calls it
// once per step before any pass; the fluid operations call it where a list empties.
UNDALINE_API void SweepRemovedParticles();
