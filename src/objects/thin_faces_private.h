#pragma once

class Fluido;
class Particula;

// The thin-wall veto of the neighbour search: two particles of one fluid are not neighbours
// when a near face of an object with the thin-face test lies between them.
namespace thin_faces {

// After a fluid's faces were marked: the near faces of each thin-wall object and their box, so
// that the many pairs of the search skip faces and objects that cannot lie between them.
void Remember(const Fluido* f);
// Whether any object of the scene has vertices and the thin-face test.
bool Present();
// Whether a thin wall lies between p and q.
bool Blocks(const Particula* p, const Particula* q);

}  // namespace thin_faces
