#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "byte_builder.h"
#include "platform/workspace_file.h"
#include "scene/axes.h"
#include "scene/nodo.h"
#include "scene_fixture.h"

namespace {

Vector Apply(const Matrix& m, float x, float y, float z) { return m * Vector(x, y, z); }

using NodoTest = SceneTest;

TEST_F(NodoTest, RotationOrderFollowsTheHostAxisMode) {
    Nodo n;
    n.rot.Set(90.0f, 90.0f, 90.0f);
    // Each family turns (1, 2, 3) differently: Y·X·Z, Y·Z·X and X·Y·Z.
    ApplyPlatform(kPlatformLightwave);
    n.UpdateMatrix();
    ExpectNear(Apply(n.matrix, 1, 2, 3), 1, -3, 2);
    ApplyPlatform(kPlatformMax);
    n.UpdateMatrix();
    ExpectNear(Apply(n.matrix, 1, 2, 3), 2, 1, -3);
    ApplyPlatform(kPlatformSoftimage);
    n.UpdateMatrix();
    ExpectNear(Apply(n.matrix, 1, 2, 3), 3, -2, 1);
    // GimmeMatrix gives the same composition without storing it.
    n.rot.Set(0, 0, 0);
    Matrix m = n.GimmeMatrix();
    ExpectNear(Apply(m, 1, 2, 3), 1, 2, 3);
    ExpectNear(Apply(n.matrix, 1, 2, 3), 3, -2, 1);
}

TEST_F(NodoTest, PivotIsThePointThatPosPlaces) {
    Nodo n;
    n.UpdateMatrix();
    ExpectNear(Apply(n.matrix, 4, 5, 6), 4, 5, 6);
    n.pos.Set(1, 2, 3);
    n.pivot.Set(1, 2, 3);
    n.UpdateMatrix();
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(n.matrix.m[i], (i % 5 == 0) ? 1.0f : 0.0f, 1e-6f);

    n.pos.Set(5, 0, 0);
    n.rot.Set(0, 0, 90);
    n.scale.Set(2, 2, 2);
    n.pivot.Set(1, 0, 0);
    n.UpdateMatrix();
    ExpectNear(Apply(n.matrix, 1, 0, 0), 5, 0, 0);
    ExpectNear(Apply(n.matrix, 2, 0, 0), 5, 2, 0);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(n.build_matrix.m[i], n.matrix.m[i]);
}

TEST_F(NodoTest, ALinkedNodeFollowsItsObjectWithoutItsScale) {
    Nodo object;
    object.pos.Set(10, 0, 0);
    object.rot.Set(0, 0, 90);
    object.scale.Set(2, 2, 2);
    object.UpdateMatrix();

    Nodo n;
    n.pos.Set(1, 0, 0);
    n.scale.Set(3, 3, 3);
    n.pivot.Set(7, 7, 7);
    n.link = reinterpret_cast<Body*>(&object);
    n.UpdateLink();
    ExpectNear(Apply(n.matrix, 0, 0, 0), 10, 1, 0);
    ExpectNear(Apply(n.matrix, 1, 0, 0), 10, 2, 0);

    // Free nodes are left alone by UpdateLink.
    Nodo free_node;
    free_node.pos.Set(3, 3, 3);
    free_node.UpdateLink();
    ExpectNear(Apply(free_node.matrix, 0, 0, 0), 0, 0, 0);
}

TEST_F(NodoTest, MoveAddsOnlyTheComponentsOfTheWorkingPlane) {
    Nodo n;
    ApplyPlatform(kPlatformLightwave);
    flag_plane = kMoveXZ;
    n.Move(Vector(1, 2, 3));
    ExpectNear(n.pos, 1, 0, 3);
    flag_plane = kMoveY;
    n.Move(Vector(1, 2, 3));
    ExpectNear(n.pos, 1, 2, 3);
    flag_plane = 6;
    n.Move(Vector(1, 2, 3));
    ExpectNear(n.pos, 1, 2, 3);

    // With Z up the shown z is component 1.
    ApplyPlatform(kPlatformMax);
    Nodo m;
    flag_plane = kMoveXZ;
    m.Move(Vector(1, 2, 3));
    ExpectNear(m.pos, 1, 2, 0);
    // Move never recomposes the matrix itself.
    ExpectNear(Apply(m.matrix, 0, 0, 0), 0, 0, 0);
}

TEST_F(NodoTest, PlatformsSetTheAxisMappingAndWorkingPlane) {
    struct Row {
        int platform, family, ax, ay, az, plane;
    } rows[] = {{1, 1, 0, 1, 2, kMoveXZ},
                {2, 2, 0, 2, 1, kMoveXY},
                {3, 3, 2, 1, 0, kMoveXY},
                {4, 3, 2, 1, 0, kMoveXZ},
                {5, 2, 0, 2, 1, kMoveXY}};
    for (const Row& r : rows) {
        ApplyPlatform(r.platform);
        EXPECT_EQ((std::vector<int>{host_platform, axis_mode, AX, AY, AZ, flag_plane}),
                  (std::vector<int>{r.platform, r.family, r.ax, r.ay, r.az, r.plane}));
    }
    EXPECT_EQ(platform::MessageBoxCount(), 0);
    scene_scale = 2.5f;
    ApplyPlatform(9);
    EXPECT_EQ(platform::LastMessageBoxText(), "Warning: Unknown server id. Switching to Lightwave");
    EXPECT_EQ(host_platform, kPlatformLightwave);
    EXPECT_EQ(axis_mode, 1);
    EXPECT_EQ(scene_scale, 1.0f);
}

TEST_F(NodoTest, CopyTakesTheTransformButNotTheListPlace) {
    Nodo a;
    Nodo b;
    a.kind = kKindDaemon;
    a.pos.Set(1, 2, 3);
    a.pivot2.Set(4, 5, 6);
    a.UpdateMatrix();
    a.display = kDisplayFlat;
    a.reserved = 9;
    a.enabled = 0;
    a.flags = 0x10;
    a.wants_sel = 1;
    a.listed = 1;
    a.next = &b;
    Nodo c;
    c.Copy(&a);
    ExpectNear(c.pivot2, 4, 5, 6);
    EXPECT_EQ(c.matrix.m[12], 1.0f);
    EXPECT_EQ(c.next, nullptr);
    // Kind, display and switches travel; the selection wish and the list mark do not.
    EXPECT_EQ((std::vector<int>{c.kind, c.display, c.reserved, c.enabled, c.flags, c.wants_sel,
                                c.listed}),
              (std::vector<int>{kKindDaemon, kDisplayFlat, 9, 0, 0x10, 0, 0}));
    // Copy construction takes everything, the list place too.
    Nodo d(a);
    EXPECT_EQ(d.next, &b);
    EXPECT_EQ(d.listed, 1);
    d.next = nullptr;
    a.next = nullptr;
}

// A destroyed node leaves the daemon list; nodes linked to a deleted object stay where they are.
TEST_F(NodoTest, DestroyingANodeTakesItOutOfTheDaemonList) {
    Nodo* follower = new Nodo;
    Nodo* gone = new Nodo;
    Nodo* other = new Nodo;
    root.next = follower;
    follower->next = gone;
    gone->next = other;
    selnodo = gone;
    delete gone;
    EXPECT_EQ(follower->next, other);
    EXPECT_EQ(selnodo, nullptr);
    Nodo outsider;
    outsider.AtaNodos();
    EXPECT_EQ(root.next, follower);
    EXPECT_EQ(follower->next, other);
    EXPECT_EQ(other->next, nullptr);

    Nodo object;
    object.pos.Set(4, 0, 0);
    object.rot.Set(30, 0, 0);
    object.UpdateMatrix();
    follower->pos.Set(0, 1, 0);
    follower->link = reinterpret_cast<Body*>(&object);
    follower->UpdateLink();
    static Nodo* refreshed;
    refreshed = nullptr;
    SetNodeRefreshHook([](Nodo* n) { refreshed = n; });
    UnlinkNodesFrom(reinterpret_cast<Body*>(&object));
    SetNodeRefreshHook(nullptr);
    EXPECT_EQ(follower->link, nullptr);
    EXPECT_EQ(refreshed, follower);
    Vector where = follower->matrix.GetTranslation();
    ExpectNear(follower->pos, where.x, where.y, where.z);
    ExpectNear(follower->rot, 30, 0, 0, 1e-3f);
    // Recomposed freely, the node stands where the object had it.
    follower->UpdateMatrix();
    ExpectNear(follower->matrix.GetTranslation(), where.x, where.y, where.z);
    // ResetScene (in TearDown) deletes follower and other.
}

TEST_F(NodoTest, SaveWritesSixtyOneBytesAndLoadRestoresThem) {
    TempDir scratch;
    const std::string path = scratch.File("node.bin");
    Nodo n;
    n.pos.Set(1, 2, 3);
    n.rot.Set(4, 5, 6);
    n.pivot2.Set(0, 0, -1);
    n.enabled = 0;
    n.flags = 3;
    ASSERT_TRUE(platform::BeginWorkspaceWrite(path.c_str()));
    EXPECT_EQ(n.Save(), 1);
    ASSERT_TRUE(platform::EndWorkspaceWrite(true));

    const unsigned char expected[61] = {
        0, 0, 0x80, 0x3F, 0, 0, 0, 0x40, 0, 0, 0x40, 0x40,     // pos
        0, 0, 0x80, 0x40, 0, 0, 0xA0, 0x40, 0, 0, 0xC0, 0x40,  // rot
        0, 0, 0x80, 0x3F, 0, 0, 0x80, 0x3F, 0, 0, 0x80, 0x3F,  // scale
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,                    // pivot
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xBF,              // pivot2
        0};                                                    // enabled
    EXPECT_EQ(ReadFileText(path), std::string(reinterpret_cast<const char*>(expected), 61));

    Nodo m;
    m.enabled = 1;
    m.flags = 7;
    ASSERT_TRUE(platform::BeginWorkspaceRead(path.c_str()));
    EXPECT_EQ(m.Load(), 1);
    ExpectNear(m.pos, 1, 2, 3);
    ExpectNear(m.rot, 4, 5, 6);
    ExpectNear(m.pivot2, 0, 0, -1);
    EXPECT_EQ(m.enabled, 0);
    EXPECT_EQ(m.flags, 7);
    // The matrix is the caller's to recompose.
    ExpectNear(m.matrix.GetTranslation(), 0, 0, 0);
    // A truncated record changes nothing.
    Nodo k;
    k.pos.Set(9, 9, 9);
    EXPECT_EQ(FSeek(-30, SEEK_END), 0);
    EXPECT_EQ(k.Load(), 0);
    ExpectNear(k.pos, 9, 9, 9);
    platform::EndWorkspaceRead();
}

}  // namespace
