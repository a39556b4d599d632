#include "scene/soundwave.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/endian.h"
#include "platform/format.h"
#include "platform/message_box.h"
#include "platform/riff.h"
#include "scene/envelope.h"
#include "scene/simulation_state.h"

namespace {

constexpr uint32_t kWaveForm = platform::FourCC('W', 'A', 'V', 'E');
constexpr uint32_t kFmtId = platform::FourCC('f', 'm', 't', ' ');
constexpr uint32_t kDataId = platform::FourCC('d', 'a', 't', 'a');
constexpr size_t kReadBlock = 64 * 1024;

bool Refuse(const char* text) {
    platform::MessageBox(text, "Undaline", platform::kIconExclamation, platform::kButtonsOk);
    return false;
}

size_t SampleBytes(int bits) { return bits == 16 ? 2 : 1; }

// Reads the data chunk into a new array in the stored form; null after a message.
void* ReadSamples(platform::RiffReader& riff, const platform::RiffChunk& data, int bits,
                  int count) {
    const size_t width = SampleBytes(bits);
    void* out = std::malloc(static_cast<size_t>(count) * width);
    if (!out) {
        Refuse(bits == 16 ? "Error malloc samples buffer L word" : "Error malloc samples buffer L byte");
        return nullptr;
    }
    std::vector<uint8_t> buffer(kReadBlock);
    const uint64_t total = static_cast<uint64_t>(count) * width;
    uint64_t done = 0;
    while (done < total) {
        const size_t n = static_cast<size_t>(total - done < kReadBlock ? total - done : kReadBlock);
        if (!riff.ReadChunk(data, done, buffer.data(), n)) {
            std::free(out);
            Refuse(done == 0 ? "Error 7" : "LOWPASS_ERROR_CANNOT_READ");
            return nullptr;
        }
        if (width == 1) {
            std::memcpy(static_cast<uint8_t*>(out) + done, buffer.data(), n);
        } else {
            // Signed PCM words become the unsigned form centred on 32768.
            uint16_t* words = static_cast<uint16_t*>(out) + done / 2;
            for (size_t i = 0; i + 1 < n; i += 2) {
                words[i / 2] = static_cast<uint16_t>(platform::GetU16LE(buffer.data() + i) ^ 0x8000u);
            }
        }
        done += n;
    }
    return out;
}

void* CopyArray(const void* from, size_t bytes) {
    if (!from || bytes == 0) return nullptr;
    void* to = std::malloc(bytes);
    if (to) std::memcpy(to, from, bytes);
    return to;
}

}  // namespace

SoundWave::SoundWave()
    : stereo(0),
      bits(8),
      file{},
      count(0),
      rate(0),
      threshold(0),
      offset(0),
      gain(1.0f),
      oversampling(1),
      samples(nullptr),
      filtered(nullptr) {}

SoundWave::SoundWave(const SoundWave& other) : SoundWave() { *this = other; }

SoundWave& SoundWave::operator=(const SoundWave& other) {
    if (this == &other) return *this;
    std::free(samples);
    std::free(filtered);
    stereo = other.stereo;
    bits = other.bits;
    std::memcpy(file, other.file, sizeof file);
    count = other.count;
    rate = other.rate;
    threshold = other.threshold;
    offset = other.offset;
    gain = other.gain;
    oversampling = other.oversampling;
    const size_t n = other.count > 0 ? static_cast<size_t>(other.count) : 0;
    samples = CopyArray(other.samples, n * SampleBytes(other.bits));
    filtered = static_cast<float*>(CopyArray(other.filtered, n * sizeof(float)));
    // Without its samples a copy holds no sound at all.
    if (other.samples && !samples) {
        count = 0;
        std::free(filtered);
        filtered = nullptr;
    }
    return *this;
}

SoundWave::~SoundWave() {
    std::free(samples);
    std::free(filtered);
}

int SoundWave::SampleAt(int i) const {
    if (!samples || i < 0 || i >= count) return 0;
    if (bits == 16) return static_cast<const uint16_t*>(samples)[i];
    return static_cast<const uint8_t*>(samples)[i];
}

bool SoundWave::LoadWave(const char* path) {
    platform::RiffReader riff;
    if (!path || !riff.Open(path)) {
        return Refuse(platform::Format("Error: File %s not found", path ? path : "").c_str());
    }
    platform::RiffChunk top;
    const platform::RiffResult entered = riff.DescendFirst(&top);
    if (entered == platform::RiffResult::kReadError) return Refuse("Cannot read input WAVE file.");
    if (top.id != platform::kRiffId) return Refuse("The current input file is not a sound wave file.");
    // A RIFF chunk longer than the file is a file cut short: its chunks are looked for within
    // the file, and samples that are missing are reported as such.
    if (entered != platform::RiffResult::kOk && entered != platform::RiffResult::kTruncated) {
        return Refuse("Cannot read input WAVE file.");
    }
    if (top.form != kWaveForm) return Refuse("The current input file is not a sound wave file.");

    platform::RiffChunk fmt;
    if (riff.FindChunk(top, kFmtId, &fmt) != platform::RiffResult::kOk) return Refuse(" Error 1");
    if (fmt.size < 16) return Refuse("Error 2");
    uint8_t f[16];
    if (!riff.ReadChunk(fmt, 0, f, sizeof f)) return Refuse("Error 3");
    const uint16_t format_tag = platform::GetU16LE(f);
    const uint16_t channels = platform::GetU16LE(f + 2);
    const uint32_t samples_per_second = platform::GetU32LE(f + 4);
    const uint16_t bits_per_sample = platform::GetU16LE(f + 14);
    if (format_tag != 1) return Refuse("Error 5");
    if (channels >= 2) {
        stereo = 1;
        return Refuse("Sorry. Stereo format is not accepted. Please convert to mono.");
    }
    // Only what the loudness measure understands: one channel of 8- or 16-bit samples at a
    // rate that can be divided by. Zero channels and other sample sizes are refused with the
    // message of a format that is not PCM.
    if (channels != 1 || (bits_per_sample != 8 && bits_per_sample != 16) ||
        samples_per_second == 0 || samples_per_second > INT_MAX) {
        return Refuse("Error 5");
    }

    platform::RiffChunk data;
    const platform::RiffResult found = riff.FindChunk(top, kDataId, &data);
    if (found == platform::RiffResult::kTruncated) return Refuse("LOWPASS_ERROR_CANNOT_READ");
    if (found != platform::RiffResult::kOk) return Refuse("Error 6");
    const uint64_t sample_count = data.size / SampleBytes(bits_per_sample);
    if (sample_count == 0) return Refuse("Error 6");
    if (sample_count > static_cast<uint64_t>(INT_MAX)) {
        return Refuse(bits_per_sample == 16 ? "Error malloc samples buffer L word"
                                            : "Error malloc samples buffer L byte");
    }
    void* read = ReadSamples(riff, data, bits_per_sample, static_cast<int>(sample_count));
    if (!read) return false;

    std::free(samples);
    std::free(filtered);
    filtered = nullptr;
    samples = read;
    stereo = 0;
    bits = static_cast<int16_t>(bits_per_sample);
    rate = static_cast<int>(samples_per_second);
    count = static_cast<int>(sample_count);
    platform::CopyText(file, sizeof file, path);
    return true;
}

bool SoundWave::FilterSamples(int block) {
    std::free(filtered);
    filtered = nullptr;
    const size_t n = count > 0 ? static_cast<size_t>(count) : 0;
    filtered = static_cast<float*>(std::malloc((n > 0 ? n : 1) * sizeof(float)));
    if (!filtered) return Refuse("Error malloc filterL");
    if (block < 1) block = 1;
    const int zero = bits == 16 ? 32768 : 127;
    for (int start = 0; start < count; start += block) {
        // The last block may be short; it is measured over what it has.
        const int end = count - start > block ? start + block : count;
        double sum = 0;
        for (int i = start; i < end; ++i) sum += std::abs(SampleAt(i) - zero);
        const float mean = static_cast<float>(sum / (end - start));
        for (int i = start; i < end; ++i) filtered[i] = mean;
        if (end == count) break;
    }
    return true;
}

int AudioStep(const SoundWave& wave) { return wave.rate / (FramesPerSecond() * 4); }

bool LoadEnvelopeAudio(Envelope* env, const char* path) {
    if (!env) return false;
    SoundWave* wave = new SoundWave;
    if (!wave->LoadWave(path) || !wave->FilterSamples(wave->oversampling)) {
        delete wave;
        return false;
    }
    long long length = static_cast<long long>(wave->count) * FramesPerSecond() / wave->rate;
    if (length > kMaxEnvelopeFrames) length = kMaxEnvelopeFrames;
    // The earlier sound stays attached until the new length is in place, so that a failure
    // leaves the envelope as it was.
    SoundWave* earlier = env->audio;
    env->audio = nullptr;
    if (!env->SetFrames(static_cast<int>(length))) {
        env->audio = earlier;
        delete wave;
        return false;
    }
    delete earlier;
    env->audio = wave;
    FillAudioTable(env);
    return true;
}

void FillAudioTable(Envelope* env) {
    if (!env || !env->audio || !env->samples || !env->audio_samples) return;
    const SoundWave& w = *env->audio;
    const float step = static_cast<float>(AudioStep(w));
    const int last = env->frames * 4;
    for (int i = 0; i <= last; ++i) {
        float v = 0;
        if (w.filtered && w.count > 0) {
            const long long at = static_cast<long long>(static_cast<double>(i) * step) % w.count;
            v = w.filtered[at];
        }
        float y = v + w.offset;
        if (y < w.threshold) y = 0;
        y = y * w.gain;
        env->audio_samples[i] = Vector(env->samples[i].x, y, v);
    }
}

void ClearAudioChannel(Envelope* env) {
    if (!env) return;
    delete env->audio;
    env->audio = nullptr;
    env->use_audio = 0;
}

bool UseAudioAsGraph(Envelope* env) {
    if (!env || !env->audio) return false;
    env->use_audio = 1;
    return true;
}

void UseAudioAsTemplate(Envelope* env) {
    if (env) env->use_audio = 0;
}

void SetAudioThreshold(Envelope* env, float threshold) {
    if (!env || !env->audio) return;
    env->audio->threshold = threshold;
    FillAudioTable(env);
}

void SetAudioOffset(Envelope* env, float offset) {
    if (!env || !env->audio) return;
    env->audio->offset = offset;
    FillAudioTable(env);
}

void SetAudioScale(Envelope* env, float gain) {
    if (!env || !env->audio) return;
    env->audio->gain = gain > 0 ? gain : 0.0f;
    FillAudioTable(env);
}

bool SetAudioOversampling(Envelope* env, int block) {
    if (!env || !env->audio) return false;
    env->audio->oversampling = block > 0 ? block : 1;
    if (!env->audio->FilterSamples(env->audio->oversampling)) return false;
    FillAudioTable(env);
    return true;
}
