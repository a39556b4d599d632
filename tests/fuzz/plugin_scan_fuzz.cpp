// A file in the plug-ins directory, catalogued by a scan; and a partial copy of a real plug-in,
// cut where the input says, which the scan must leave out before the dynamic loader sees it.
//
// A file that passes the library check is not scanned as it is: scanning loads it, and a
// loaded library runs its own code, which no check can vouch for.
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "fuzz_support.h"
#include "platform/library_file.h"
#include "platform/paths.h"
#include "plugins/loader.h"
#include "plugins/registry.h"

namespace {

void Scan() {
    ScanPlugins();
    UnloadAllPlugins();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::Quiet();
    SetPluginsDirectory(fuzz::Folder());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string library = [] {
        std::ifstream in(platform::JoinPath(UNDALINE_PLUGINS_DIR, "emitters.so"), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }();
    const std::string path = fuzz::WriteInput("input.so", data, size);
    if (!platform::CheckLibraryFile(path).empty()) Scan();

    uint32_t cut = 0;
    std::memcpy(&cut, data, size < 4 ? size : 4);
    cut %= static_cast<uint32_t>(library.size());  // never the whole file
    fuzz::WriteInput("input.so", reinterpret_cast<const uint8_t*>(library.data()), cut);
    Scan();
    fuzz::ForgetMessages();
    return 0;
}
