#include "io/particle_files.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "fluid/clock.h"
#include "fluid/fluid_limits.h"
#include "fluid/fluido.h"
#include "mesh/mesh_files.h"
#include "platform/byte_buffer.h"
#include "platform/endian.h"
#include "platform/format.h"
#include "platform/message_box.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/whole_file.h"
#include "scene/axes.h"
#include "scene/creador.h"
#include "scene/simulation_state.h"

namespace {

constexpr uint32_t kBinMagic = 0x00FABADA;
constexpr int16_t kBinVersion = 2;
constexpr size_t kHeaderSize = 320;
constexpr size_t kRecordSize = 68;
constexpr size_t kNameSize = 250;

ParticleLwoWriter g_lwo_writer = WriteParticleLwo;

// A fixed-size text field of the fluid, which a plug-in may have left unterminated.
template <size_t N>
std::string Field(const char (&text)[N]) {
    return std::string(text, strnlen(text, N));
}

void ReportWriteError(const char* file) {
    platform::MessageBox(platform::Format("File write error: %s", file).c_str());
}

void ReportSaved(const char* file) {
    platform::LogLine(platform::Format("\r\nSave: %s", file).c_str());
}

bool WriteReported(const char* file, const void* bytes, size_t size) {
    if (!file || !platform::WriteWholeFile(file, bytes, size)) {
        ReportWriteError(file ? file : "");
        return false;
    }
    ReportSaved(file);
    return true;
}

const Vector& ShownPosition(const Fluido* f, const Particula* p) {
    return f->useAltPos ? p->altPos : p->pos;
}

using platform::ByteReader;
using platform::ByteWriter;

// A vector in the export component order, each component divided by scale.
void PutAxes(ByteWriter& out, const Vector& v, float scale) {
    out.F32(v[AX] / scale);
    out.F32(v[AY] / scale);
    out.F32(v[AZ] / scale);
}

// A vector stored in the export component order: the first value goes to component AX.
Vector GetAxes(ByteReader& in) {
    Vector v(0, 0, 0);
    v[AX] = in.F32();
    v[AY] = in.F32();
    v[AZ] = in.F32();
    return v;
}

struct BinHeader {
    float scale;
    unsigned char type, full_viscosity;
    int32_t count;
    float h;
    float stats[9];  // pressure, speed, temperature: min, max, average each
};

bool FloatsFinite(const uint8_t* p, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        if (!std::isfinite(platform::GetF32LE(p + 4 * i))) return false;
    }
    return true;
}

// Whether a record's floats are finite and its radius and mass sane: a NaN or infinite
// position would poison every pass of the fluid, and a huge mass makes an infinite density.
bool RecordIsSound(const uint8_t* r) {
    using namespace fluid_limits;
    return FloatsFinite(r, 16) &&
           Within(platform::GetF32LE(r + 44), kMinSmoothing, kMaxSmoothing) &&
           Within(platform::GetF32LE(r + 56), kMinMass, kMaxMass);
}

bool ReadHeader(const uint8_t* bytes, BinHeader* out) {
    ByteReader in(bytes);
    in.Skip(4 + kNameSize);  // the magic is not checked; plug-ins have written others
    int16_t version = in.I16();
    float file_scale = in.F32();
    out->type = in.U8();
    out->full_viscosity = in.U8();
    in.Skip(2 + 4 + 4 + 4);  // padding, time, frame, frames per second
    out->count = in.I32();
    out->h = in.F32();
    for (float& s : out->stats) s = in.F32();
    out->scale = version == kBinVersion ? file_scale : scene_scale;
    if (!std::isfinite(out->scale) || out->scale <= 0.0f) return false;
    if (out->type < kFluidGas || out->type > kFluidElastic) return false;
    if (out->count < 0) return false;
    if (!fluid_limits::Within(out->h, fluid_limits::kMinSmoothing, fluid_limits::kMaxSmoothing)) {
        return false;
    }
    return FloatsFinite(bytes + 284, 9);
}

// ---- text --------------------------------------------------------------------------------

// "%.3f" without the process locale: the text file must read the same everywhere.
void AppendFixed3(std::string& out, float v) {
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(v),
                                std::chars_format::fixed, 3);
    out.append(buffer, result.ec == std::errc() ? result.ptr : buffer);
}

void AppendAxes(std::string& out, const Vector& v) {
    for (int axis : {AX, AY, AZ}) {
        out += ' ';
        AppendFixed3(out, v[axis]);
    }
}

}  // namespace

bool Fluido::EscribeBin(const char* file) {
    const float scale = scene_scale;
    int n = 0;
    for (Particula* p = First(); p; p = p->next) ++n;

    ByteWriter out(kHeaderSize + kRecordSize * static_cast<size_t>(n));
    out.U32(kBinMagic);
    out.Text(emitter ? Field(emitter->name) : std::string(), kNameSize);
    out.I16(kBinVersion);
    out.F32(scale);
    out.U8(type);
    out.U8(fullViscosity);
    out.U8(0);
    out.U8(0);
    out.F32(tuniversal);
    out.I32(frame);
    out.I32(FramesPerSecond());
    out.I32(n);
    out.F32(h);
    for (float s : {pressureMin, pressureMax, pressureAvg, speedMin, speedMax, speedAvg,
                    temperatureMin, temperatureMax, temperatureAvg}) {
        out.F32(s);
    }
    for (Particula* p = First(); p; p = p->next) {
        PutAxes(out, ShownPosition(this, p), useAltPos ? 1.0f : scale);
        PutAxes(out, p->vel + p->extraVel, scale);
        PutAxes(out, p->force, 1.0f);
        out.F32(p->age);
        out.F32(p->isolatedTime);
        out.F32(h);
        out.F32(p->density);
        out.F32(p->pressure);
        out.F32(p->mass);
        out.F32(p->temperature);
        out.I32(p->id);
    }
    return WriteReported(file, out.Bytes().data(), out.Bytes().size());
}

bool Fluido::EscribeAscii(const char* file) {
    std::string text = "#Undaline Particle data file v.1.0\n";
    text += "#[id] [x] [y] [z] [vx] [vy] [vz] [radius] [density] [pressure]\n";
    text += platform::Format("frame %d\n", frame);
    text += platform::Format("particles %d\n", count);
    text += platform::Format("max.particles %d\n", serial);
    for (Particula* p = First(); p; p = p->next) {
        text += std::to_string(p->id);
        AppendAxes(text, ShownPosition(this, p));
        AppendAxes(text, p->vel + p->extraVel);
        for (float v : {h, p->density, p->pressure}) {
            text += ' ';
            AppendFixed3(text, v);
        }
        text += '\n';
    }
    return WriteReported(file, text.data(), text.size());
}

bool Fluido::LoadBinGreg(const char* file) {
    std::vector<uint8_t> bytes;
    if (!platform::ReadWholeFile(file, &bytes)) return false;

    // Everything is checked before the fluid changes, so a refused file leaves it whole.
    BinHeader header;
    if (bytes.size() < kHeaderSize || !ReadHeader(bytes.data(), &header)) return false;
    const uint8_t* records = bytes.data() + kHeaderSize;
    const size_t n = static_cast<size_t>(header.count);
    if (n > (bytes.size() - kHeaderSize) / kRecordSize) return false;
    for (size_t i = 0; i < n; ++i) {
        if (!RecordIsSound(records + i * kRecordSize)) return false;
    }

    type = header.type;
    fullViscosity = header.full_viscosity;
    h = header.h;
    float* stats[9] = {&pressureMin, &pressureMax, &pressureAvg, &speedMin, &speedMax,
                       &speedAvg, &temperatureMin, &temperatureMax, &temperatureAvg};
    for (int i = 0; i < 9; ++i) *stats[i] = header.stats[i];

    const float scale = header.scale;
    for (size_t i = 0; i < n; ++i) {
        ByteReader in(records + i * kRecordSize);
        Vector pos = GetAxes(in) * scale;
        Vector vel = GetAxes(in) * scale;
        Vector force = GetAxes(in);
        float age = in.F32();
        float isolated = in.F32();
        h = in.F32();
        float density = in.F32();
        float pressure = in.F32();
        float mass = in.F32();
        float temperature = in.F32();
        // The stored id is not taken: ids stay unique within the fluid.
        Particula* p = CreaParticula(pos, vel);
        if (!p) continue;
        p->force = force;
        p->age = age;
        p->isolatedTime = isolated;
        p->density = density;
        p->pressure = pressure;
        p->mass = mass;
        p->temperature = temperature;
    }
    // The constants that follow from h stay in step with it.
    fluid_limits::SetSmoothingLength(this, h);
    return true;
}

bool ReadParticleBin(const uint8_t* bytes, size_t size, ParticleBinData* out) {
    BinHeader header;
    if (!bytes || !out || size < kHeaderSize || !ReadHeader(bytes, &header)) return false;
    const size_t n = static_cast<size_t>(header.count);
    if (n > (size - kHeaderSize) / kRecordSize) return false;
    ParticleBinData d;
    d.scale = header.scale;
    d.frame = static_cast<int32_t>(platform::GetU32LE(bytes + 268));
    d.speedMin = header.stats[3];
    d.speedMax = header.stats[4];
    d.records.resize(n);
    for (size_t i = 0; i < n; ++i) {
        const uint8_t* r = bytes + kHeaderSize + i * kRecordSize;
        if (!RecordIsSound(r)) return false;
        ByteReader in(r);
        ParticleBinRecord& p = d.records[i];
        for (Vector* v : {&p.pos, &p.vel, &p.force}) {
            v->x = in.F32();
            v->y = in.F32();
            v->z = in.F32();
        }
        for (float* f : {&p.age, &p.isolatedTime, &p.radius, &p.density, &p.pressure, &p.mass,
                         &p.temperature}) {
            *f = in.F32();
        }
        p.id = in.I32();
    }
    *out = std::move(d);
    return true;
}

std::string ParticleOutputDir(const Fluido* fluid) {
    std::string dir = fluid ? Field(fluid->outDir) : std::string();
    return dir.empty() ? platform::AppDir() : platform::LocalPath(dir);
}

std::string ParticleFrameName(const Fluido* fluid, int kind) {
    if (!fluid) return std::string();
    const int n = fluid->frameOffset + frame;
    std::string name = Field(fluid->prefix);
    switch (kind) {
        case kParticleBin: name += platform::Format("%05d.bin", n); break;
        case kParticleAscii: name += platform::Format("%05d.asc", n); break;
        case kParticleLwo:
            name += platform::Format(n < 10 ? "00%d.lwo" : n < 100 ? "0%d.lwo" : "%d.lwo", n);
            break;
        default: return std::string();
    }
    return platform::JoinPath(ParticleOutputDir(fluid), name);
}

void SetParticleLwoWriter(ParticleLwoWriter writer) { g_lwo_writer = writer; }
ParticleLwoWriter GetParticleLwoWriter() { return g_lwo_writer; }

bool WriteFrameParticleFiles(Fluido* fluid) {
    if (!fluid) return false;
    bool ok = true;
    if (fluid->outLwo && (!fluid->onlyFirstLwo || frame == 0) && g_lwo_writer) {
        ok = g_lwo_writer(fluid, ParticleFrameName(fluid, kParticleLwo).c_str()) && ok;
    }
    if (fluid->outBin) ok = fluid->EscribeBin(ParticleFrameName(fluid, kParticleBin).c_str()) && ok;
    if (fluid->outAscii) {
        ok = fluid->EscribeAscii(ParticleFrameName(fluid, kParticleAscii).c_str()) && ok;
    }
    return ok;
}

bool LoadBinIntoSelectedFluid(const char* file) {
    if (!selflow) {
        platform::MessageBox("Please create or select a fluid before");
        return false;
    }
    if (!selflow->LoadBinGreg(file)) {
        platform::MessageBox("Error reading file");
        return false;
    }
    return true;
}

bool SaveSelectedFluidBin(const char* file) {
    if (!selflow) {
        platform::MessageBox("Please create or select a fluid before");
        return false;
    }
    return selflow->EscribeBin(file);
}
