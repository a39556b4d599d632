#include <string>

#include "objects/scene_data.h"
#include "objects_fixture.h"
#include "scene/node_panel.h"
#include "scene/undo.h"

namespace {

class Panel : public ObjectsTest {
  protected:
    void SetUp() override {
        ObjectsTest::SetUp();
        panel = platform::CreateDialog(ObjectPanelTemplate(), ProcesaObjectPanel, nullptr);
        SetObjectPanel(panel);
    }
    void TearDown() override {
        ObjectsTest::TearDown();
        platform::DestroyDialog(panel);
    }
    // Imports the cube through the panel's button and the file dialog.
    Body* ImportCube(const char* name = "cube.obj") {
        platform::QueueOpenFileAnswer(Write(name, kCubeObj));
        platform::ClickControl(panel, kIdImportObject);
        return PanelBody();
    }
    platform::Dialog* panel = nullptr;
};

TEST_F(Panel, ImportListsSelectsAndShowsTheNewBody) {
    ApplyPlatform(kPlatformMax);
    const int undo = UndoSize();
    Body* b = ImportCube();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(platform::LastOpenFileTitle(), "Import Object");
    EXPECT_EQ(platform::LastOpenFileFilter().rfind("Ascii object (*.asc)|*.asc|", 0), 0u);
    EXPECT_EQ(selnodo, b);
    EXPECT_EQ(b->listed, 1);
    EXPECT_EQ(panel->ListText(kIdObjectList, panel->ListSelection(kIdObjectList)), "cube.obj");
    EXPECT_EQ(panel->GetText(kIdObjectPoints), "8");
    EXPECT_EQ(panel->GetText(kIdObjectFaces), "12");
    EXPECT_TRUE(panel->IsWindowVisible());
    EXPECT_EQ(UndoSize(), undo + 2);

    // A cancelled dialog imports nothing; a body with points and no faces is dropped.
    platform::ClickControl(panel, kIdImportObject);
    platform::QueueOpenFileAnswer(Write("dots.obj", "v 0 0 0\nv 1 1 1\n"));
    platform::ClickControl(panel, kIdImportObject);
    EXPECT_EQ(CountBodies(), 1);
    EXPECT_EQ(platform::MessageBoxCount(), 0);
}

TEST_F(Panel, FieldsKeepTheirLimitsAndShowInternalAxes) {
    ApplyPlatform(kPlatformMayaZUp);  // the second field of a vector is the internal z
    Body* b = ImportCube();
    const struct {
        int id;
        const char* typed;
        float Body::*field;
        float expected;
    } cases[] = {
        {kIdBounce, "2", &Body::K, 0.9f},
        {kIdRough, "-1", &Body::rough, 0.0f},
        {kIdCollisionTolerance, "1", &Body::collisionTolerance, 0.75f},
        {kIdConductivity, "0.5", &Body::conductivity, 0.5f},
        {kIdFriction, "7", &Body::friction, 7.0f},
        {kIdTemperature, "-40", &Body::temperature, -40.0f},
        {kIdSticky, "3", &Body::sticky, 3.0f},
        {kIdCollisionDistance, "0.2", &Body::collisionDistance, 0.2f},
    };
    for (const auto& c : cases) {
        platform::TypeIntoField(panel, c.id, c.typed);
        EXPECT_EQ(b->*c.field, c.expected) << c.typed;
    }
    platform::TypeIntoField(panel, kIdVelocityY, "4");
    platform::TypeIntoField(panel, kIdSpinZ, "2");
    ExpectVector(b->velocity, 0, 0, 4);
    ExpectVector(b->angularVelocity, 0, 2, 0);
    platform::TypeIntoField(panel, kIdScaleX, "-3");
    EXPECT_EQ(b->scale.x, 0.0f);
    // The thin-face test warns that it costs time.
    platform::ClickControl(panel, kIdThinFaceTest);
    EXPECT_EQ(b->thinFaceTest, 1);
    EXPECT_EQ(platform::StatusText(),
              " The process will run slower as interaction through thin faces is tested");
}

TEST_F(Panel, TransformEditsMoveTheBodyAndItsRest) {
    Body* b = ImportCube();
    const int undo = UndoSize();
    platform::TypeIntoField(panel, kIdPosX, "3");
    ExpectVector(b->verts[0].world, 3, 0, 0);
    ExpectVector(b->keyA[0], 3, 0, 0);
    EXPECT_EQ(UndoSize(), undo + 1);
    platform::TypeIntoField(panel, kIdPosX, "3");  // no change, no undo step
    EXPECT_EQ(UndoSize(), undo + 1);

    // A new pivot leaves the body where it is.
    const Vector corner = b->verts[6].world;
    platform::TypeIntoField(panel, kIdPivotY, "1");
    ExpectVector(b->verts[6].world, corner.x, corner.y, corner.z);
    ExpectVector(b->pos, 3, 1, 0);
    ExpectVector(b->pivot2, 0, 1, 0);
    EXPECT_EQ(panel->GetText(kIdPosY), " 1.00");

    ASSERT_TRUE(Undo());
    ExpectVector(b->verts[6].world, corner.x, corner.y, corner.z);
    ExpectVector(b->pos, 3, 0, 0);
}

TEST_F(Panel, ResetParametersGivesFrictionATenthAndRestsThere) {
    Body* b = ImportCube();
    platform::TypeIntoField(panel, kIdPosZ, "5");
    platform::TypeIntoField(panel, kIdScaleY, "2");
    platform::TypeIntoField(panel, kIdSticky, "4");
    platform::TypeIntoField(panel, kIdVelocityX, "1");
    b->K = 0.7f;
    platform::ClickControl(panel, kIdResetObject);
    EXPECT_EQ((std::vector<float>{b->friction, b->K, b->sticky, b->pos.z, b->scale.y, b->velocity.x,
                                  b->keyA[0].z}),
              (std::vector<float>{0.1f, 0.1f, 0, 0, 1, 0, 0}));
    ExpectVector(b->verts[6].world, 1, 1, 1);
    EXPECT_EQ(panel->GetText(kIdFriction), " 0.10");
}

TEST_F(Panel, RemovalSparesSceneDataBodiesAndAsksBeforeRemovingAll) {
    Body* a = ImportCube("a.obj");
    Body* b = ImportCube("b.obj");
    b->origin = kOriginSceneData;
    platform::ClickControl(panel, kIdRemoveObject);
    EXPECT_EQ(platform::LastMessageBoxText(), "Objects included in a SD scene cannot be deleted");
    EXPECT_EQ(CountBodies(), 2);

    platform::SelectListItem(panel, kIdObjectList, 0);
    EXPECT_EQ(PanelBody(), a);
    EXPECT_EQ(selnodo, a);
    platform::ClickControl(panel, kIdRemoveObject);
    EXPECT_EQ(CountBodies(), 1);
    EXPECT_FALSE(panel->IsWindowVisible());
    EXPECT_EQ(PanelBody(), nullptr);

    platform::QueueMessageBoxAnswer(platform::kAnswerNo);
    platform::ClickControl(panel, kIdRemoveAllObjects);
    EXPECT_EQ(platform::LastMessageBoxText(), "All objects will be removed. Continue?");
    EXPECT_EQ(CountBodies(), 1);
    platform::QueueMessageBoxAnswer(platform::kAnswerYes);
    platform::ClickControl(panel, kIdRemoveAllObjects);
    EXPECT_EQ(CountBodies(), 0);
    EXPECT_EQ(panel->ListCount(kIdObjectList), 0);
}

TEST_F(Panel, ALockedSceneDecidesByOriginWhatMayBeEdited) {
    Body* a = ImportCube("a.obj");
    Body* b = ImportCube("b.obj");
    b->origin = kOriginSceneData;
    sd_locked = 1;
    ShowObjectPanel(b);
    EXPECT_FALSE(panel->IsEnabled(kIdPosX));
    EXPECT_FALSE(panel->IsEnabled(kIdResetObject));
    EXPECT_FALSE(panel->IsEnabled(kIdSpinZ));
    ShowObjectPanel(a);
    EXPECT_TRUE(panel->IsEnabled(kIdPosX));
    EXPECT_TRUE(panel->IsEnabled(kIdVelocityX));
    EXPECT_FALSE(panel->IsEnabled(kIdPivotX));  // never while locked
    sd_locked = 0;
    ShowObjectPanel(a);
    EXPECT_TRUE(panel->IsEnabled(kIdPivotX));
}

}  // namespace
