// A WAV file loaded as the sound of an envelope, measured and read back.
#include <cstdint>

#include "fuzz_support.h"
#include "scene/envelope.h"
#include "scene/soundwave.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::Quiet();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Envelope env(10, 0.0f, 0.0f, 0.0f);
    if (LoadEnvelopeAudio(&env, fuzz::WriteInput("input.wav", data, size).c_str())) {
        SetAudioOversampling(&env, 7);
        SetAudioThreshold(&env, 3.0f);
        UseAudioAsGraph(&env);
        for (float t : {0.0f, 0.25f, 1e6f}) env.DameValor(t);
    }
    fuzz::ForgetMessages();
    return 0;
}
