// The shipped emitters in the driver's step: streams at rest density whose layers fall exactly
// on the steps, volumes filled at the fill spacing, the spray's cone and rate, and the node
// transform placing every shape; the object emitter and filler on objects read from OBJ files.
// Fluids are "Dumb" (no pressure forces), so particles move exactly as they were emitted.
#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>

#include "byte_builder.h"
#include "fluid/driver.h"
#include "objects/body.h"
#include "objects/object_panel.h"
#include "shipped_fixture.h"

namespace {

using shipped::kIdAngle;
using shipped::kIdExtentY;
using shipped::kIdFillVertices;
using shipped::kIdHeight;
using shipped::kIdRandom;
using shipped::kIdRate;
using shipped::kIdSize;
using shipped::kIdSpeed;
using shipped::kIdStart;
using shipped::kIdStop;
using shipped::kIdVelX;
using shipped::kIdVelY;
using shipped::kIdWidth;

// The particles grouped by their height along dir, heights rounded to a hundredth of spacing.
std::map<long, std::vector<Particula*>> Layers(const Fluido* f, const Vector& dir, float s) {
    std::map<long, std::vector<Particula*>> layers;
    for (Particula* p : Particles(f)) layers[std::lround(p->pos * dir / s * 100.0f)].push_back(p);
    return layers;
}

Vector Mean(const std::vector<Particula*>& ps) {
    Vector sum(0, 0, 0);
    for (const Particula* p : ps) sum = sum + p->pos;
    return sum / static_cast<float>(ps.size());
}

struct LayerCase {
    int class_id;
    const char* name;
    int per_layer;     // lattice points of the default shape at the default spacing
    float reach_x;     // how far the default shape reaches along local x and z
    float reach_z;
};

void PrintTo(const LayerCase& c, std::ostream* out) { *out << c.name; }

class LayerEmitters : public ShippedTest, public ::testing::WithParamInterface<LayerCase> {};

// Square 0.5: 5 × 5 cells of 0.1; line 0.5: 5 cells; disc of radius 0.25 = 2.5 spacings:
// the 21 lattice points with i² + j² <= 6.25; triangle of side 0.5: rows of 5, 3, 3, 1 from
// the base up (half-widths 0.25, 0.19, 0.13, 0.07 at heights -0.07 ... 0.23).
INSTANTIATE_TEST_SUITE_P(Shapes, LayerEmitters,
                         ::testing::Values(LayerCase{shipped::kCircleId, "Circle", 21, 0.25f, 0.25f},
                                           LayerCase{shipped::kSquareId, "Square", 25, 0.25f, 0.25f},
                                           LayerCase{shipped::kTriangleId, "Triangle", 12, 0.25f, 0.289f},
                                           LayerCase{shipped::kLinearId, "Linear", 5, 0.25f, 0.0f}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(LayerEmitters, ReleaseLayersAtRestSpacingExactlyOnTheirEmissionTimesOrWhereverTheStepsFall) {
    Fluido* f = NewFluid(GetParam().class_id);
    ASSERT_NE(f, nullptr);
    Set(f->emitter, {{kIdRandom, 0.0f}, {kIdSpeed, 3.0f}});
    const float s = f->fillSpacing;
    const double interval = s / 3.0;
    EXPECT_EQ(f->count, 0) << "a continuous emitter starts empty";

    // Steps larger than the interval and out of phase with it: the driver must cut them.
    std::vector<float> times;
    while (f->emitTime < 0.5f) {
        const int before = f->count;
        const float t = f->emitTime;
        DriveStep(0.0123f);
        if (f->count > before) {
            EXPECT_EQ(f->count - before, GetParam().per_layer);
            times.push_back(t);
        }
    }
    ASSERT_EQ(times.size(), static_cast<size_t>(std::floor(0.5 / interval)) + 1);
    for (size_t k = 0; k < times.size(); ++k) {
        EXPECT_NEAR(times[k], k * interval, 2e-6) << "layer " << k;
    }

    // The stream is a lattice of spacing s: layers s apart along up, points s apart in them.
    auto expect_lattice = [&](long tolerance) {
        EXPECT_NEAR(SmallestGap(f), s, 1e-4f);
        const auto layers = Layers(f, Vector(0, 1, 0), s);
        long previous = layers.begin()->first;
        for (const auto& [height, ps] : layers) {
            if (height != previous) {
                EXPECT_NEAR(height - previous, 100, tolerance);
            }
            previous = height;
        }
        return layers;
    };
    const auto layers = expect_lattice(0);
    ASSERT_EQ(layers.size(), times.size());
    for (const auto& [height, ps] : layers) EXPECT_EQ(ps.size(), static_cast<size_t>(GetParam().per_layer));
    for (Particula* p : Particles(f)) {
        EXPECT_NEAR(p->vel.y, 3.0f, 1e-6f);
        EXPECT_LE(std::fabs(p->pos.x), GetParam().reach_x + 1e-5f) << "inside the shape";
        EXPECT_LE(std::fabs(p->pos.z), GetParam().reach_z + 1e-5f) << "inside the shape";
    }

    // A caller that steps freely, 0.74 of an interval at a time, gets the same lattice.
    DeleteFluido(f);
    f = NewFluid(GetParam().class_id);
    Set(f->emitter, {{kIdRandom, 0.0f}, {kIdSpeed, 2.0f}});
    for (int i = 0; i < 20; ++i) {
        f->emitter->Crea();
        StepFluids(0.037f);
    }
    expect_lattice(1);
}

// Layers and sprays keep clocks of their own; both wait for their start, end before their stop
// and begin again after a reset.
TEST_F(ShippedTest, StreamsAndSpraysStartAndStopOnTheirTimesAndRestartAfterAReset) {
    const struct {
        int class_id, field;
        float value, step, count, tolerance;
    } cases[] = {
        // Layers 0.1 apart at 0.25, 0.35 and 0.45, 25 points each.
        {shipped::kSquareId, kIdSpeed, 1.0f, 0.03f, 75, 0},
        {shipped::kSprayId, kIdRate, 50.0f, 0.045f, 12.5f, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.class_id);
        Fluido* f = NewFluid(c.class_id);
        Set(f->emitter, {{kIdStart, 0.25f}, {kIdStop, 0.5f}, {c.field, c.value}});
        EXPECT_FLOAT_EQ(f->emitter->DameTiempoMaximo(), 0.25f);
        float first = -1.0f, last = -1.0f;
        while (f->emitTime < 1.0f) {
            const int before = f->count;
            const float t = f->emitTime;
            DriveStep(c.step);
            if (f->count > before) {
                if (first < 0.0f) first = t;
                last = t;
            }
        }
        EXPECT_FLOAT_EQ(first, 0.25f) << "a step ends on the start";
        EXPECT_LE(last, 0.5f);
        EXPECT_NEAR(f->count, c.count, c.tolerance);
        EXPECT_EQ(f->emitter->DameTiempoMaximo(), 0.0f) << "an ended stream no longer limits the step";

        ResetFluid(f);
        EXPECT_EQ(f->count, 0);
        EXPECT_FLOAT_EQ(f->emitter->DameTiempoMaximo(), 0.25f);
        DeleteFluido(f);
    }
}

TEST_F(ShippedTest, NodeTransformPlacesTurnsAndStretchesAStream) {
    Fluido* f = NewFluid(shipped::kSquareId);
    Creador* e = f->emitter;
    // Up turns to -x; twice as deep: twice the points, same spacing.
    Set(e, {{kIdRandom, 0.0f},
            {kIdPosX, 1.0f},
            {kIdPosY, 2.0f},
            {kIdPosZ, 3.0f},
            {kIdRotZ, 90.0f},
            {kIdScaleZ, 2.0f}});
    EXPECT_NEAR((e->DameCentro() - Vector(1, 2, 3)).Modulo(), 0.0f, 1e-5f);

    // Born on the emitter, then carried one step along the turned up axis.
    const float dt = DriveStep(0.001f);
    ASSERT_EQ(f->count, 50);
    const Vector moved = Vector(1, 2, 3) + Vector(-dt, 0, 0);
    EXPECT_NEAR((Mean(Particles(f)) - moved).Modulo(), 0.0f, 1e-5f);
    for (Particula* p : Particles(f)) {
        EXPECT_NEAR((p->vel - Vector(-1, 0, 0)).Modulo(), 0.0f, 1e-5f);
        EXPECT_NEAR(p->pos.x, moved.x, 1e-5f) << "the layer lies across the up axis";
    }
    EXPECT_NEAR(SmallestGap(f), f->fillSpacing, 1e-4f);
    float depth = 0.0f;
    for (Particula* p : Particles(f)) depth = std::max(depth, std::fabs(p->pos.z - 3.0f));
    EXPECT_NEAR(depth, 4.5f * f->fillSpacing, 1e-4f) << "10 points across the doubled side";
}

TEST_F(ShippedTest, CubeFillsAColumnStandingOnTheEmitterAtTheFillSpacing) {
    Fluido* f = NewFluid(shipped::kCubeId);
    Creador* e = f->emitter;
    Set(e, {{kIdRandom, 0.0f}, {kIdVelX, 1.5f}});
    const float s = f->fillSpacing;
    // 0.5 × 1 × 0.5 in cells of 0.1: 5 × 10 × 5.
    ASSERT_EQ(f->count, 250);
    float lowest = INFINITY, highest = -INFINITY;
    for (Particula* p : Particles(f)) {
        EXPECT_LE(std::fabs(p->pos.x), 0.25f);
        EXPECT_LE(std::fabs(p->pos.z), 0.25f);
        lowest = std::min(lowest, p->pos.y);
        highest = std::max(highest, p->pos.y);
        EXPECT_EQ(p->vel.x, 1.5f);
        EXPECT_EQ(p->vel.y, 0.0f);
        EXPECT_FLOAT_EQ(p->density, f->restDensity);
    }
    EXPECT_NEAR(lowest, 0.5f * s, 1e-5f);
    EXPECT_NEAR(highest, 9.5f * s, 1e-5f);
    EXPECT_NEAR(SmallestGap(f), s, 1e-5f);
    EXPECT_NEAR((e->DameCentro() - Vector(0, 0.5f, 0)).Modulo(), 0.0f, 1e-5f);

    // A lighter fluid is filled more sparsely, at its own spacing.
    f->restDensity = 125.0f;
    f->invRestDensity = 1.0f / 125.0f;
    f->Regenera();
    EXPECT_NEAR(f->fillSpacing, 0.2f, 1e-3f);
    EXPECT_NEAR(SmallestGap(f), f->fillSpacing, 1e-5f);
    EXPECT_EQ(f->count, 2 * 5 * 2);
}

TEST_F(ShippedTest, SphereAndCylinderHoldTheirVolumeAtRestDensityAndRiseAlongTheirUpAxis) {
    for (int id : {shipped::kSphereId, shipped::kCylinderId}) {
        SCOPED_TRACE(id);
        Fluido* f = NewFluid(id);
        Set(f->emitter, {{kIdRandom, 0.0f}, {kIdSize, 0.4f}});
        const float s = f->fillSpacing;
        const float r = 0.4f;
        const float volume = id == shipped::kSphereId ? 4.18879f * r * r * r
                                                      : 3.14159f * r * r * 1.0f;
        EXPECT_NEAR(f->count * s * s * s, volume, 0.08f * volume);
        EXPECT_NEAR(SmallestGap(f), s, 1e-5f);
        for (Particula* p : Particles(f)) {
            if (id == shipped::kSphereId) {
                EXPECT_LE(p->pos.Modulo(), r + 1e-5f);
            } else {
                EXPECT_LE(std::hypot(p->pos.x, p->pos.z), r + 1e-5f);
                EXPECT_GT(p->pos.y, 0.0f);
                EXPECT_LT(p->pos.y, 1.0f);
            }
        }
        DeleteFluido(f);
    }
    // Turned, a volume rises along its own up axis: here +z.
    Fluido* f = NewFluid(shipped::kCylinderId);
    Set(f->emitter, {{kIdRandom, 0.0f}, {kIdRotX, 90.0f}});
    for (Particula* p : Particles(f)) {
        EXPECT_TRUE(p->pos.z > 0.0f && p->pos.z < 1.0f);
        EXPECT_LE(std::hypot(p->pos.x, p->pos.y), 0.25f + 1e-5f);
    }
    EXPECT_NEAR((f->emitter->DameCentro() - Vector(0, 0, 0.5f)).Modulo(), 0.0f, 1e-5f);
}

// The engine sets a new fluid's count after the emitter's PostCreation, so a volume may not
// fill there; it fills as soon as the artist touches it, or at the first reset. It follows its
// emitter until the simulation runs, then waits for a reset.
TEST_F(ShippedTest, VolumeFillsOnItsFirstEditAndFollowsItsEmitterUntilTheRunThenWaitsForAReset) {
    Fluido* g = CreaFluido(Class(shipped::kCubeId));
    g->Regenera();
    EXPECT_EQ(g->count, 250);
    Fluido* f = CreaFluido(Class(shipped::kCubeId));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->First(), nullptr);
    Creador* e = f->emitter;
    Set(e, kIdRandom, 0.0f);
    const int n = f->count;
    EXPECT_EQ((std::vector<int>{n, static_cast<int>(Particles(f).size())}), (std::vector<int>{250, 250}));
    EXPECT_EQ(e->DameTiempoMaximo(), 0.0f) << "a volume never limits the step";
    Set(e, kIdPosX, 2.0f);
    EXPECT_EQ(f->count, n);
    EXPECT_NEAR(Mean(Particles(f)).x, 2.0f, 1e-4f) << "refilled where the emitter now is";
    Set(e, kIdWidth, 1.0f);
    EXPECT_EQ(f->count, 2 * n) << "and with its new size";

    DriveStep(0.001f);
    const Vector before = Mean(Particles(f));
    Set(e, {{kIdPosX, -2.0f}, {kIdHeight, 0.5f}});
    EXPECT_EQ(f->count, 2 * n) << "a running fluid is not refilled";
    EXPECT_NEAR((Mean(Particles(f)) - before).Modulo(), 0.0f, 1e-5f);

    // Particles lost during the run come back at the next reset, at the new place and size.
    for (Particula* p : Particles(f)) p->deleteMark = 1;
    DriveStep(0.001f);
    EXPECT_EQ(f->count, 0);
    f->Regenera();
    f->emitTime = 0.0f;
    EXPECT_EQ(f->count, n);
    EXPECT_NEAR(Mean(Particles(f)).x, -2.0f, 1e-4f);
}

TEST_F(ShippedTest, SprayEmitsItsRateIntoItsCone) {
    Fluido* f = NewFluid(shipped::kSprayId);
    Creador* e = f->emitter;
    Set(e, {{kIdRate, 100.0f},
            {kIdSpeed, 2.0f},
            {kIdAngle, 20.0f},
            {kIdRandom, 0.1f},
            {kIdPosY, 1.0f}});
    EXPECT_EQ(e->DameTiempoMaximo(), 0.0f) << "an endless spray never limits the step";

    // 0.017 s steps, never on a particle's time: the rate holds regardless.
    while (f->emitTime < 1.0f) DriveStep(0.017f);
    EXPECT_NEAR(f->count, 100.0f * f->emitTime, 2.0f);
    const float cos_cone = std::cos(20.0f * 0.017453292f);
    const Vector nozzle(0, 1, 0);
    float widest = 1.0f;
    for (Particula* p : Particles(f)) {
        const float speed = p->vel.Modulo();
        EXPECT_GE(speed, 1.8f - 1e-5f);
        EXPECT_LE(speed, 2.2f + 1e-5f);
        const float c = p->vel.y / speed;
        EXPECT_GE(c, cos_cone - 1e-5f);
        widest = std::min(widest, c);
        // Every particle is on its own path out of the nozzle.
        Vector out = p->pos - nozzle;
        EXPECT_NEAR((out ^ p->vel).Modulo() / speed, 0.0f, 1e-4f);
        EXPECT_GE(out * p->vel, 0.0f);
    }
    EXPECT_LT(widest, std::cos(15.0f * 0.017453292f)) << "the cone is filled, not just its axis";
}

TEST_F(ShippedTest, BoundlessRatesAndSpacingsFillToTheLimitAndTheStepsGoOn) {
    // Emission times closer than float or double can tell apart; the stream asks for a step
    // boundary at every layer, so the driver's smallest step holds.
    Fluido* spray = NewFluid(shipped::kSprayId);
    spray->maxParticles = 500;
    Set(spray->emitter, kIdRate, 1e30f);
    Fluido* stream = NewFluid(shipped::kSquareId);
    stream->maxParticles = 410;  // the last layer only partly fits
    Set(stream->emitter, kIdSpeed, 1e30f);
    for (int i = 0; i < 3; ++i) sim::Step();
    EXPECT_EQ(spray->count, 500);
    EXPECT_EQ(stream->count, 410);
    // A volume whose spacing would ask for about 10^13 points fills only what the fluid holds.
    Fluido* cube = NewFluid(shipped::kCubeId);
    cube->restDensity = 1e12f;
    cube->Regenera();
    EXPECT_EQ(cube->count, cube->maxParticles);
}

// The object emitter and the object filler, linked to objects read from OBJ files.

class ObjectEmitters : public ShippedTest {
protected:
    // A box from the origin to size, with outward windings.
    Body* Box(const Vector& size) {
        std::ofstream(dir.File("box.obj"))
            << "v 0 0 0\nv " << size.x << " 0 0\nv " << size.x << " " << size.y << " 0\nv 0 "
            << size.y << " 0\nv 0 0 " << size.z << "\nv " << size.x << " 0 " << size.z << "\nv "
            << size.x << " " << size.y << " " << size.z << "\nv 0 " << size.y << " " << size.z
            << "\nf 1 4 3 2\nf 5 6 7 8\nf 1 2 6 5\nf 4 8 7 3\nf 1 5 8 4\nf 2 3 7 6\n";
        return ImportObjectFile(dir.File("box.obj").c_str());
    }

    static Fluido* LinkedFluid(int class_id, Body* b, unsigned char type = kFluidDumb) {
        Fluido* f = NewFluid(class_id, type);
        f->emitter->link = b;
        f->emitter->UpdateLink();
        return f;
    }

    TempDir dir;
};

void ExpectVector(const Vector& v, float x, float y, float z) {
    EXPECT_NEAR(v.x, x, 1e-5f);
    EXPECT_NEAR(v.y, y, 1e-5f);
    EXPECT_NEAR(v.z, z, 1e-5f);
}

// The outward normal of the box's face a particle left through, from its velocity.
int Side(const Vector& v) {
    const float ax = std::fabs(v.x), ay = std::fabs(v.y), az = std::fabs(v.z);
    if (ax >= ay && ax >= az) return v.x > 0 ? 0 : 1;
    if (ay >= az) return v.y > 0 ? 2 : 3;
    return v.z > 0 ? 4 : 5;
}

TEST_F(ObjectEmitters, TheSurfaceEmitsByAreaAlongItsNormals) {
    // A slab 2 x 0.1 x 2: its top and bottom hold 8 of its 8.8 square units.
    Body* slab = Box(Vector(2, 0.1f, 2));
    Fluido* f = LinkedFluid(shipped::kObjectEmitterId, slab);
    Set(f->emitter, {{kIdRate, 4000.0f}, {kIdSpeed, 2.0f}, {kIdRandom, 0.0f}});
    DriveFor(0.25f, 0.01f);
    // Due by the start of the last step.
    ASSERT_NEAR(f->count, 1000, 45);
    int flat = 0;
    for (Particula* p : Particles(f)) {
        EXPECT_NEAR(p->vel.Modulo(), 2.0f, 1e-4f);
        const int side = Side(p->vel);
        flat += side == 2 || side == 3;
        // Each left its own face outward and is still over it.
        const float along[3] = {p->pos.x, p->pos.y, p->pos.z};
        const float size[3] = {2, 0.1f, 2};
        const int axis = side / 2;
        EXPECT_TRUE(side % 2 == 0 ? along[axis] >= size[axis] - 1e-4f : along[axis] <= 1e-4f);
        for (int other = 0; other < 3; ++other) {
            if (other == axis) continue;
            EXPECT_TRUE(along[other] >= -1e-4f && along[other] <= size[other] + 1e-4f);
        }
    }
    EXPECT_NEAR(static_cast<float>(flat) / static_cast<float>(f->count), 8.0f / 8.8f, 0.04f);
}

TEST_F(ObjectEmitters, MarkedFacesAloneEmitAndAMovingObjectCarriesItsParticles) {
    Body* box = Box(Vector(1, 1, 1));
    Fluido* f = LinkedFluid(shipped::kObjectEmitterId, box);
    // The top's two triangles carry the emitter's mark.
    const uint32_t bit = 1u << (f->emitter->emitter_id & 31);
    box->faces[6].selection = box->faces[7].selection = bit;
    box->velocity = Vector(1, 0, 0);
    box->ComputeVertexVelocities();
    Set(f->emitter, {{kIdSpeed, 0.5f}, {kIdRandom, 0.0f}});
    DriveFor(0.1f, 0.01f);
    ASSERT_GT(f->count, 20);
    for (Particula* p : Particles(f)) ExpectVector(p->vel, 1.0f, 0.5f, 0.0f);

    // Without a link nothing comes out.
    Fluido* free = NewFluid(shipped::kObjectEmitterId);
    DriveFor(0.1f, 0.01f);
    EXPECT_EQ(free->count, 0);
}

TEST_F(ObjectEmitters, TheFillerFillsItsObjectAtEveryResetAsFarAsItsExtent) {
    // Rays along x, the default; Extent y 0.5 fills the lower half. A unit box at the spacing
    // of 0.1 gets 9 x 9 rays, of which those along its sides and those grazing the diagonals
    // of its end faces find no inside: 42 rays of 9 particles.
    Body* box = Box(Vector(1, 1, 1));
    Fluido* f = LinkedFluid(shipped::kObjectFillerId, box, kFluidLiquid);
    ResetFluid(f);
    const int whole = f->count;
    EXPECT_EQ(whole, 42 * 9);
    for (Particula* p : Particles(f)) {
        EXPECT_TRUE(p->pos.x > 0 && p->pos.x < 1 && p->pos.y > 0 && p->pos.y < 1 && p->pos.z > 0 &&
                    p->pos.z < 1);
    }
    Set(f->emitter, {{kIdExtentY, 0.5f}, {kIdVelX, 0.25f}});
    ResetFluid(f);
    EXPECT_NEAR(f->count, whole / 2, whole / 10);
    for (Particula* p : Particles(f)) {
        EXPECT_LE(p->pos.y, 0.5f + 1e-5f);
        ExpectVector(p->vel, 0.25f, 0, 0);
    }
    const int half = f->count;
    SetChecked(f->emitter, kIdFillVertices, true);
    ResetFluid(f);
    EXPECT_EQ(f->count, half + 8);

    // Unlinked, it fills nothing.
    f->emitter->link = nullptr;
    ResetFluid(f);
    EXPECT_EQ(f->count, 0);
}

}  // namespace
