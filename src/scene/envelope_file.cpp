#include "scene/envelope_file.h"

#include <cstdio>
#include <new>
#include <vector>

#include <sys/types.h>

#include "platform/byte_buffer.h"
#include "platform/endian.h"
#include "platform/format.h"
#include "platform/message_box.h"
#include "platform/whole_file.h"
#include "platform/workspace_file.h"
#include "scene/envelope.h"
#include "scene/soundwave.h"

// The record's layout is written once, as templates over where the bytes go: the current
// workspace file, or a buffer / file of an envelope file of its own. Every reader knows how
// many bytes are left, so a key count is checked before anything is allocated for it.

namespace {

constexpr uint64_t kKeyBytes = 33;
constexpr uint64_t kTailBytes = 4 * 6 + 4 + 4 + 1 + 1;

thread_local long long t_frame_budget = -1;  // negative: no workspace is being read

struct KeyRecord {
    float time, value, slope_in, slope_out, tension, continuity, bias;
    int32_t type;
    uint8_t advanced;
};

struct EnvelopeRecord {
    std::vector<KeyRecord> keys;
    float view_x0 = 0, view_x1 = 0, view_top = 0, view_bottom = 0;
    float min_value = 0, max_value = 0;
    int32_t loop = 0, frames = 0;
    uint8_t show_flag = 0, grid = 0;
};

// Sinks and sources of little-endian values.
struct WorkspaceOut {
    bool ok = true;
    void U8(uint8_t v) { ok = platform::WriteU8(v) && ok; }
    void I32(int32_t v) { ok = platform::WriteI32(v) && ok; }
    void F32(float v) { ok = platform::WriteF32(v) && ok; }
};

struct WorkspaceIn {
    uint64_t left = static_cast<uint64_t>(platform::WorkspaceRemaining());
    uint64_t Remaining() const { return left; }
    bool Take(uint64_t n) {
        if (left < n) return false;
        left -= n;
        return true;
    }
    bool U8(uint8_t* v) { return Take(1) && platform::ReadU8(v); }
    bool I32(int32_t* v) { return Take(4) && platform::ReadI32(v); }
    bool U32(uint32_t* v) { return Take(4) && platform::ReadU32(v); }
    bool F32(float* v) { return Take(4) && platform::ReadF32(v); }
};

struct FileIn {
    std::FILE* file = nullptr;
    uint64_t left = 0;
    explicit FileIn(const char* path) {
        file = path ? std::fopen(path, "rb") : nullptr;
        if (!file) return;
        if (fseeko(file, 0, SEEK_END) == 0) {
            const off_t end = ftello(file);
            if (end > 0 && fseeko(file, 0, SEEK_SET) == 0) left = static_cast<uint64_t>(end);
        }
    }
    ~FileIn() {
        if (file) std::fclose(file);
    }
    FileIn(const FileIn&) = delete;
    FileIn& operator=(const FileIn&) = delete;
    uint64_t Remaining() const { return left; }
    bool Bytes(uint8_t* b, size_t n) {
        if (left < n || std::fread(b, 1, n, file) != n) return false;
        left -= n;
        return true;
    }
    bool U8(uint8_t* v) { return Bytes(v, 1); }
    bool U32(uint32_t* v) {
        uint8_t b[4];
        if (!Bytes(b, 4)) return false;
        *v = platform::GetU32LE(b);
        return true;
    }
    bool I32(int32_t* v) {
        uint32_t u;
        if (!U32(&u)) return false;
        *v = static_cast<int32_t>(u);
        return true;
    }
    bool F32(float* v) {
        uint8_t b[4];
        if (!Bytes(b, 4)) return false;
        *v = platform::GetF32LE(b);
        return true;
    }
};

EnvelopeRecord RecordOf(const Envelope& env) {
    EnvelopeRecord r;
    for (const Pcontrol* p = &env.first; p; p = p->next) {
        r.keys.push_back(KeyRecord{p->time, p->value, p->slope_in, p->slope_out, p->tension,
                                   p->continuity, p->bias, p->type, p->advanced});
    }
    r.view_x0 = env.view_x0;
    r.view_x1 = env.view_x1;
    r.view_top = env.view_top;
    r.view_bottom = env.view_bottom;
    r.min_value = env.min_value;
    r.max_value = env.max_value;
    r.loop = env.loop;
    r.frames = env.frames;
    r.show_flag = env.show_flag;
    r.grid = env.grid;
    return r;
}

template <class Out>
void PutRecord(Out& out, const EnvelopeRecord& r) {
    out.I32(static_cast<int32_t>(r.keys.size()));
    for (const KeyRecord& k : r.keys) {
        out.F32(k.time);
        out.F32(k.value);
        out.F32(k.slope_in);
        out.F32(k.slope_out);
        out.F32(k.tension);
        out.F32(k.continuity);
        out.F32(k.bias);
        out.I32(k.type);
        out.U8(k.advanced);
    }
    out.F32(r.view_x0);
    out.F32(r.view_x1);
    out.F32(r.view_top);
    out.F32(r.view_bottom);
    out.F32(r.min_value);
    out.F32(r.max_value);
    out.I32(r.loop);
    out.I32(r.frames);
    out.U8(r.show_flag);
    out.U8(r.grid);
}

template <class In>
bool GetRecord(In& in, EnvelopeRecord* r) {
    int32_t count = 0;
    if (!in.I32(&count) || count < 1) return false;
    if (static_cast<uint64_t>(count) > (in.Remaining() / kKeyBytes)) return false;
    if (static_cast<uint64_t>(count) * kKeyBytes + kTailBytes > in.Remaining()) return false;
    r->keys.resize(static_cast<size_t>(count));
    for (KeyRecord& k : r->keys) {
        if (!(in.F32(&k.time) && in.F32(&k.value) && in.F32(&k.slope_in) &&
              in.F32(&k.slope_out) && in.F32(&k.tension) && in.F32(&k.continuity) &&
              in.F32(&k.bias) && in.I32(&k.type) && in.U8(&k.advanced))) {
            return false;
        }
    }
    if (!(in.F32(&r->view_x0) && in.F32(&r->view_x1) && in.F32(&r->view_top) &&
          in.F32(&r->view_bottom) && in.F32(&r->min_value) && in.F32(&r->max_value) &&
          in.I32(&r->loop) && in.I32(&r->frames) && in.U8(&r->show_flag) && in.U8(&r->grid))) {
        return false;
    }
    return r->frames >= 0 && r->frames <= kMaxEnvelopeFrames;
}

void SetKey(Pcontrol* p, const KeyRecord& k) {
    p->time = k.time;
    p->value = k.value;
    p->slope_in = k.slope_in;
    p->slope_out = k.slope_out;
    p->tension = k.tension;
    p->continuity = k.continuity;
    p->bias = k.bias;
    p->type = k.type;
    p->advanced = k.advanced;
}

// Puts a record that was read whole into env; the tables come first, as only they can fail.
bool ApplyRecord(Envelope* env, const EnvelopeRecord& r) {
    const int old_frames = env->frames;
    env->frames = r.frames;
    if (!env->AllocateTables()) {
        env->frames = old_frames;
        return false;
    }
    for (Pcontrol* p = env->first.next; p;) {
        Pcontrol* next = p->next;
        delete p;
        p = next;
    }
    env->first.next = nullptr;
    SetKey(&env->first, r.keys[0]);
    Pcontrol* last = &env->first;
    for (size_t i = 1; i < r.keys.size(); ++i) {
        Pcontrol* p = new Pcontrol;
        SetKey(p, r.keys[i]);
        p->prev = last;
        last->next = p;
        last = p;
    }
    env->view_x0 = r.view_x0;
    env->view_x1 = r.view_x1;
    env->view_top = r.view_top;
    env->view_bottom = r.view_bottom;
    env->min_value = r.min_value;
    env->max_value = r.max_value;
    env->loop = r.loop;
    env->show_flag = r.show_flag;
    env->grid = r.grid;
    env->Resample();
    if (env->audio) FillAudioTable(env);
    return true;
}

bool Warn(const char* text) {
    platform::MessageBox(text, "Undaline", platform::kIconExclamation, platform::kButtonsOk);
    return false;
}

}  // namespace

int SaveEnvelopeRecord(const Envelope* env) {
    if (!env) return 0;
    WorkspaceOut out;
    PutRecord(out, RecordOf(*env));
    return out.ok ? 1 : 0;
}

void SetEnvelopeFrameBudget(long long frames) { t_frame_budget = frames; }

int LoadEnvelopeRecord(Envelope* env) {
    if (!env) return 0;
    WorkspaceIn in;
    EnvelopeRecord r;
    if (!GetRecord(in, &r)) return 0;
    if (t_frame_budget >= 0) {
        if (r.frames > t_frame_budget) {
            Warn(platform::Format(kMsgEnvelopeBudget, kWorkspaceEnvelopeFrames).c_str());
            t_frame_budget = 0;
            return 0;
        }
        t_frame_budget -= r.frames;
    }
    return ApplyRecord(env, r) ? 1 : 0;
}

bool SaveEnvelopeFile(const char* path, const Envelope* env) {
    if (!path || !env) return false;
    platform::ByteWriter out;
    out.U32(kEnvelopeFileTag);
    out.F32(kEnvelopeFileVersion);
    PutRecord(out, RecordOf(*env));
    if (!platform::WriteWholeFile(path, out.Bytes().data(), out.Bytes().size())) {
        return Warn(platform::Format("Error: cannot write file %s", path).c_str());
    }
    return true;
}

bool LoadEnvelopeFile(const char* path, Envelope* env) {
    if (!env) return false;
    FileIn in(path);
    if (!in.file) return Warn(platform::Format("Error: File %s not found", path ? path : "").c_str());
    uint32_t tag = 0;
    if (!in.U32(&tag) || tag != kEnvelopeFileTag) return Warn("Not a valid envelope file");
    float version = 0;
    if (!in.F32(&version)) return Warn("Not a valid envelope file");
    if (version != kEnvelopeFileVersion) return Warn("Old envelope file");
    EnvelopeRecord r;
    if (!GetRecord(in, &r) || !ApplyRecord(env, r)) return Warn("Not a valid envelope file");
    return true;
}
