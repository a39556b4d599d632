#pragma once

#include <cstdint>

#include "export.h"
#include "math/matrix.h"
#include "math/vector.h"
#include "scene/nodo.h"

class Body;
class Mesh;

// Polygon objects: triangle meshes brought in from 3D packages, placed by their node
// transform. Fluids collide with them, fill them and follow them; plug-ins read these records
// directly, so the field order of BodyVertex, Face and Body is a binary contract.
//
// Positions are in scene units. "local" is object space (after the import's axis mapping and
// scene scale factor); "world" is build_matrix × local, or where the body's velocity or its
// animated scene has moved it since.

struct UNDALINE_API BodyVertex {
    Vector local;
    Vector world;
    Vector start;        // world position at the start of the current interval
    Vector end;          // world position at the end of the current animated-scene interval
    Vector velocity;     // world velocity, scene units per second
    Vector normal;       // smooth normal: the normalised sum of the normals of its faces
    int32_t index;       // position in the owner's verts
    uint32_t selection;  // point-selection bits; also the emitter mask of linked emitters
};

struct UNDALINE_API Face {
    BodyVertex* corner[3];  // p0, p1, p2, pointers into the owner's verts
    Vector normal;          // unit (p1 - p0) x (p2 - p0); world space after every world update
    Vector boundsMin;       // world bounding box of the three corners
    Vector boundsMax;
    Vector foot;           // collision scratch
    float dist;            // collision scratch
    float u, w;            // collision scratch: barycentric coordinates of foot
    float area;            // half the length of the unnormalised cross product
    Body* body;            // owner
    int32_t edgeFlags[3];  // visibility of the edges p0-p1, p1-p2, p2-p0
    int32_t nearFluid;
    uint8_t state;       // collision scratch
    uint8_t degenerate;  // zero area: left out of collision and face lists
    uint32_t selection;  // face-selection bits; also the emitter mask of linked emitters
};

// Format codes of the files a body can come from.
enum BodyFormat : uint8_t {
    kFormatNone = 0,
    kFormatAsc = 1,
    kFormatLwo = 2,
    kFormatLwsNull = 7,
    kFormatAse = 9,
    kFormatObj = 10,
    kFormatDxf = 14,
    kFormat3ds = 16,
};

// How a body moves during a simulation.
enum BodyOrigin : uint8_t {
    kOriginOther = 0,       // stays where it is (scene-file objects, null objects)
    kOriginObjectFile = 1,  // read by an object reader: moves by its velocity
    kOriginSceneData = 2,   // part of an animated scene-data scene: follows the file
};

class UNDALINE_API Body : public Nodo {
  public:
    Body();
    Body(const Body&) = delete;
    Body& operator=(const Body&) = delete;

    // Takes the body out of the object list and frees its geometry.
    ~Body() override;
    // Viewport moves; ignored for a body of a locked animated scene. Each refreshes the
    // panel, the rest transform, the world geometry and every node linked to an object.
    void Move(Vector delta) override;
    void Rotate(float delta) override;  // degrees, about the working axis
    void Scale(float delta) override;   // added to the scale on the working axis
    void UndoChangePos() override;

    // Geometric upkeep.
    // After a reader filled verts and faces: clears the scratch and selection fields, the
    // vertex and body velocities, computes bounds, areas and normals, and warns once about
    // degenerate faces.
    void PrepareGeometry();
    // bounds[8] and bounds[9]: the local minimum and maximum; bounds[0..7] the box corners.
    void ComputeLocalBounds();
    // World positions of vertices and bounds from build_matrix, then face bounds, face normals
    // and vertex normals.
    void UpdateWorld();
    // Moves the world geometry by m (vertices and bounds), then face bounds and normals.
    void ApplyMatrix(const Matrix& m);
    void ComputeFaceBounds();
    void ComputeFaceNormals();
    void ComputeVertexNormals();
    // keyA := pos, rot, scale, pivot, pivot2, and back.
    void StoreRest();
    void RestoreRest();
    // One simulation step of inct: turns the world geometry about pos by the angular velocity
    // and moves it by the velocity (pos follows; rot, scale and build_matrix do not).
    void AdvanceByVelocity();
    // Vertex velocities of the rigid motion AdvanceByVelocity performs.
    void ComputeVertexVelocities();
    // Blends the three corner directions of face with the weights 1 - u - w, u, w (not
    // normalised); each corner direction is its world position less build_matrix × its normal.
    void GetNormalSmooth(float& u, float& w, Face* face, Vector* out);

    // The object readers. Each fills path, name, label, the geometry, format and origin and
    // puts the body at rest with the identity transform; false, with the reader's message,
    // when the file is refused, and then the body is exactly as it was. A file that cannot be
    // opened first goes through the "File not found" dialog.
    bool LoadAsc(const char* path, const char* name);
    bool LoadLwo(const char* path, const char* name);
    bool LoadLwoChunks(const char* path, const char* name);
    bool LoadObj(const char* path, const char* name);
    bool LoadDxf(const char* path, const char* name);

    // The object writers, used by a mesh that follows this body: its world geometry in the
    // mesh files' BIN, OBJ and LWOB layouts (BIN and OBJ scaled and in the export axis order,
    // LWOB as it is, with the mesh's surface), faces in corner order p0, p1, p2. False, after
    // "Error writing file", when the file could not be written; nothing is left half-written.
    bool SaveObjBin(const char* path);
    bool SaveObjObj(const char* path);
    bool SaveObjLwo(const char* path, Mesh* mesh);

    int32_t nverts;
    int32_t nfaces;
    BodyVertex* verts;      // malloc'd, owned
    Face* faces;            // malloc'd, owned
    BodyVertex bounds[10];  // 0..7 box corners, 8 minimum, 9 maximum; local and world only
    Vector keyA[5];         // pos, rot, scale, pivot, pivot2 at rest (or at scene-data key A)
    Vector previousPosition;
    Vector interpolatedPosition;
    Vector keyB[4];  // pos, rot, scale, pivot at scene-data key B
    float friction;
    float K;  // elasticity of the bounce
    float sticky;
    float rough;
    float collisionDistance;
    float collisionTolerance;
    float temperature;
    float conductivity;
    Matrix keyBMatrix;
    Matrix keyAMatrix;
    Vector velocity;         // scene units per second
    Vector angularVelocity;  // axis = direction, radians per second = length
    Vector color;
    char path[256];
    char name[256];
    char label[256];
    uint8_t format;  // BodyFormat
    uint8_t origin;  // BodyOrigin
    char sceneFile[256];
    int32_t thinFaceTest;
    uint8_t animationMode;
    Body* next;
};

// Head of the object list (it holds no geometry): rootbody.next is the first body.
UNDALINE_API extern Body rootbody;
// The body in point or face edit mode, or null.
UNDALINE_API extern Body* edit_obj;

// A new body with the defaults, appended at the end of the object list.
UNDALINE_API Body* CreaBody();
// Deletes a body: every daemon and emitter linked to it keeps its place and lets go, every
// fluid forgets it, the other labels are repaired, its list entry goes, the panel hides.
UNDALINE_API void RemoveBody(Body* b);
// Deletes every body, empties the list and closes the animated scene.
UNDALINE_API void RemoveAllBodies();
// First body whose label equals text, else first whose name does (ASCII case ignored).
UNDALINE_API Body* FindBody(const char* text);
// Gives every body sharing b's name (ASCII case ignored) the label "name (n)", n counting in
// list order, unless b alone has it. With removal = 1, b is left out of the count, and a
// single remaining body with that name gets its plain name back.
UNDALINE_API void MakeLabelsUnique(Body* b, int removal);
// 0-based position in the object list, -1 when not listed.
UNDALINE_API int BodyIndex(const Body* b);
// The body at a position of the object list, or null.
UNDALINE_API Body* BodyAt(int index);
UNDALINE_API int CountBodies();
// The scene scale factor changed by f: every body's positions are multiplied by f.
UNDALINE_API void ScaleAllBodies(float f);

// Every daemon and emitter linked to a body follows it again (after the body moved).
UNDALINE_API void RefreshNodeLinks();

// Calls made when the object list changes, for subsystems above this one (meshes linked to a
// body let go of it). Null hooks do nothing.
struct BodyHooks {
    void (*removing)(Body* b) = nullptr;
};
UNDALINE_API void SetBodyHooks(const BodyHooks& hooks);
UNDALINE_API const BodyHooks& GetBodyHooks();
