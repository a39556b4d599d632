#pragma once

#include <string>

// A headless run of a workspace: load it, simulate frames in full mode, write the per-frame
// outputs the workspace asks for, and optionally save the scene at the end.
struct BatchOptions {
    std::string workspace;
    int frames = -1;      // -1: the workspace's frame limit when on, else 100
    std::string out;      // replaces empty output directories
    int threads = 0;      // 0: as many as the machine offers
    std::string save;     // save the scene here at the end
    std::string plugins;  // plug-ins directory; empty: the default beside the program
    bool quiet = false;
    bool log = false;     // every log line, not only warnings
    // Pictures of a workspace with "Save images" on.
    int image_width = 640;
    int image_height = 480;
    int movie_quality = 0;  // an AVI movie: 0 full frames, 1..100 Motion-JPEG quality
    bool no_images = false;
};

// Returns the process exit code.
int RunBatch(const BatchOptions& options);
