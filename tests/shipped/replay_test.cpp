// The particle sequence (111) replaying a run's files, and the droplets (112) building their
// own mesh.
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <tuple>

#include "byte_builder.h"
#include "fluid/driver.h"
#include "io/particle_files.h"
#include "mesh/mesh.h"
#include "mesh/mesh_build.h"
#include "platform/messages.h"
#include "shipped_fixture.h"

namespace {

namespace fs = std::filesystem;
using namespace shipped;
using Position = std::tuple<float, float, float>;

// id -> position of every record of a particle BIN file.
std::map<int, Position> Records(const fs::path& file) {
    const std::vector<uint8_t> b = ReadFileBytes(file);
    std::map<int, Position> out;
    if (b.size() < 320) return out;
    int n = 0;
    std::memcpy(&n, b.data() + 276, 4);
    for (int i = 0; i < n && 320 + 68 * static_cast<size_t>(i + 1) <= b.size(); ++i) {
        const uint8_t* r = b.data() + 320 + 68 * i;
        float xyz[3];
        int id;
        std::memcpy(xyz, r, 12);
        std::memcpy(&id, r + 64, 4);
        out[id] = {xyz[0], xyz[1], xyz[2]};
    }
    return out;
}

// A full run on the simulation thread up to frame `last`, writing each fluid's files; from a
// reset, or on from where the last one stopped.
void RunFrames(int last, bool reset = true) {
    InstallDirectFrameOutputs();
    if (reset) sim::Reset();
    sim::StopAtFrame(last);
    ASSERT_TRUE(sim::Start(true));
    sim::WaitUntilStopped();
    sim::StopAtFrame(-1);
    SimulationHooks().write_particles = nullptr;
}

void WriteTo(Fluido* f, const std::string& dir, const char* prefix) {
    platform::CopyText(f->outDir, sizeof f->outDir, dir.c_str());
    platform::CopyText(f->prefix, sizeof f->prefix, prefix);
    f->outBin = 1;
}

class ReplayTest : public ShippedTest {
  protected:
    void TearDown() override {
        sim::Reset();
        ShippedTest::TearDown();
    }
    TempDir dir_;
};

TEST_F(ReplayTest, ASequenceReplaysARunsFilesFrameByFrameAndHoldsOrDropsTheLastOne) {
    Fluido* water = NewFluid(kSprayId);
    Set(water->emitter, {{kIdRate, 300.0f}, {kIdSpeed, 3.0f}});
    AssignDaemon(water, NewDaemonOf(shipped::kGravityId));
    const std::string original = (dir_.path() / "run").string();
    fs::create_directories(original);
    WriteTo(water, original, "spray");
    RunFrames(8);
    ASSERT_TRUE(fs::exists(original + "/spray00008.bin"));
    ClearFluidScene();
    DeleteAllDaemons();

    Fluido* replay = NewFluid(shipped::kSequenceId);
    Show(replay->emitter);
    platform::TypeIntoField(WindowOf(replay->emitter), kIdDirectory, original);
    const std::string again = (dir_.path() / "again").string();
    fs::create_directories(again);
    WriteTo(replay, again, "again");
    // A mesh that maps a texture onto the fluid: the coordinates must stay with the particles.
    Mesh* mesh = NewMesh();
    LinkFluidToMesh(mesh, replay);
    RunFrames(4);
    std::map<int, Vector> mapped;
    for (Particula* p = replay->First(); p; p = p->next) mapped[p->id] = p->texCoord;
    RunFrames(8, false);

    for (int n = 0; n <= 8; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "%05d.bin", n);
        const auto want = Records(original + "/spray" + name);
        ASSERT_FALSE(want.empty() && n > 1) << n;
        EXPECT_EQ(Records(again + "/again" + name), want) << "frame " << n;
    }
    // The particles that lived through four more frames kept their texture coordinates.
    int kept = 0;
    for (Particula* p = replay->First(); p; p = p->next) {
        auto known = mapped.find(p->id);
        if (known == mapped.end()) continue;
        ++kept;
        EXPECT_EQ(p->texCoord.x, known->second.x);
        EXPECT_EQ(p->texCoord.z, known->second.z);
    }
    EXPECT_GT(kept, 10);
    // The mesh was built from the replayed particles.
    EXPECT_GT(mesh->prevNumFaces, 0);

    // After a reset, past the last file the fluid holds on to its particles, or lets them go.
    sim::Reset();
    frame = 3;
    replay->emitter->Crea();
    const int held = replay->count;
    ASSERT_GT(held, 0);
    frame = 20;
    replay->emitter->Crea();
    EXPECT_EQ(replay->count, held);
    SetChecked(replay->emitter, kIdHoldLast, false);
    replay->emitter->Crea();
    EXPECT_EQ(replay->count, 0);
    frame = 0;
    // A prefix without files says so.
    platform::ResetMessages();
    platform::TypeIntoField(WindowOf(replay->emitter), kIdPrefix, "nothing");
    EXPECT_EQ(replay->count, 0);
    EXPECT_NE(platform::LogText().find(": no particle file "), std::string::npos);
}

TEST_F(ReplayTest, DropletsBuildOneSphereDrawnOutAlongEachParticlesVelocity) {
    Fluido* spray = NewFluid(shipped::kDropletsId);
    Creador* e = spray->emitter;
    Set(e, {{kIdRate, 200.0f}, {kIdDropRadius, 0.05f}, {kIdStretch, 0.0f}, {kIdDetail, 0.0f}});
    DriveFor(0.1f, 0.01f);
    ASSERT_GT(spray->count, 5);
    Mesh* mesh = NewMesh();
    ASSERT_NE(LinkFluidToMesh(mesh, spray), nullptr);
    // The mesh is the emitter's: no other fluid may join it.
    EXPECT_EQ(LinkFluidToMesh(mesh, NewFluid(kSprayId)), nullptr);

    BuildMesh(mesh, true);
    ASSERT_EQ(mesh->numVertices, 12 * spray->count);
    ASSERT_EQ(mesh->numFaces, 20 * spray->count);
    std::vector<Particula*> all = Particles(spray);
    for (size_t d = 0; d < all.size(); ++d) {
        for (int i = 0; i < 12; ++i) {
            const int v = static_cast<int>(d) * 12 + i;
            EXPECT_NEAR((mesh->vertices[v] - all[d]->pos).Modulo(), 0.05f, 1e-5f);
            EXPECT_EQ(mesh->velocities[v].x, all[d]->vel.x);
        }
    }
    // Each drop is closed: every edge of its faces is met once each way.
    std::map<std::pair<int, int>, int> edges;
    for (int f = 0; f < 20; ++f) {
        for (int k = 0; k < 3; ++k) ++edges[{mesh->faces[f][k], mesh->faces[f][(k + 1) % 3]}];
    }
    for (const auto& [edge, n] : edges) {
        EXPECT_EQ(n, 1);
        EXPECT_EQ(edges.count({edge.second, edge.first}), 1u);
    }

    // Stretched: as long along the velocity as radius x (1 + speed x stretch).
    Set(e, {{kIdStretch, 0.5f}, {kIdDetail, 2.0f}});
    BuildMesh(mesh, true);
    ASSERT_EQ(mesh->numVertices, 162 * spray->count);
    const Particula* p = all[0];
    const float speed = p->vel.Modulo();
    const Vector along = p->vel / speed;
    float longest = 0.0f, widest = 0.0f;
    for (int i = 0; i < 162; ++i) {
        const Vector offset = mesh->vertices[i] - p->pos;
        longest = std::max(longest, offset * along);
        widest = std::max(widest, (offset - along * (offset * along)).Modulo());
    }
    const float length = 0.05f * (1.0f + speed * 0.5f);
    EXPECT_LE(longest, length * 1.0001f);
    EXPECT_GT(longest, length * 0.97f);
    EXPECT_LE(widest, 0.05f * 1.0001f);
}

}  // namespace
