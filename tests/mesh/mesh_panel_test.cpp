#include "mesh/mesh_panel.h"

#include <string>
#include <utility>
#include <vector>

#include "byte_builder.h"
#include "mesh_classes.h"
#include "mesh_fixture.h"
#include "platform/dialog.h"
#include "platform/file_dialog.h"

namespace {

using namespace mesh_panel;

TetraClass g_tetra;

class MeshPanelTest : public MeshTest {
  protected:
    void SetUp() override {
        MeshTest::SetUp();
        panel_ = platform::CreateDialog(Template(), Procesa, nullptr);
        ASSERT_NE(panel_, nullptr);
    }
    void TearDown() override {
        platform::DestroyDialog(panel_);
        MeshTest::TearDown();
    }
    // Chooses a tree item by its text.
    void Choose(const std::string& text) {
        for (int i = 0; i < panel_->ListCount(kIdTree); ++i) {
            if (panel_->ListText(kIdTree, i) == text) {
                platform::SelectListItem(panel_, kIdTree, i);
                return;
            }
        }
        ADD_FAILURE() << "no item " << text;
    }
    platform::Dialog* panel_ = nullptr;
};

TEST_F(MeshPanelTest, TheTreeListsMeshesWithTheirFluidsAndItsCommandsEditTheLinks) {
    Fluido* a = MakeEmptyFluid();
    Fluido* b = MakeEmptyFluid();
    Refresh(panel_);
    platform::ClickControl(panel_, kIdNewMesh);
    platform::ClickControl(panel_, kIdInsertAll);
    platform::ClickControl(panel_, kIdNewMesh);
    platform::SelectListItem(panel_, kIdFluids, 1);
    platform::ClickControl(panel_, kIdInsertSelected);
    ASSERT_EQ(panel_->ListCount(kIdTree), 5);
    const std::string first = "    " + std::string(a->emitter->name);
    const std::string second = "    " + std::string(b->emitter->name);
    EXPECT_EQ(panel_->ListText(kIdTree, 0), "Mesh");
    EXPECT_EQ(panel_->ListText(kIdTree, 2), second);
    EXPECT_EQ(panel_->ListText(kIdTree, 3), "MeshA");
    EXPECT_EQ(panel_->ListText(kIdTree, 4), second);

    Choose(first);
    EXPECT_EQ(selmesh, rootmesh);
    EXPECT_EQ(SelectedFluid(), a);
    platform::ClickControl(panel_, kIdRemoveItem);
    EXPECT_EQ(rootmesh->numLinks, 1);

    platform::SelectListItem(panel_, kIdFluids, 0);
    platform::ClickControl(panel_, kIdAddToAll);
    EXPECT_EQ(rootmesh->numLinks, 2);
    EXPECT_EQ(MeshAt(1)->numLinks, 2);

    Choose("MeshA");
    MeshAt(1)->building = true;
    platform::ClickControl(panel_, kIdCleanList);
    EXPECT_EQ(MeshAt(1)->numLinks, 2) << "not while it is being built";
    MeshAt(1)->building = false;
    platform::ClickControl(panel_, kIdCleanList);
    EXPECT_EQ(MeshAt(1)->numLinks, 0);
    platform::ClickControl(panel_, kIdDeleteMesh);
    EXPECT_EQ(CountMeshes(), 1);
    EXPECT_EQ(panel_->ListCount(kIdTree), 3);
}

TEST_F(MeshPanelTest, SlidersSetTheLinksRadiusAndBlendAndTheMeshsResolution) {
    Fluido* a = MakeEmptyFluid();
    Mesh* m = MeshOf({a});
    Refresh(panel_);
    Choose("    " + std::string(a->emitter->name));
    MoveSlider(panel_, kIdRadius, 100);
    EXPECT_FLOAT_EQ(m->links[0].radiusFactor, 1.5f);
    EXPECT_EQ(panel_->GetText(kIdRadiusText), "Radius 100%");
    MoveSlider(panel_, kIdBlend, 0);
    EXPECT_FLOAT_EQ(m->links[0].blend, 1.2f);
    EXPECT_FLOAT_EQ(m->links[0].kernelScale, KernelScale(1.2f));
    EXPECT_EQ(panel_->GetText(kIdBlendText), "Blend factor 0%");

    // The estimate scales the last frames' faces by the square of the cell ratio.
    m->refFaces = 100;
    m->refCellSize = 0.1f;
    m->cellSize = 0.1f * std::sqrt(100.0f / 136.0f);  // the cell of 0 %
    m->lastFaces = 1000;
    m->facesBeforeLast = 900;
    MoveSlider(panel_, kIdResolution, 100);
    EXPECT_FLOAT_EQ(m->resolution, 100.0f);
    EXPECT_EQ(panel_->GetText(kIdResolutionText), "Resolution 100%");
    const float ratio = 9000.0f / 136.0f;
    EXPECT_NEAR(m->estimatedFaces, 100 * ratio + 1000 * ratio, 2.0f);
    EXPECT_EQ(panel_->GetText(kIdEstimated), "Estimated: " + std::to_string(m->estimatedFaces));
}

TEST_F(MeshPanelTest, AMeshAnEmitterBuildsRefusesResolutionChanges) {
    Fluido* f = CreaFluido(&g_tetra);
    Mesh* m = MeshOf({f});
    Refresh(panel_);
    Choose("Mesh");
    MoveSlider(panel_, kIdResolution, 50);
    EXPECT_FLOAT_EQ(m->resolution, 6.0f);
    EXPECT_EQ(panel_->SliderPos(kIdResolution), 6);
    EXPECT_NE(platform::LogText().find("An emitter/daemon controls the mesh"), std::string::npos);
    EXPECT_EQ(platform::StatusColour(), platform::kStatusRed);
}

TEST_F(MeshPanelTest, FieldsSwitchesAndTheOptimizeFiltersAndTextureTabsEditTheMesh) {
    Mesh* m = MeshOf({MakeEmptyFluid()});
    Refresh(panel_);
    Choose("Mesh");
    platform::TypeIntoField(panel_, kIdName, "Sea");
    EXPECT_EQ(panel_->ListText(kIdTree, 0), "Sea");
    for (int id : {kIdOutObj, kIdOptimize, kIdLimitFaces}) platform::ClickControl(panel_, id);
    const std::pair<int, const char*> typed[] = {{kIdFrameOffset, "12"}, {kIdClipMinX + 4, "2.5"},
                                                 {kIdIterations, "5"},   {kIdThreshold, "2.5"},
                                                 {kIdMaxFaces, "900"}};
    for (const auto& [id, text] : typed) platform::TypeIntoField(panel_, id, text);
    EXPECT_STREQ(m->name, "Sea");
    EXPECT_EQ((std::vector<float>{float(m->outObj), float(m->optimize), float(m->limitFaces),
                                  float(m->frameOffset), m->clipMax.y, float(m->optIterations),
                                  m->optThreshold, float(m->maxFaces)}),
              (std::vector<float>{1, 1, 1, 12, 2.5f, 5, 2.5f, 900}));
    platform::ClickControl(panel_, kIdDisable);
    EXPECT_FALSE(m->generationOn);
    ToggleGeneration(m);  // the popup menu's command
    Refresh(panel_);
    EXPECT_FALSE(panel_->IsChecked(kIdDisable));

    // A filter chosen shows its strength; chosen again, it is off and the slider hides.
    EXPECT_FALSE(panel_->IsVisible(kIdFilterStrength));
    platform::ClickControl(panel_, kIdFilterSharp);
    EXPECT_EQ(m->filterType, kFilterSharp);
    EXPECT_TRUE(panel_->IsVisible(kIdFilterStrength));
    MoveSlider(panel_, kIdFilterStrength, 40);
    EXPECT_FLOAT_EQ(m->filterStrength, 0.4f);
    EXPECT_EQ(panel_->GetText(kIdFilterText), "Filter Iterations: 40%");
    platform::ClickControl(panel_, kIdFilterStandard);
    EXPECT_EQ(m->filterType, kFilterStandard);
    EXPECT_FALSE(panel_->IsChecked(kIdFilterSharp));
    platform::ClickControl(panel_, kIdFilterStandard);
    EXPECT_FALSE(m->smoothing);
    EXPECT_FALSE(panel_->IsVisible(kIdFilterStrength));

    // A value channel has no tiling and no re-mapping; mapping off disables the tab.
    platform::ClickControl(panel_, kIdChannelTexture + 2);
    EXPECT_EQ(m->textureChannel, 2);
    EXPECT_FALSE(panel_->IsEnabled(kIdTiling));
    EXPECT_FALSE(panel_->IsEnabled(kIdRemap));
    platform::ClickControl(panel_, kIdChannelTexture);
    platform::ClickControl(panel_, kIdRemap);
    EXPECT_NE(platform::LogText().find(" Mapping will be reset at next frame"), std::string::npos);
    platform::ClickControl(panel_, kIdUvw);
    EXPECT_FALSE(m->calcUVW);
    EXPECT_EQ(m->links[0].fluid->texture, nullptr);
    EXPECT_FALSE(panel_->IsEnabled(kIdChannelTexture + 1));
    platform::ClickControl(panel_, kIdMotionBlur);
    EXPECT_FALSE(m->motionBlur);

    // A surface file chosen with "...": its name shows, the surface name follows the field,
    // "Clear surface" brings back the default.
    TempDir dir;
    const std::string srf = dir.File("glass.srf");
    Bytes file;
    file.Text("FORM").U32BE(24).Text("LWOB").Text("SURF").U32BE(12).Text("Glass").U8(0);
    file.Text("FLAG").U16BE(2).U16BE(0);
    WriteFileBytes(srf, file.b);
    platform::QueueOpenFileAnswer(srf);
    platform::ClickControl(panel_, kIdChooseSurface);
    EXPECT_EQ(platform::LastOpenFileTitle(), "Load Surface");
    EXPECT_EQ(panel_->GetText(kIdSurfaceFile), srf);
    EXPECT_EQ(panel_->GetText(kIdSurfaceName), "Glass");
    platform::TypeIntoField(panel_, kIdSurfaceName, "Sea");
    EXPECT_STREQ(static_cast<const char*>(m->surfaceChunk) + 8, "Sea");
    platform::ClickControl(panel_, kIdIncludeShader);
    EXPECT_EQ(m->includeShader, 1);
    platform::ClickControl(panel_, kIdClearSurface);
    EXPECT_EQ(panel_->GetText(kIdSurfaceFile), "(default)");
    EXPECT_EQ(panel_->GetText(kIdSurfaceName), "Meshsurf");
    platform::ClickControl(panel_, kIdUvw);
    platform::QueueOpenFileAnswer("waves.jpg");
    platform::ClickControl(panel_, kIdPreviewTexture);
    EXPECT_EQ(panel_->GetText(kIdTextureName), "waves.jpg");
}

}  // namespace
