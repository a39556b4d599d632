#include <string>

#include "fluid/driver.h"
#include "fluid/links.h"
#include "mesh_classes.h"
#include "mesh_fixture.h"

namespace {

using MeshLinksTest = MeshTest;

TetraClass g_tetra;

std::string Names() {
    std::string names;
    for (Mesh* m = rootmesh; m; m = m->nextMesh) names += std::string(m->name) + " ";
    return names;
}

TEST_F(MeshLinksTest, NewMeshesAreNamedMeshThenByTheLetterAfterTheLargest) {
    for (int i = 0; i < 4; ++i) NewMesh();
    EXPECT_EQ(Names(), "Mesh MeshA MeshB MeshC ");
    DeleteMesh(MeshAt(1));
    NewMesh();
    EXPECT_EQ(Names(), "Mesh MeshB MeshC MeshD ");
    while (CountMeshes() > 1) DeleteMesh(MeshAt(1));
    NewMesh();
    EXPECT_EQ(Names(), "Mesh MeshA ");

    Mesh* m = rootmesh;
    m->building = true;
    EXPECT_FALSE(DeleteMesh(m)) << "a mesh being built stays";
    m->building = false;
    EXPECT_TRUE(DeleteMesh(m));
    EXPECT_EQ(CountMeshes(), 1);
}

TEST_F(MeshLinksTest, NewLinkRecordsHaveTheirDefaultsAndSlidersMapOntoTheirRanges) {
    Lista* l = LinkFluidToMesh(NewMesh(), MakeEmptyFluid());
    ASSERT_NE(l, nullptr);
    EXPECT_EQ((std::vector<float>{float(l->blendPercent), float(l->octaves), l->frequency}),
              (std::vector<float>{95, 1, 2}));
    EXPECT_NEAR(l->kernelScale, 1.1417398f, 1e-6f);
    const float ends[][2] = {{l->blend, 4.81f}, {l->radiusFactor, 0.601f},
                             {RadiusFactorFromPercent(0), 0.05f}, {RadiusFactorFromPercent(100), 1.5f},
                             {BlendFromPercent(0), 1.2f}, {BlendFromPercent(100), 5.0f}};
    for (const auto& e : ends) EXPECT_FLOAT_EQ(e[0], e[1]);
    SetBlendPercent(l, 0);
    // The kernel scale keeps a lone particle's field at 1 at its radius.
    const float q = 1.0f / 1.2f;
    EXPECT_NEAR(l->kernelScale * std::pow(1.0f - q * q, 3.0f), 1.0f, 1e-5f);
}

TEST_F(MeshLinksTest, LinkingRefusesWhatAnEmitterBuiltMeshCannotTake) {
    Fluido* plain = MakeEmptyFluid();
    Fluido* builder = CreaFluido(&g_tetra);
    ASSERT_NE(builder, nullptr);

    Mesh* full = MeshOf({plain});
    EXPECT_EQ(LinkFluidToMesh(full, plain), &full->links[0]);
    EXPECT_EQ(full->numLinks, 1) << "a fluid is linked once";
    EXPECT_EQ(platform::LogText(), "");
    EXPECT_EQ(LinkFluidToMesh(full, builder), nullptr);
    EXPECT_NE(platform::LogText().find(" Builder can only be linked to an empty Mesh"),
              std::string::npos);
    EXPECT_EQ(platform::StatusColour(), platform::kStatusRed);

    Mesh* own = NewMesh();
    ASSERT_NE(LinkFluidToMesh(own, builder), nullptr);
    EXPECT_TRUE(own->ControlledByEmitter());
    EXPECT_EQ(LinkFluidToMesh(own, plain), nullptr);
    EXPECT_NE(platform::LogText().find(" MeshA cannot contain more fluids (conflict with Builder)"),
              std::string::npos);
    EXPECT_EQ(own->numLinks, 1);
    EXPECT_EQ(full->numLinks, 1);
}

TEST_F(MeshLinksTest, EachFluidPointsAtItsOwnRecordThroughLinkingAndUnlinking) {
    Fluido* a = FluidAt({Vector(0.5f, -1, 2)});
    Fluido* b = MakeEmptyFluid();
    Fluido* c = MakeEmptyFluid();
    Mesh* m = MeshOf({a, b, c});
    ASSERT_EQ(m->numLinks, 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(m->links[i].fluid->texture, &m->links[i]);
    // The identity frame maps a particle to its own position.
    EXPECT_FLOAT_EQ(a->First()->texCoord.x, 0.5f);
    EXPECT_FLOAT_EQ(a->First()->texCoord.z, 2.0f);

    UnlinkFluidFromMesh(m, a);
    EXPECT_EQ(a->texture, nullptr);
    ASSERT_EQ(m->numLinks, 2);
    EXPECT_EQ(m->links[0].fluid, b);
    EXPECT_EQ(b->texture, &m->links[0]);
    EXPECT_EQ(c->texture, &m->links[1]);
    UnlinkFluidFromMesh(m, a);  // not linked: nothing changes
    EXPECT_EQ(m->numLinks, 2);

    // A fluid feeding a second mesh keeps that mesh's record when the first lets it go.
    Mesh* other = MeshOf({c});
    EXPECT_EQ(c->texture, &other->links[0]);
    UnlinkFluidFromMesh(m, c);
    EXPECT_EQ(c->texture, &other->links[0]);

    m->calcUVW = false;
    RefreshTextureLinks(m);
    EXPECT_EQ(b->texture, nullptr);
    UnlinkFluidFromMesh(m, b);
    EXPECT_EQ(m->numLinks, 0);
    EXPECT_EQ(m->links, nullptr);

    CleanMeshLinks(other);
    EXPECT_EQ(c->texture, nullptr);
    EXPECT_EQ(other->numLinks, 0);
}

TEST_F(MeshLinksTest, DeletedFluidsLeaveEveryMeshAndMeshesKeepDumbFluidsActive) {
    Fluido* a = MakeEmptyFluid(kFluidDumb);
    Fluido* b = MakeEmptyFluid(kFluidDumb);
    Mesh* m = MeshOf({a, b});
    Mesh* n = MeshOf({b});
    EXPECT_TRUE(FluidUsedByMesh(b));
    ASSERT_NE(SimulationHooks().fluid_used_by_mesh, nullptr);
    EXPECT_TRUE(SimulationHooks().fluid_used_by_mesh(a));
    DeleteFluido(b);
    EXPECT_EQ(m->numLinks, 1);
    EXPECT_EQ(m->links[0].fluid, a);
    EXPECT_EQ(n->numLinks, 0);
    UnlinkFluidFromMesh(m, a);
    EXPECT_FALSE(FluidUsedByMesh(a));
}

TEST_F(MeshLinksTest, AnEmitterThatBuildsTheMeshFillsArraysSizedAsItAsks) {
    Fluido* f = CreaFluido(&g_tetra);
    f->CreaParticula(Vector(), Vector());
    Mesh* m = MeshOf({f});
    BuildMesh(m, true);
    ASSERT_EQ(m->numVertices, 4);
    ASSERT_EQ(m->numFaces, 4);
    EXPECT_EQ(m->vertices[1].x, 1.0f);
    EXPECT_EQ(m->faces[3][2], 3);
    ASSERT_NE(m->texCoords, nullptr);
    EXPECT_EQ(m->texCoords[3].z, 0.0f);
    EXPECT_EQ(m->builder, nullptr);
    ExpectClosed(*m);
}

}  // namespace
