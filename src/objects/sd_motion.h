#pragma once

#include "export.h"
#include "math/matrix.h"
#include "math/vector.h"
#include "objects/sd_format.h"

// How the values of a scene-data file become the transform of an object, and back.
//
// Reading, for the platform that wrote the file: every vector goes through that platform's
// axis mapping (first value to AX, second to AY, third to AZ); positions, pivots, vertex
// positions and the matrix translation are multiplied by the scene scale factor; angles turn
// from radians into degrees. Then the platform's own rules:
//   1 Lightwave: the first two angles are swapped before the mapping; a file of version 1.0
//     has its matrix recomposed from position, angles, scale and pivot;
//   2 3D Studio MAX: the matrix M becomes S·M·S (S exchanges y and z), the pivot is negated;
//   3 Softimage: the matrix is recomposed, as for old Lightwave files.
// The writer's direction undoes each step (for scale factor 1), so a written file reads back
// as the transforms that were written.

constexpr float kOldSdVersion = 1.0f;
// What the writer puts in its files: any version but the old one keeps the written matrix.
constexpr float kSdVersion = 2.0f;

struct SdKey {
    Vector pos;
    Vector angles;  // degrees
    Vector scale = Vector(1, 1, 1);
    Vector pivot;
    Matrix matrix;
};

// File values to a key. false when a value grows beyond the float range on the way.
UNDALINE_API bool SdKeyFromFile(const SdFrameObject& raw, int platform, float version,
                                float scale_factor, SdKey* out);
// A vertex position of the file to a position of the scene (mapped, scaled).
UNDALINE_API bool SdPointFromFile(const float raw[3], int platform, float scale_factor,
                                  Vector* out);

// The writer's direction, for a scale factor of 1 and a version other than 1.0.
UNDALINE_API void SdKeyToFile(const SdKey& key, int platform, SdFrameObject* out);
UNDALINE_API void SdPointToFile(const Vector& p, int platform, float out[3]);

// Splits a transform made of a rotation, a scale along the object's own axes and a
// translation into the position, angles (in platform's rotation order) and scale that
// compose it again; the pivot is zero and the matrix is m itself.
UNDALINE_API SdKey SdKeyOfMatrix(const Matrix& m, int platform);

// The transform a node of this platform composes from position, angles, scale and pivot.
UNDALINE_API Matrix SdComposeKey(const SdKey& key, int platform);
