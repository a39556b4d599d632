#include "scene/scene.h"

#include "scene/axes.h"
#include "scene/nodo.h"
#include "scene/preferences.h"
#include "scene/simulation_state.h"
#include "scene/undo.h"

void ResetScene() {
    while (Nodo* first = root.next) {
        first->AtaNodos();
        delete first;
    }
    selnodo = nullptr;
    ClearUndo();
    scene_scale = 1.0f;
    ApplyPlatform(kPlatformLightwave);
    prefs = Preferences{};
    SetSimulationRunning(false);
    SetFramesPerSecond(30);
}
