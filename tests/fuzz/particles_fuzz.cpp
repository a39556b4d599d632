// A particle BIN file, loaded into a fluid and stepped a few steps.
#include <cstdint>

#include "fluid/driver.h"
#include "fluid/fluido.h"
#include "fluid/parallel.h"
#include "fuzz_support.h"
#include "node_class.h"
#include "scene/creador.h"
#include "scene/scene.h"

namespace {

ClassOf<Creador> g_still(kClassEmitter, 9901, "Still");

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::Quiet();
    parallel::SetThreadCount(1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzz::WriteInput("input.bin", data, size);
    Fluido* f = CreaFluido(&g_still);
    if (f && f->LoadBinGreg(path.c_str())) {
        for (int i = 0; i < 3; ++i) sim::Step();
    }
    ResetScene();
    fuzz::ForgetMessages();
    return 0;
}
