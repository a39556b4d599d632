#pragma once

#include <string>

// The example scenes, built through the library as a user builds them in the panels: fluids
// of the shipped emitter classes, daemons of the shipped daemon classes, each parameter typed
// into its class's window. The plug-ins must have been scanned.

struct ExampleScene {
    const char* name;     // file name without ".ulw"
    const char* summary;  // one line for listings
    // Builds the scene into an empty scene; files it needs beside the workspace go into dir.
    bool (*build)(const std::string& dir);
};

// The fountain, the falling block, the dam break and the stirred tank.
const ExampleScene* ExampleScenes(int* count);

// Clears the scene, builds the example and saves it to path. False, with a message on
// standard error, when a class is missing or the file cannot be written.
bool MakeExampleScene(const ExampleScene& scene, const std::string& path);

// The falling block with its column and box scaled by `scale` on every axis (the same rest
// density, so scale^3 times the particles), added to the scene. For benchmarks that need the
// example at the size of a production scene.
bool BuildFallingBlock(float scale);
