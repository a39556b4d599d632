#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "export.h"

class Envelope;

// A sound that drives an envelope: the samples of a mono WAV file and their loudness,
// measured in blocks. The field order is a binary contract with plug-ins, checked below.
class UNDALINE_API SoundWave {
public:
    SoundWave();
    // Copies every field; the copy gets arrays of its own, so either object can be freed.
    SoundWave(const SoundWave& other);
    SoundWave& operator=(const SoundWave& other);
    // Frees both arrays.
    ~SoundWave();

    // Reads a mono 8- or 16-bit PCM WAV file. Every failure shows its message box and leaves
    // the sound as it was. 16-bit samples are stored centred on 32768, as 8-bit ones are
    // centred on 128.
    bool LoadWave(const char* path);
    // Measures the loudness into `filtered`, one value per sample: every block of `block`
    // samples gets the mean distance of its samples from the zero level (127 for 8-bit,
    // 32768 for 16-bit). The last block, complete or not, gets the same measure over the
    // samples it has. A block below 1 is taken as 1.
    bool FilterSamples(int block);
    // Sample i as stored: 0..255 for 8-bit sounds, 0..65535 for 16-bit ones; 0 out of range.
    int SampleAt(int i) const;

    unsigned char stereo;  // the file had more than one channel (and was refused)
    int16_t bits;          // 8 or 16
    char file[256];
    int count;             // samples
    int rate;              // samples per second
    float threshold;       // measured values below it, after the offset, become 0
    float offset;          // added to every measured value
    float gain;            // "Scale": multiplies every value
    int oversampling;      // block length of the loudness measure, in samples
    void* samples;         // count bytes (8-bit) or count 16-bit words
    float* filtered;       // count values
};

static_assert(std::is_standard_layout_v<SoundWave>);
static_assert(offsetof(SoundWave, bits) == 2 && offsetof(SoundWave, file) == 4);
static_assert(offsetof(SoundWave, count) == 260 && offsetof(SoundWave, rate) == 264);
static_assert(offsetof(SoundWave, threshold) == 268 && offsetof(SoundWave, gain) == 276);
static_assert(offsetof(SoundWave, oversampling) == 280 && offsetof(SoundWave, samples) == 288);
static_assert(offsetof(SoundWave, filtered) == 296 && sizeof(SoundWave) == 304);

// What the "Audio wave properties" window does to an envelope.

// "Load audio WAV file": loads and measures the sound, gives the envelope the sound's length
// in frames (keys and tables rebuilt as by SetFrames, no question asked), attaches the sound
// in place of any earlier one and fills the audio table. On any failure the envelope and its
// earlier sound are left as they were.
UNDALINE_API bool LoadEnvelopeAudio(Envelope* env, const char* path);
// Fills audio_samples from the attached sound: four values per frame, the loudness measured
// at the matching sample of the sound, plus the offset, zeroed below the threshold, times
// the gain (z keeps the bare measure).
UNDALINE_API void FillAudioTable(Envelope* env);
// "Clear audio channel": frees the sound; the keys drive the value again.
UNDALINE_API void ClearAudioChannel(Envelope* env);
// "use as a envelope graph": the value follows the sound. False, with nothing changed, when
// there is no sound to follow.
UNDALINE_API bool UseAudioAsGraph(Envelope* env);
// "use as a template": the sound is only shown; the keys drive the value.
UNDALINE_API void UseAudioAsTemplate(Envelope* env);
// "Threshold", "Offset", "Scale" (at least 0) and "Oversampling" (at least 1, measured
// again) of the attached sound; each refills the audio table. Nothing happens without one.
UNDALINE_API void SetAudioThreshold(Envelope* env, float threshold);
UNDALINE_API void SetAudioOffset(Envelope* env, float offset);
UNDALINE_API void SetAudioScale(Envelope* env, float gain);
UNDALINE_API bool SetAudioOversampling(Envelope* env, int block);

// Samples of the sound per audio table entry: rate div (frames per second · 4).
UNDALINE_API int AudioStep(const SoundWave& wave);
