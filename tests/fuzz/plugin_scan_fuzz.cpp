// A file in the plug-ins directory, catalogued by a scan.
#include <cstdint>

#include "fuzz_support.h"
#include "plugins/loader.h"
#include "plugins/registry.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::Quiet();
    SetPluginsDirectory(fuzz::Folder());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::WriteInput("input.so", data, size);
    ScanPlugins();
    UnloadAllPlugins();
    fuzz::ForgetMessages();
    return 0;
}
