#pragma once

#include <string>

// The example scenes, built through the library as a user builds them in the panels: fluids
// of the shipped emitter classes, daemons of the shipped daemon classes, each parameter typed
// into its class's window. The plug-ins must have been scanned.

struct ExampleScene {
    const char* name;     // file name without ".ulw"
    const char* summary;  // one line for listings
    bool (*build)();
};

// The fountain, the falling block and the stirred tank.
const ExampleScene* ExampleScenes(int* count);

// Clears the scene, builds the example and saves it to path. False, with a message on
// standard error, when a class is missing or the file cannot be written.
bool MakeExampleScene(const ExampleScene& scene, const std::string& path);
