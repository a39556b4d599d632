// Texture coordinates that move with the fluid, value channels and motion-blur velocities.
#include <cmath>

#include "mesh/mesh_texture.h"
#include "mesh_fixture.h"

namespace {

using TextureTest = MeshTest;

void Move(Fluido* f, const Vector& by) {
    for (Particula* p = f->First(); p; p = p->next) p->pos = p->pos + by;
}

float Farthest(const Vector& a, const Vector& b) {
    return std::fmax(std::fabs(a.x - b.x), std::fmax(std::fabs(a.y - b.y), std::fabs(a.z - b.z)));
}

// Motion-blur velocities of a blob moving as one are its velocity.
TEST_F(TextureTest, CoordinatesStayOnTheParticlesWhenTheFluidMovesAndVelocitiesAreItsOwn) {
    Fluido* f = FluidAt(Ball(Vector(0, 0, 0), 0.35f, 0.1f));
    const Vector velocity(1.5f, -0.25f, 3.0f);
    for (Particula* p = f->First(); p; p = p->next) p->vel = velocity;
    Mesh* m = MeshOf({f});
    Build(m);
    ASSERT_NE(m->texCoords, nullptr);
    ASSERT_NE(m->velocities, nullptr);
    ASSERT_GT(m->numVertices, 100);
    // Particles that never moved: each vertex's coordinate is where it is.
    for (int v = 0; v < m->numVertices; ++v) {
        ASSERT_LT(Farthest(m->texCoords[v], m->vertices[v]), 1e-4f) << v;
        ASSERT_LT(Farthest(m->velocities[v], velocity), 1e-5f) << v;
    }
    const Vector shift(0.37f, -0.21f, 0.05f);
    Move(f, shift);
    Build(m);
    ASSERT_GT(m->numVertices, 100);
    for (int v = 0; v < m->numVertices; ++v) {
        ASSERT_LT(Farthest(m->texCoords[v], m->vertices[v] - shift), 1e-4f) << v;
    }
    // "Re-mapping at current frame" takes the coordinates from where the particles are now.
    RemapMeshTexture(m);
    Build(m);
    for (int v = 0; v < m->numVertices; ++v) {
        ASSERT_LT(Farthest(m->texCoords[v], m->vertices[v]), 1e-4f) << v;
    }
    // Mapping and blur off: no coordinates, no weights, no velocities.
    m->calcUVW = m->motionBlur = false;
    Build(m);
    EXPECT_EQ(m->texCoords, nullptr);
    EXPECT_EQ(m->fluidWeights, nullptr);
    EXPECT_EQ(m->velocities, nullptr);
}

TEST_F(TextureTest, ValueChannelsAndWeightsFollowTheFluids) {
    Fluido* a = FluidAt(Ball(Vector(0, 0, 0), 0.3f, 0.1f));
    Fluido* b = FluidAt(Ball(Vector(0.5f, 0, 0), 0.3f, 0.1f));
    for (Particula* p = b->First(); p; p = p->next) p->pressure = 7.0f;
    b->autoRange[1] = 0;
    b->manualRange[2] = 9.0f;  // pressure shown from 5 to 9
    b->manualRange[3] = 5.0f;
    Mesh* m = MeshOf({a, b});
    m->textureChannel = 2;
    Build(m);
    float lo = 0, scale = 0;
    ChannelRange(m, 2, &lo, &scale);
    EXPECT_FLOAT_EQ(lo, 5.0f);
    EXPECT_FLOAT_EQ(scale, 0.25f);
    bool saw_b = false;
    for (int v = 0; v < m->numVertices; ++v) {
        const float* w = m->fluidWeights[v];
        ASSERT_NEAR(w[0] + w[1], 1.0f, 1e-5f);
        // Fluid a's particles are at pressure 0: (0 - 5) x 0.25; b's are at (7 - 5) x 0.25.
        const float expected = w[0] * -1.25f + w[1] * 0.5f;
        ASSERT_NEAR(m->texCoords[v].x, expected, 1e-4f) << v;
        EXPECT_FLOAT_EQ(m->texCoords[v].x, m->texCoords[v].z);
        saw_b = saw_b || w[1] > 0.99f;
    }
    EXPECT_TRUE(saw_b);
    // A range without width gives 0 rather than an infinite value.
    b->manualRange[3] = 9.0f;
    ChannelRange(m, 2, &lo, &scale);
    EXPECT_EQ(scale, 0.0f);
}

TEST_F(TextureTest, ThePreviewImageNeedsAnImageNameAndTheViewport) {
    Mesh* m = NewMesh();
    EXPECT_FALSE(LoadPreviewTexture(m, "water.png"));
    EXPECT_FALSE(HasPreviewTexture(m));
    // Without a viewport the name is kept for the workspace.
    EXPECT_TRUE(LoadPreviewTexture(m, "waves.TGA"));
    EXPECT_TRUE(HasPreviewTexture(m));
    EXPECT_EQ(m->textureName, 0u);

    static int released = 0;
    PreviewTextureHooks hooks;
    hooks.load = [](const char* file) -> uint32_t {
        return std::string(file) == "bad.jpg" ? 0 : 42;
    };
    hooks.release = [](uint32_t) { ++released; };
    SetPreviewTextureHooks(hooks);
    EXPECT_TRUE(LoadPreviewTexture(m, "foam.bmp"));
    EXPECT_EQ(m->textureName, 42u);
    EXPECT_FALSE(LoadPreviewTexture(m, "bad.jpg"));
    EXPECT_EQ(platform::LastMessageBoxText(), "OpenGL Error: loading texture");
    EXPECT_EQ(released, 1);
    EXPECT_FALSE(HasPreviewTexture(m));
    EXPECT_TRUE(LoadPreviewTexture(m, "foam.jpg"));
    DeleteMesh(m);
    EXPECT_EQ(released, 2);
    SetPreviewTextureHooks(PreviewTextureHooks());
}

}  // namespace
