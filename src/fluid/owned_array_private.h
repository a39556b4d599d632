#pragma once

#include <cstddef>

#include "fluid/fluido.h"

// How large a fluid's owned array is. The field is a bare pointer that plug-ins may set too,
// so the size of an array the program made is kept beside it; a writer must never read past
// the array, however many particles the fluid has gained since.
namespace owned_array {

// Frees the fluid's owned array and takes `array` of `bytes` bytes (from malloc) in its place.
void Adopt(Fluido* f, void* array, size_t bytes);
// Bytes that may be read from the fluid's owned array: the size it was made with, or what the
// allocator holds for an array some plug-in put there; 0 when there is none.
size_t ReadableBytes(const Fluido* f);
// Forgets the size kept for a fluid that is going away.
void Forget(const Fluido* f);

}  // namespace owned_array
