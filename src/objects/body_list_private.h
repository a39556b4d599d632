#pragma once

class Body;

namespace body_list {

// Everything that may point at b lets go of it: linked daemons and emitters keep their place
// and are freed, fluids drop it from their object lists, the panel, the edit mode and the
// selection forget it, and it leaves the object list. Called as a body is destroyed.
void LetGo(Body* b);

}  // namespace body_list
