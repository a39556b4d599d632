#pragma once

#include <string>

// "Save images" in batch runs: the scene drawn as the viewport draws it, into an offscreen GL
// context that needs no window and no display (EGL on Mesa's surfaceless platform), and every
// frame written as the workspace's image output says. A render farm node records its previews
// this way.
namespace batch_capture {

// Opens the context for pictures of width × height pixels and installs the simulation's
// capture hook. False, with the reason in *why, when no offscreen context can be had.
bool Start(int width, int height, std::string* why);
// Removes the hook, finishes an open movie and lets the context go.
void Stop();

}  // namespace batch_capture
