// The object emitter and the object filler, linked to objects read from OBJ files.
#include <cmath>
#include <fstream>

#include "byte_builder.h"
#include "objects/body.h"
#include "objects/object_panel.h"
#include "shipped_fixture.h"

namespace {

using shipped::kIdExtentY;
using shipped::kIdFillVertices;
using shipped::kIdRandom;
using shipped::kIdRate;
using shipped::kIdSpeed;
using shipped::kIdVelX;

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
