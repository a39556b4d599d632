// A workspace file, loaded with the shipped classes installed, then stepped a few steps.
#include <cstdint>

#include "fluid/driver.h"
#include "fluid/parallel.h"
#include "fuzz_support.h"
#include "io/workspace.h"
#include "plugins/loader.h"
#include "scene/scene.h"
#include "scene/view_settings.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::Quiet();
    fuzz::KeepPluginsLoaded(UNDALINE_PLUGINS_DIR);
    SetPluginsDirectory(UNDALINE_PLUGINS_DIR);
    ScanPlugins();
    parallel::SetThreadCount(1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzz::WriteInput("input.ulw", data, size);
    // No output hook is installed, so the steps write no file whatever the scene asks for.
    if (LoadWorkspace(path.c_str())) {
        sim::SetFullMode(true);
        for (int i = 0; i < 3; ++i) sim::Step();
    }
    ResetScene();
    ResetViewSettings();
    fuzz::ForgetMessages();
    return 0;
}
