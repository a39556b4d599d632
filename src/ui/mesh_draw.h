#pragma once

#include <vector>

#include "math/vector.h"

class Mesh;

// Meshes in the viewport: each drawn from the frame its build last kept, from a display list of
// its own, compiled again only when that frame or the way it is shown changed.
namespace draw {

// The meshes' display lists of one GL context, named from 1000 upwards in the order of the
// scene's mesh list.
class MeshLists {
public:
    static constexpr unsigned kFirstList = 1000;

    struct Entry {
        const Mesh* mesh = nullptr;
        unsigned serial = 0;
        int mode = 0;           // the display mode compiled: wireframe, flat or smooth
        bool textured = false;  // texture coordinates compiled in
        bool compiled = false;
        bool empty = true;      // no triangles: nothing to draw or pick
        Vector lo, hi;          // bounds of the vertices, for the box
    };

    // The list of the mesh at position `index`, compiled when out of date (the context current).
    // With want_uvw the texture coordinates of the kept frame, when it has them, go in too.
    const Entry& Update(int index, const Mesh* mesh, int mode, bool want_uvw);
    // Lists beyond the first `count` go.
    void Trim(int count);
    // A new context has none of the old lists.
    void Forget() { entries_.clear(); }
    // Deletes every list (the context current).
    void Release() { Trim(0); }

private:
    std::vector<Entry> entries_;
};

}  // namespace draw
