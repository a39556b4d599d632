// An envelope file, and the same bytes as the envelope record of a workspace.
#include <cstdint>
#include <vector>

#include "fuzz_support.h"
#include "platform/workspace_file.h"
#include "scene/envelope.h"
#include "scene/envelope_file.h"

namespace {

void Sample(const Envelope& env) {
    for (float t : {-1.0f, 0.0f, 0.5f, 3.0f, 1e9f}) env.DameValor(t);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::Quiet();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Envelope file(60, 1.0f, 0.0f, 0.0f);
    LoadEnvelopeFile(fuzz::WriteInput("input.env", data, size).c_str(), &file);
    Sample(file);

    Envelope record;
    const std::vector<uint8_t> bytes(data, data + size);
    if (platform::BeginWorkspaceReadMemory(bytes)) {
        SetEnvelopeFrameBudget(kWorkspaceEnvelopeFrames);
        LoadEnvelopeRecord(&record);
        SetEnvelopeFrameBudget(-1);
        platform::EndWorkspaceRead();
    }
    Sample(record);
    fuzz::ForgetMessages();
    return 0;
}
