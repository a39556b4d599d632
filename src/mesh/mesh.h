#pragma once

#include <cstddef>
#include <cstdint>

#include "export.h"
#include "math/matrix.h"
#include "math/vector.h"
#include "scene/nodo.h"

class Fluido;
class MeshBuilder;
class Particula;

// The link record of one fluid feeding a mesh: the field parameters that fluid contributes
// and the texture projection of its particles. A mesh keeps its records in one contiguous
// array; plug-ins and the viewport read them in place, so field order and types are fixed.
struct UNDALINE_API Lista {
    // Defaults: radius factor 0.601, blend percent 95 (blend 4.81), no noise, identity
    // texture matrix, R 1e6 until the first build.
    Lista();

    // Texture coordinate of every particle of the fluid (also the drag-noise offset).
    void TexturaFluido();
    // The same for one particle, when the fluid creates it.
    void TexturaParticula(Particula* p);

    float radiusFactor;   // "Radius %d%%": percent * 0.0145 + 0.05
    float radius;         // radiusFactor * fluid's fillSpacing, set at each build
    float R;              // influence radius: blend * radius
    float R2;
    float invR2;
    int blendPercent;     // "Blend factor %d%%"
    float kernelScale;    // 1 / (1 - (1/blend)^2)^3: a lone particle's field is 1 at radius
    float blend;          // percent * 0.038 + 1.2
    int fractal;          // "Use fractal displacement"
    bool dragNoise;       // "Drag Noise": the noise moves with the particles
    bool subtractive;     // "Substractive field": this fluid's particles carve the surface
    float amplitude;
    float frequency;
    int octaves;
    Fluido* fluid;
    Matrix texMatrix;     // texture frame: origin in the translation, axes E1, E2, E3 in rows 0-2
    Vector influenceBox;  // (R, R, R)
    float invGridCell;    // 1 / the fluid's neighbour-grid cell
};

// Slider mappings of a link record.
UNDALINE_API float RadiusFactorFromPercent(int percent);
UNDALINE_API int RadiusPercent(float factor);
UNDALINE_API float BlendFromPercent(int percent);
UNDALINE_API float KernelScale(float blend);
// Sets blend percent, blend and kernel scale together.
UNDALINE_API void SetBlendPercent(Lista* link, int percent);

// One entry of a per-vertex list (neighbour vertices, faces using a vertex).
struct MeshIndexList {
    MeshIndexList* next;
    int index;
};

using MeshFace = int[3];

// The after-build filter.
enum MeshFilterType { kFilterNone = 0, kFilterStandard = 1, kFilterSharp = 2 };

// A scene node that turns the particles of its linked fluids into a polygon surface every
// frame. Meshes form their own list (rootmesh, nextMesh). Field order and types are a binary
// contract: emitters that build meshes themselves fill these arrays.
class UNDALINE_API Mesh : public Nodo {
public:
    // The defaults of "New Mesh"; the node kind is 4. The output directory is the application
    // directory.
    Mesh();
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;
    // As Clear, then every link dropped (back-references cleared), the surface chunk freed.
    ~Mesh() override;

    // Before each build: the current result arrays go (those not shared with the kept
    // previous frame), fresh 4096-entry buffers come, the face counts shift.
    void Clear();
    // After a build and its filters: the current arrays become the previous frame's (which the
    // viewport draws). Unless discard: then the current arrays are freed and the previous frame
    // stays as it was (a build cut short by a stop request).
    void KeepPrevious(bool discard);
    void DropPrevious();
    // Frees the current arrays (not those the previous frame shares) and per-vertex lists.
    void ReleaseCurrent();
    // Frees every current and previous array.
    void FreeArrays();

    // Whether the one linked fluid's emitter builds the mesh itself; then the mesh takes no
    // resolution changes.
    bool ControlledByEmitter() const;
    // Whether any output format is on.
    bool HasOutput() const;
    // The link record of a fluid, or null.
    Lista* LinkOf(const Fluido* f) const;

    int numVertices;
    int prevNumVertices;
    int numFaces;
    int prevNumFaces;
    float* faceExcess;
    MeshIndexList** vertexFaces;
    MeshIndexList** vertexNeighbours;
    unsigned char* vertexRemoved;
    unsigned char* faceRemoved;
    unsigned char* clipFlags;       // 1 for a vertex moved by clipping
    unsigned char* neighbourCounts;
    int maxNeighbourCount;
    int optIterations;              // "Iterations"
    int maxFaces;                   // "Max. faces"
    float optThreshold;             // "Threshold", percent
    float maxFaceExcess;
    Vector* vertices;
    Vector* prevVertices;
    MeshFace* faces;
    MeshFace* prevFaces;
    Vector* faceNormals;
    Vector* prevFaceNormals;
    Vector* vertexNormals;
    Vector* prevVertexNormals;
    Vector* colours;
    Vector* prevColours;
    float** fluidWeights;
    Vector* texCoords;
    Vector* prevTexCoords;
    Vector* velocities;
    bool calcUVW;                   // "Calculate UVW Mapping"
    bool optimize;                  // "Optimize mesh"
    bool motionBlur;                // "Calculate Motion Blur (data will be saved to output files)"
    bool subdivide;                 // "Face subdivision"
    bool tiling;                    // "Tiling texture"
    bool smoothing;
    bool building;                  // a build of this mesh runs
    bool limitFaces;
    int filterType;                 // MeshFilterType
    Vector boxMin, boxMax;          // lattice bounds of the last build, widened by the radius
    int textureChannel;             // 0 texture, 1 speed, 2 pressure, 3 temperature
    Mesh* nextMesh;
    float filterStrength;           // "Filter Iterations: %d%%" shows strength * 100
    float resolution;               // "Resolution %d%%"
    int refFaces;                   // faces of the calibration build; 0: not calibrated
    float refCellSize;              // cell of the calibration build
    float cellFactor;               // uncalibrated cell in smallest radii
    int targetFaces;
    float cellSize;                 // cell of the current build
    int lastFaces;
    int facesBeforeLast;
    int estimatedFaces;             // "Estimated: %d"
    int frameOffset;                // "Frame offset"
    char name[256];                 // "Mesh name", also the file prefix
    char outDir[256];               // "Directory"
    char surfaceName[52];           // "Surface name"
    int outLwo, outLwo2, outBin, outObj;
    bool prevKept;
    bool displayOn;                 // "Display mesh on viewport"
    bool generationOn;              // cleared by "Disable mesh generation"
    bool objectClipping;            // "Enable clipping"
    bool inverseClipping;           // "Inverse clipping (outside)"
    MeshBuilder* builder;           // while a build runs
    bool surfaceFileSet;
    char surfaceFile[256];          // "Surface file"
    void* surfaceChunk;
    int includeShader;              // "Include Undaline_shader"
    int numLinks;
    Lista* links;
    Vector displayColour;
    int clipBoxOn;                  // "Apply clipping-box"
    Vector clipMin, clipMax;        // "MIN", "MAX"
    char textureFile[256];
    uint32_t textureName;           // preview texture object, 0 when none
};

// Result arrays come from malloc. Those a mesh lets go are kept for the next build rather than
// handed back to the system, which would have to clear their pages again (a bounded number).
namespace mesh_arrays {
UNDALINE_API void* Take(size_t bytes);
UNDALINE_API void Give(void* block);
}  // namespace mesh_arrays

// The scene's meshes, in creation order.
UNDALINE_API extern Mesh* rootmesh;
// The mesh chosen in the mesh panel, or null.
UNDALINE_API extern Mesh* selmesh;

// "New Mesh": Mesh, MeshA, MeshB, ... appended to the list.
UNDALINE_API Mesh* NewMesh();
// "Delete Mesh": ignored while the mesh is being built. False when ignored or not listed.
UNDALINE_API bool DeleteMesh(Mesh* mesh);
UNDALINE_API void DeleteAllMeshes();
UNDALINE_API int CountMeshes();
UNDALINE_API Mesh* MeshAt(int index);
// Changes whenever the mesh's kept frame does (a new frame kept, or dropped); 0 for a mesh
// that never had one. The viewport compiles a mesh again when it moves. Read it, and the kept
// arrays, holding the scene mutex: the frame changes hands under it.
UNDALINE_API unsigned KeptFrameSerial(const Mesh* mesh);
// Back to an uncalibrated state (scene reset): calibration, targets and face counts.
UNDALINE_API void ResetMeshCalibration(Mesh* mesh);

// Linking and unlinking fluids. Link refuses, with a red warning, a fluid whose emitter builds
// meshes when the mesh already has links (" %s can only be linked to an empty Mesh"), and any
// fluid when a linked fluid's emitter builds meshes (" %s cannot contain more fluids
// (conflict with %s)"); a fluid already linked changes nothing. Returns the record, or null.
UNDALINE_API Lista* LinkFluidToMesh(Mesh* mesh, Fluido* fluid);
UNDALINE_API void UnlinkFluidFromMesh(Mesh* mesh, Fluido* fluid);
// "Clean list of fluids".
UNDALINE_API void CleanMeshLinks(Mesh* mesh);
// Whether some mesh takes particles from the fluid.
UNDALINE_API bool FluidUsedByMesh(const Fluido* fluid);
// Points the back-references of the mesh's fluids at their records (texture mapping on) or
// clears those that point into this mesh (off).
UNDALINE_API void RefreshTextureLinks(Mesh* mesh);
