#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "export.h"
#include "math/vector.h"

// Envelopes: curves of keys over frames that drive animated parameters. The curve is sampled
// four times per frame whenever it changes, so reading a parameter during a step is a table
// look-up. Pcontrol and Envelope are shared with plug-ins: the order and types of their
// fields are a binary contract, checked below.

class SoundWave;

enum PcontrolType { kKeySmooth = 1, kKeyTangent = 2, kKeyLinear = 3 };

// One key of an envelope, a node of a doubly linked list in increasing time.
class UNDALINE_API Pcontrol {
public:
    Pcontrol();
    Pcontrol(float time, float value);
    // Copying and assignment take all eleven fields, the links included.

    float time;       // frames
    float value;
    float slope_in;   // value per frame, used by Tangent keys
    float slope_out;  // value per frame, used by Tangent keys
    int type;         // PcontrolType
    unsigned char advanced;  // tension, continuity and bias were edited
    float tension;
    float continuity;
    float bias;
    Pcontrol* next;
    Pcontrol* prev;
};

// Longest envelope, in frames: bounds the two sample tables (about 96 MB at the limit).
constexpr int kMaxEnvelopeFrames = 1000000;

class UNDALINE_API Envelope {
public:
    // An empty envelope, for a record to be read into: one key at 0 with value 0, no frames
    // and no samples, grid shown.
    Envelope();
    // Keys at 0 and at frames, both with value, sampled; min and max clamp the samples (666:
    // no clamp on that side, equal: none at all). frames is kept within 0..kMaxEnvelopeFrames.
    Envelope(int frames, float value, float min, float max);
    // Frees the keys after the first, both tables and the audio source.
    ~Envelope();
    Envelope(const Envelope&) = delete;
    Envelope& operator=(const Envelope&) = delete;

    // The value at time t (seconds): the sample at index frames-per-second · t · 4 + 1,
    // wrapping past the end when loop is set and holding the last sample otherwise; from
    // audio_samples when use_audio is set.
    float DameValor(float t) const;

    // Samples the curve into `samples` from the keys, clamped by the limits. Call after
    // every change of keys, key types, limits or frames.
    void Resample();

    // Links a new Smooth key in before the first key whose time is not less than time (after
    // all keys when none is), and re-samples. The first key stays first: a time not after
    // it is refused with null.
    Pcontrol* InsertKey(float time, float value);
    // Unlinks and frees a key of this envelope, and re-samples. The first and the last key
    // cannot be removed: false.
    bool RemoveKey(Pcontrol* key);
    // Gives the envelope a new length: the keys after the first are replaced by one key at
    // frames with the first key's value, the tables are reallocated, the view is reset and
    // the curve re-sampled (and the audio table refilled when a sound drives it). False, with
    // nothing changed, for a length outside 0..kMaxEnvelopeFrames or when memory runs out.
    bool SetFrames(int frames);

    // Allocates both tables, zeroed, for the current frames, replacing any earlier ones;
    // false, with the old tables kept, for frames outside 0..kMaxEnvelopeFrames or when
    // memory runs out.
    bool AllocateTables();

    int KeyCount() const;
    Pcontrol* LastKey();
    // frames·4 + 1, or 0 while there are no tables.
    int SampleCount() const;

    Pcontrol first;
    float view_x0, view_x1;         // frames shown by the editor
    float view_bottom, view_top;    // values shown by the editor
    float min_value;
    float max_value;
    uint32_t editor_state[4];       // the editor's own, 0 at construction
    int frames;
    Vector* samples;                // frames·4 + 1: x frame, y value, z 0
    Vector* audio_samples;          // same size, filled from the sound
    SoundWave* audio;               // the sound that drives the envelope, or null
    int loop;
    unsigned char show_flag;
    unsigned char use_audio;        // reading takes audio_samples
    unsigned char grid;
};

static_assert(std::is_standard_layout_v<Pcontrol>);
static_assert(offsetof(Pcontrol, type) == 16 && offsetof(Pcontrol, advanced) == 20);
static_assert(offsetof(Pcontrol, tension) == 24 && offsetof(Pcontrol, bias) == 32);
static_assert(offsetof(Pcontrol, next) == 40 && offsetof(Pcontrol, prev) == 48);
static_assert(sizeof(Pcontrol) == 56);

static_assert(std::is_standard_layout_v<Envelope>);
static_assert(offsetof(Envelope, view_x0) == 56 && offsetof(Envelope, min_value) == 72);
static_assert(offsetof(Envelope, editor_state) == 80 && offsetof(Envelope, frames) == 96);
static_assert(offsetof(Envelope, samples) == 104 && offsetof(Envelope, audio_samples) == 112);
static_assert(offsetof(Envelope, audio) == 120 && offsetof(Envelope, loop) == 128);
static_assert(offsetof(Envelope, show_flag) == 132 && offsetof(Envelope, use_audio) == 133);
static_assert(offsetof(Envelope, grid) == 134 && sizeof(Envelope) == 136);
