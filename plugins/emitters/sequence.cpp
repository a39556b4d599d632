// Particle sequence: a directory of particle BIN files (a batch run's output, or any program's
// that writes the format) replayed as the fluid. At every reset the fluid holds the file of
// frame 0; during the steps of frame k it holds the file written at the end of frame k, so the
// meshes and files of the frame end show what the original run showed then. The engine moves
// nothing: the files do.
//
// Particles keep the ids the files give them, and with them their texture coordinates from
// frame to frame, so a texture stays on the fluid as it did in the original run.
#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

#include "emitters.h"
#include "shipped_ids.h"

namespace shipped {
namespace {

enum SequenceParam { kSeqDirectory, kSeqPrefix, kSeqFirst, kSeqHold, kSeqCount };
constexpr std::array<ParamSpec, kSeqCount> kSequenceSpecs = {{
    {kIdDirectory, "Directory", 0.0f, 0.0f, 0.0f, FieldKind::Text},
    {kIdPrefix, "Prefix (blank: found)", 0.0f, 0.0f, 0.0f, FieldKind::Text},
    {kIdFirstFile, "File at frame 0", 0.0f, kNoLimit, kNoLimit, FieldKind::Number},
    {kIdHoldLast, "Hold the last file", 1.0f, 0.0f, 1.0f, FieldKind::Check},
}};
const ParamTable kSequenceTable{kSequenceSpecs.data(), kSeqCount};

constexpr size_t kHeaderBytes = 320;
constexpr size_t kRecordBytes = 68;
constexpr size_t kIdOffset = 64;

int32_t Int32LE(const uint8_t* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 |
                                static_cast<uint32_t>(p[3]) << 24);
}

// The ids of a BIN file's records, in file order; empty when the file is not whole.
std::vector<int32_t> ReadIds(const std::string& path) {
    std::vector<int32_t> ids;
    std::vector<uint8_t> bytes;
    if (!platform::ReadWholeFile(path.c_str(), &bytes)) return ids;
    if (bytes.size() < kHeaderBytes) return ids;
    const int32_t count = Int32LE(bytes.data() + 276);
    if (count < 0 || static_cast<size_t>(count) > (bytes.size() - kHeaderBytes) / kRecordBytes) {
        return ids;
    }
    ids.resize(static_cast<size_t>(count));
    for (size_t i = 0; i < ids.size(); ++i) {
        ids[i] = Int32LE(bytes.data() + kHeaderBytes + i * kRecordBytes + kIdOffset);
    }
    return ids;
}

// "<prefix>NNNNN.bin": the prefix, or false for another name.
bool SequenceName(const std::string& name, std::string* prefix) {
    if (name.size() < 9 || name.compare(name.size() - 4, 4, ".bin") != 0) return false;
    for (size_t i = name.size() - 9; i < name.size() - 4; ++i) {
        if (name[i] < '0' || name[i] > '9') return false;
    }
    *prefix = name.substr(0, name.size() - 9);
    return true;
}

class Sequence final : public ShippedEmitter {
  public:
    Sequence() : ShippedEmitter(kSequenceTable) {
        flags |= kEmitterIntegrates | kEmitterNoCollisions | kEmitterAsksVoxels;
    }

    // A reset (Regenera empties the fluid) shows the file of frame 0; so does an edit before
    // the run starts.
    void CalculaDependientes() override {
        Shipped::CalculaDependientes();
        if (fluid && (fluid->serial == 0 || fluid->emitTime == 0.0f)) Show(First() + frame, true);
    }
    void ParamsChanged() override {
        prefix_.clear();
        Shipped::ParamsChanged();
    }

    void Crea() override {
        if (fluid) Show(First() + frame + 1, false);
    }

    // The files place the particles; nothing else moves them.
    void Integra() override {}
    // Neighbours serve only a mesh made of the fluid.
    bool AreVoxelsNeeded() override { return fluid && FluidUsedByMesh(fluid); }

    Vector DameCentro() override { return NodeFrame::Of(*this).origin; }

    std::string FileOf(int number) {
        const std::string dir = Params().Text(kSeqDirectory);
        if (dir.empty()) return std::string();
        std::string prefix = Params().Text(kSeqPrefix);
        if (prefix.empty()) prefix = FoundPrefix(dir);
        char digits[16];
        std::snprintf(digits, sizeof digits, "%05d.bin", number);
        return platform::JoinPath(platform::LocalPath(dir), prefix + digits);
    }

  private:
    int First() const { return static_cast<int>(P(kSeqFirst)); }

    // The prefix of the first sequence file in the directory, by name.
    std::string FoundPrefix(const std::string& dir) {
        if (!prefix_.empty() || prefix_dir_ == dir) return prefix_;
        prefix_dir_ = dir;
        std::error_code ec;
        std::string best;
        bool found = false;
        for (const auto& e : std::filesystem::directory_iterator(platform::LocalPath(dir), ec)) {
            std::string p;
            if (!SequenceName(e.path().filename().string(), &p)) continue;
            if (!found || e.path().filename().string() < best) {
                best = e.path().filename().string();
                prefix_ = p;
                found = true;
            }
        }
        return prefix_;
    }

    // Makes the fluid's particles those of file `number`, unless it holds them already.
    void Show(int number, bool again) {
        if (!again && number == shown_) return;
        const std::string path = FileOf(number);
        std::error_code ec;
        if (path.empty() || !std::filesystem::is_regular_file(path, ec)) {
            // Past the last file the sequence has ended; before it, something is wrong.
            if (number > First()) {
                if (P(kSeqHold) == 0.0f) fluid->RemoveALLParticles();
            } else if (!path.empty() && number != warned_) {
                warned_ = number;
                RedWarning(
                    platform::Format(" %s: no particle file %s", name, path.c_str()).c_str());
            }
            shown_ = number;
            return;
        }
        // Texture coordinates by id, from the particles about to go.
        std::unordered_map<int, Vector> mapped;
        for (Particula* p = fluid->First(); p; p = p->next) mapped.emplace(p->id, p->texCoord);
        fluid->RemoveALLParticles();
        if (!fluid->LoadBinGreg(path.c_str())) {
            RedWarning(
                platform::Format(" %s: %s is not a particle file", name, path.c_str()).c_str());
            shown_ = number;
            return;
        }
        // The list holds the file's records last first.
        const std::vector<int32_t> ids = ReadIds(path);
        size_t i = ids.size();
        for (Particula* p = fluid->First(); p && i > 0; p = p->next) {
            const int id = ids[--i];
            p->id = id;
            if (id > fluid->serial) fluid->serial = id;
            auto known = mapped.find(id);
            if (known != mapped.end()) p->texCoord = known->second;
        }
        if (fluid->count > fluid->maxParticles) fluid->maxParticles = fluid->count;
        shown_ = number;
    }

    int shown_ = -1 << 30;
    int warned_ = -1 << 30;
    std::string prefix_, prefix_dir_;
};

ShippedClass<Sequence> g_sequence({kClassEmitter, kSequenceId, "Particle sequence", "Sequence",
                                   "Replays a directory of particle BIN files, one per frame, as "
                                   "the fluid: mesh or render a cached run again without "
                                   "simulating it.",
                                   "file emitter: BIN sequence", &kSequenceTable});

}  // namespace

ShippedDescriptor* SequenceClass() {
    return &g_sequence;
}

}  // namespace shipped
