#pragma once

#include <cstdint>
#include <vector>

#include "export.h"
#include "math/vector.h"
#include "platform/dialog.h"

// Arrays of copies of the selected fluid or daemon ("Fluid array", window "Array of fluids"):
// a rectangular block of copies, or copies turned step by step about a pivot.

enum ArrayType : unsigned char { kArrayRectangular = 1, kArrayCircular = 2 };

// The window's settings, kept for the whole run (not saved). Vectors hold components in the
// scene's order; the window shows them through the host axis mapping.
struct ArraySettings {
    unsigned char type = kArrayRectangular;
    Vector counts{0, 0, 0};     // items in each direction, taken as whole numbers
    Vector distances{0, 0, 0};  // between items
    Vector position{0, 0, 0};   // added to every copy
    int items = 5;              // circular: copies made; 0 or less counts as 1
    Vector rotation{0, 0, 0};   // circular: degrees between two items
    Vector pivot{0, 0, 0};      // circular: the point turned about
    int rotate_around_pivot = 0;  // the copies also turn by their angle
};

UNDALINE_API extern ArraySettings array_settings;

// The most copies one array makes; a larger one is refused.
constexpr int kMostArrayCopies = 10000;

struct ArrayPlacement {
    Vector pos;
    Vector rot;
};

// Where the copies of an element at pos with rotation rot go, in the order they are made.
// Rectangular: pos + (i dx + ox, j dy + oy, k dz + oz) for every i, j, k below the counts, k
// changing fastest, the element's own rotation; nothing when a count is below 1. Circular:
// for n = 1 .. items, angles a = n × rotation, pos turned about the pivot by the rotation of
// angles a (in the host axis order), rotation rot + a when the copies turn, else rot.
UNDALINE_API std::vector<ArrayPlacement> ArrayPlacements(const ArraySettings& settings, const Vector& pos,
                                                          const Vector& rot);

// Makes the array of the selected element (selnodo: a daemon, or the emitter of a fluid); the
// last copy becomes the selected element. Returns the copies made. Messages: "Select a fluid
// or daemon before" without a selection, "Cannot do array of selected element" for an object
// or a mesh.
UNDALINE_API int MakeArray(const ArraySettings& settings);

// The "Array of fluids" window.
enum ArrayWindowControl {
    kIdArrayRectangular = 5601,
    kIdArrayCircular = 5602,
    kIdArrayCountX = 5603,   // Y, Z follow
    kIdArrayDistanceX = 5606,
    kIdArrayPositionX = 5609,
    kIdArrayItems = 5612,
    kIdArrayRotationX = 5613,
    kIdArrayPivotX = 5616,
    kIdArrayAroundPivot = 5619,
    kIdArrayCreate = 5620,
};
UNDALINE_API const platform::DialogTemplate* ArrayWindowTemplate();
// Shows the settings when the window opens (the pivot becomes the selected element's
// position), reads each field when it loses the focus, and makes the array on "Create array"
// (not while a simulation runs). The close button closes the window.
UNDALINE_API intptr_t ArrayWindowProc(platform::Dialog* dialog, unsigned msg, uintptr_t wparam, intptr_t lparam);
