#include "scene/scene.h"

#include "scene/axes.h"
#include "scene/creador.h"
#include "scene/daemon.h"
#include "scene/daemon_panel.h"
#include "scene/nodo.h"
#include "scene/preferences.h"
#include "scene/scene_hooks.h"
#include "scene/simulation_state.h"
#include "scene/undo.h"

void ResetScene() {
    // Daemons first: destroying one withdraws it from the fluids that still exist.
    while (Nodo* first = root.next) {
        first->AtaNodos();
        delete first;
    }
    if (platform::Dialog* panel = DaemonPanel()) panel->ListClear(DaemonListId());
    ClearFluids();
    // After the fluids: an emitter linked to an object clears its mask there as it goes.
    ClearObjects();
    seldaemon = nullptr;
    selnodo = nullptr;
    Creador::seed = 0;
    // Only after every object is gone can their classes' libraries be unloaded.
    ReleaseUnusedClasses();
    ClearUndo();
    scene_scale = 1.0f;
    ApplyPlatform(kPlatformLightwave);
    prefs = Preferences{};
    SetSimulationRunning(false);
    SetFramesPerSecond(30);
}
