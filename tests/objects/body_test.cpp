#include <cmath>
#include <cstring>
#include <string>

#include "fluid/clock.h"
#include "fluid/driver.h"
#include "fluid/links.h"
#include "fluid_scenes.h"
#include "mesh/mesh.h"
#include "objects/scene_data.h"
#include "objects_fixture.h"
#include "platform/format.h"
#include "scene/creador.h"
#include "scene/daemon.h"
#include "scene/descriptor.h"
#include "scene/scene_hooks.h"
#include "node_class.h"

namespace {

using Bodies = ObjectsTest;

ClassOf<Daemon> g_still(kClassDaemon, 9301, "Still");

TEST_F(Bodies, SharedNamesAreNumberedInListOrderFoundByLabelFirstAndHealAsBodiesGo) {
    platform::Dialog* panel =
        platform::CreateDialog(ObjectPanelTemplate(), ProcesaObjectPanel, nullptr);
    SetObjectPanel(panel);
    Body* a = Cube("X.obj", "a");
    EXPECT_STREQ(a->label, "X.obj");
    Body* b = Cube("X.obj", "b");
    Body* c = Cube("x.OBJ", "c");  // letter case does not tell names apart
    EXPECT_STREQ(a->label, "X.obj (1)");
    EXPECT_STREQ(b->label, "X.obj (2)");
    EXPECT_STREQ(c->label, "x.OBJ (3)");
    EXPECT_EQ(panel->ListText(kIdObjectList, 0), "X.obj (1)");
    EXPECT_EQ(panel->ListSelection(kIdObjectList), 2);

    // A label wins over an earlier body's name; with no label matching, the first of the name.
    platform::CopyText(a->name, sizeof a->name, "X.obj (2)");
    EXPECT_EQ(FindBody("x.OBJ (2)"), b);
    EXPECT_EQ(FindBody("X.obj"), b);
    EXPECT_EQ(FindBody("roof.obj"), nullptr);
    EXPECT_EQ(BodyIndex(c), 2);
    EXPECT_EQ(BodyAt(1), b);

    platform::CopyText(a->name, sizeof a->name, "X.obj");
    RemoveBody(a);
    EXPECT_STREQ(b->label, "X.obj (1)");
    EXPECT_STREQ(c->label, "x.OBJ (2)");
    RemoveBody(c);
    EXPECT_STREQ(b->label, "X.obj");
    ASSERT_EQ(panel->ListCount(kIdObjectList), 1);
    EXPECT_EQ(panel->ListText(kIdObjectList, 0), "X.obj");
    SetObjectPanel(nullptr);
    platform::DestroyDialog(panel);
}

TEST_F(Bodies, GeometryIsPreparedWithBoundsAreasAndOutwardNormals) {
    Body* b = Cube();
    ASSERT_EQ(b->nfaces, 12);
    // Corners of the box: 1 - 0 is the x edge, 6 - 0 the y edge, 3 - 0 the z edge.
    ExpectVector(b->bounds[1].local - b->bounds[0].local, 1, 0, 0);
    ExpectVector(b->bounds[6].local - b->bounds[0].local, 0, 1, 0);
    ExpectVector(b->bounds[3].local - b->bounds[0].local, 0, 0, 1);
    ExpectVector(b->bounds[4].local, 1, 1, 1);
    ExpectVector(b->bounds[8].local, 0, 0, 0);
    ExpectVector(b->bounds[9].local, 1, 1, 1);
    for (int i = 0; i < b->nfaces; ++i) {
        const Face& f = b->faces[i];
        EXPECT_NEAR(f.area, 0.5f, 1e-6f);
        EXPECT_EQ(f.body, b);
        // Outward: from the centre of the cube towards the face.
        const Vector c = (f.corner[0]->world + f.corner[1]->world + f.corner[2]->world) / 3.0f;
        EXPECT_GT(f.normal * (c - Vector(0.5f, 0.5f, 0.5f)), 0.0f) << i;
    }
    // A corner's normal is the mean direction of its three sides.
    const float d = 1.0f / std::sqrt(3.0f);
    ExpectVector(b->verts[6].normal, d, d, d);
}

TEST_F(Bodies, VelocityMovesAndTurnsTheGeometryAsItsVertexVelocitiesSay) {
    Body* b = Cube();
    b->pos = Vector(0.5f, 0.5f, 0.5f);
    b->pivot = b->pivot2 = Vector(0.5f, 0.5f, 0.5f);
    b->UpdateMatrix();
    b->UpdateWorld();
    b->velocity = Vector(1, 0, 0);
    b->angularVelocity = Vector(0, 0, 2);
    inct = 0.001f;
    const Vector before = b->verts[0].world;
    b->AdvanceByVelocity();
    b->ComputeVertexVelocities();
    const Vector moved = (b->verts[0].world - before) / inct;
    const Vector v = b->verts[0].velocity;
    EXPECT_NEAR(moved.x, v.x, 2e-3f);
    EXPECT_NEAR(moved.y, v.y, 2e-3f);
    EXPECT_NEAR(moved.z, v.z, 2e-3f);
    ExpectVector(b->pos, 0.501f, 0.5f, 0.5f);
    ExpectVector(b->previousPosition, 0.5f, 0.5f, 0.5f);
    EXPECT_EQ(b->rot.z, 0.0f);  // the node's angles stay

    // Without spin it only translates; its frame moves with it, so linked nodes ride along.
    b->angularVelocity = Vector(0, 0, 0);
    const Vector corner = b->verts[6].world;
    const Vector frame = b->matrix.GetTranslation();
    b->AdvanceByVelocity();
    ExpectVector(b->verts[6].world - corner, 0.001f, 0, 0);
    ExpectVector(b->matrix.GetTranslation() - frame, 0.001f, 0, 0);
}

TEST_F(Bodies, AResetBringsMovedBodiesBackToRest) {
    Body* b = Cube();
    b->velocity = Vector(0, 0, 3);
    sim::SetFullMode(true);
    inct = 0.01f;
    SimulationHooks().move_objects();
    EXPECT_NEAR(b->verts[0].world.z, 0.03f, 1e-6f);
    EXPECT_NEAR(b->verts[0].velocity.z, 3.0f, 1e-6f);
    sim::Reset();
    ExpectVector(b->verts[0].world, 0, 0, 0);
    ExpectVector(b->pos, 0, 0, 0);
    EXPECT_EQ(b->verts[0].velocity.z, 0.0f);
    sim::SetFullMode(false);
}

TEST_F(Bodies, ScalingTheSceneScalesEveryPositionOfEveryBody) {
    Body* b = Cube();
    b->pos = Vector(1, 0, 0);
    b->pivot = b->pivot2 = Vector(0, 1, 0);
    b->StoreRest();
    b->UpdateMatrix();
    b->UpdateWorld();
    const Vector world = b->verts[6].world;
    ScaleAllBodies(2.0f);
    ExpectVector(b->verts[6].local, 2, 2, 2);
    ExpectVector(b->verts[6].world, 2 * world.x, 2 * world.y, 2 * world.z);
    ExpectVector(b->keyA[0], 2, 0, 0);
    ExpectVector(b->pivot2, 0, 2, 0);
    EXPECT_NEAR(b->faces[0].area, 2.0f, 1e-6f);
    EXPECT_NEAR(b->faces[2].boundsMax.z, b->verts[6].world.z, 1e-6f);
    // The recomposed matrix describes the scaled geometry.
    const Vector again = b->build_matrix * b->verts[6].local;
    ExpectVector(again, b->verts[6].world.x, b->verts[6].world.y, b->verts[6].world.z);
}

TEST_F(Bodies, ViewportEditsFollowTheWorkingAxis) {
    Body* b = Cube();
    flag_plane = kMoveY;
    b->Rotate(30.0f);
    b->Scale(0.5f);
    EXPECT_EQ(b->rot[AY], 30.0f);
    EXPECT_EQ(b->scale[AY], 1.5f);
    EXPECT_EQ(b->keyA[1][AY], 30.0f);  // the rest follows every edit
    flag_plane = kMoveXZ;              // no single axis: nothing turns
    b->Rotate(30.0f);
    EXPECT_EQ(b->rot[AX] + b->rot[AZ], 0.0f);
    b->Move(Vector(1, 1, 1));
    ExpectVector(b->verts[0].world, b->build_matrix.GetTranslation().x, 0,
                 b->build_matrix.GetTranslation().z);
}

TEST_F(Bodies, RemovingABodyLetsGoOfEverythingThatPointsAtIt) {
    RegisterSupportClasses();
    Body* b = Cube();
    b->pos = Vector(0, 5, 0);
    b->UpdateMatrix();
    b->UpdateWorld();
    Body* other = Cube("other.obj");
    Fluido* f = MakeEmptyFluid();
    Fluido* g = MakeEmptyFluid();
    LinkObject(f, other);
    LinkObject(f, b);
    LinkObject(g, b);
    Daemon* d = CreaDaemon(&g_still);
    d->pos = Vector(1, 0, 0);
    d->link = b;
    d->UpdateLink();
    Mesh* mesh = NewMesh();
    mesh->link = b;
    mesh->UpdateLink();
    f->emitter->link = b;
    f->emitter->emitter_id = 3;
    f->emitter->UpdateLink();
    b->verts[0].selection = b->faces[0].selection = 0xF;
    ClearEmitterMask(b, f->emitter->emitter_id & 31);
    EXPECT_EQ(b->verts[0].selection, 0x7u);
    EXPECT_EQ(b->faces[0].selection, 0x7u);
    selnodo = b;
    edit_obj = b;

    RemoveBody(b);
    ASSERT_EQ(f->numObjects, 1);
    EXPECT_EQ(f->objects[0], other);
    EXPECT_EQ(g->numObjects, 0);
    // Each node freed of it stays where it was.
    ExpectVector(d->pos, 1, 5, 0);
    ExpectVector(f->emitter->pos, 0, 5, 0);
    ExpectVector(mesh->pos, 0, 5, 0);
    EXPECT_EQ((std::vector<const void*>{d->link, f->emitter->link, mesh->link, selnodo, edit_obj}),
              std::vector<const void*>(5, nullptr));
    EXPECT_EQ(CountBodies(), 1);

    RemoveAllBodies();
    EXPECT_EQ(CountBodies(), 0);
    EXPECT_EQ(f->numObjects, 0);
    ClearFluidScene();
}

}  // namespace
