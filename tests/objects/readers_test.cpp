#include <cmath>
#include <string>
#include <vector>

#include "objects_fixture.h"
#include "platform/format.h"

namespace {

using Readers = ObjectsTest;

struct RealFile {
    const char* name;
    bool read;
    int nverts, nfaces, degenerate;
    const char* message;  // "%s" stands for the path
};

// The real files of tests/data/objects, read by the rules of each format. Refusals:
// - LWO files whose first layer holds only quads have no triangle to give;
// - the OBJ files name a vertex that does not exist (12 of 8, 0, a relative -1 in the first
//   line), give faces of one and two corners, or a number beyond the float range;
// - points.dxf holds points, no polyface mesh; bin_dxf_r12.dxf is the binary form of DXF.
const RealFile kRealFiles[] = {
    {"TESTI.ASC", true, 7, 7, 0, ""},  // the first of its three named objects
    {"sphere_with_mat_gloss_10pc.lwo", true, 266, 48, 0, "240 no-triangular polygons were ignored"},
    {"boxuv.lwo", false, 0, 0, 0, "%s: No triangular faces found in LW object"},
    {"simple_cube.lwo", false, 0, 0, 0, "%s: No triangular faces found in LW object"},
    {"hierarchy.lwo", false, 0, 0, 0, "%s: No triangular faces found in LW object"},
    {"spider.obj", true, 762, 1368, 56, ""},
    {"number_formats.obj", true, 15, 1, 1, ""},  // "3.1+e2" reads as 3.1; f 1 2 4 is a line
    {"malformed.obj", false, 0, 0, 0, "Object file read error: %s"},
    {"invalid-face-definition.obj", false, 0, 0, 0, "Object file read error: %s"},
    {"points.dxf", false, 0, 0, 0, "Error reading DXF File : cannot find polyface mesh (2)"},
    {"bin_dxf_r12.dxf", false, 0, 0, 0, "Object file read error: %s"},
    // Only the first mesh: 8 points and 6 four-cornered faces, 12 triangles.
    {"two_polyface_meshes.dxf", true, 8, 12, 0, ""},
};

TEST_F(Readers, RealFilesAreReadOrRefusedByTheirFormatsRules) {
    for (const RealFile& f : kRealFiles) {
        SCOPED_TRACE(f.name);
        platform::ClearMessageBoxes();
        const std::string path = Data(f.name);
        Body* b = CreaBody();
        EXPECT_EQ(LoadObjectFile(b, FileTypeOfPath(f.name), path.c_str(), f.name), f.read);
        EXPECT_EQ(b->nverts, f.nverts);
        EXPECT_EQ(b->nfaces, f.nfaces);
        int degenerate = 0;
        for (int i = 0; i < b->nfaces; ++i) degenerate += b->faces[i].degenerate;
        EXPECT_EQ(degenerate, f.degenerate);
        EXPECT_STREQ(b->name, f.read ? f.name : "empty");
        if (*f.message) {
            EXPECT_EQ(platform::LastMessageBoxText(), platform::Format(f.message, path.c_str()));
        } else {
            EXPECT_EQ(platform::MessageBoxCount(), 0);
        }
        RemoveBody(b);
    }
    // A number the float range cannot hold, in a file without extension.
    Body b;
    EXPECT_FALSE(b.LoadObj(Data("overflowing_number").c_str(), "x"));
    EXPECT_EQ(b.nverts, 0);
}

TEST_F(Readers, AscFacesSwapCornersAAndBAndEntriesMayUseDecimalCommasAndSpacedFields) {
    const std::string path = Write("a.asc",
                                   "Named object: \"tri\"\nTri-mesh, Vertices: 3 Faces: 1\n"
                                   "Vertex list:\nVertex 0: X: 1,5 Y: 0 Z: 0\n"
                                   "Vertex 1: X: 0 Y: 2,25 Z: 0\nVertex 2: X: 0 Y: 0 Z: -3\n"
                                   "Face list:\nFace 0: A: 0 B: 1 C: 2 AB: 1 BC: 0 CA: 1\n");
    Body* b = CreaBody();
    ASSERT_TRUE(b->LoadAsc(path.c_str(), "a.asc"));
    ExpectVector(b->verts[0].local, 1.5f, 0, 0);
    ExpectVector(b->verts[1].local, 0, 2.25f, 0);
    // Corners B, A, C; edges AB, CA, BC.
    EXPECT_EQ(Corners(b->faces[0]), (std::vector<int>{1, 0, 2}));
    EXPECT_EQ(Edges(b->faces[0]), (std::vector<int>{1, 1, 0}));
    EXPECT_EQ((std::vector<int>{b->format, b->origin}), (std::vector<int>{kFormatAsc, kOriginObjectFile}));
}

TEST_F(Readers, ObjReferencesAreOneBasedWhateverTheirForm) {
    const std::string path = Write("a.obj",
                                   "# C:\\models\\\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\n"
                                   "vt 0 0\nvn 0 0 1\n"
                                   "f 1/1/1 2/2/2 3/3/3\nf 1//1 2//2 4//1\nf 4/1 3/1 2/1\n"
                                   "f -1 -2 -3\nf \\\n 2 3 4\nf 1 2 \\\n3\n");
    Body* b = CreaBody();
    ASSERT_TRUE(b->LoadObj(path.c_str(), "a.obj"));
    ASSERT_EQ(b->nverts, 4);  // the comment's backslash continues nothing
    ASSERT_EQ(b->nfaces, 6);
    const std::vector<std::vector<int>> expected = {{0, 1, 2}, {0, 1, 3}, {3, 2, 1},
                                                    {3, 2, 1}, {1, 2, 3}, {0, 1, 2}};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(Corners(b->faces[i]), expected[i]) << i;
    EXPECT_EQ(Edges(b->faces[0]), (std::vector<int>{1, 1, 1}));
}

TEST_F(Readers, ObjPolygonsBecomeFansThatShowOnlyTheirOwnEdges) {
    const std::string path =
        Write("q.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv -1 1 0\nf 1 2 3 4\nf 1 2 3 4 5\n");
    Body* b = CreaBody();
    ASSERT_TRUE(b->LoadObj(path.c_str(), "q.obj"));
    ASSERT_EQ(b->nfaces, 2 + 3);
    EXPECT_EQ(Corners(b->faces[0]), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(Corners(b->faces[1]), (std::vector<int>{0, 2, 3}));
    EXPECT_EQ(Edges(b->faces[0]), (std::vector<int>{1, 1, 0}));
    EXPECT_EQ(Edges(b->faces[1]), (std::vector<int>{0, 1, 1}));
    EXPECT_EQ(Edges(b->faces[3]), (std::vector<int>{0, 1, 0}));  // the middle of a pentagon
    EXPECT_EQ(Corners(b->faces[4]), (std::vector<int>{0, 3, 4}));
    EXPECT_EQ(platform::MessageBoxCount(), 0);
}

TEST_F(Readers, DxfNegativeCornersHideTheEdgeThatStartsThere) {
    const std::string path =
        Write("a.dxf",
              "0\nSECTION\n2\nENTITIES\n0\nPOLYLINE\n66\n1\n70\n64\n71\n4\n72\n2\n"
              "0\nVERTEX\n10\n0\n20\n0\n30\n0\n70\n192\n0\nVERTEX\n10\n1,5\n20\n0\n30\n0\n70\n192\n"
              "0\nVERTEX\n10\n0\n20\n1\n30\n0\n70\n192\n0\nVERTEX\n10\n0\n20\n0\n30\n1\n70\n192\n"
              "0\nVERTEX\n70\n128\n71\n-2\n72\n3\n73\n1\n"
              "0\nVERTEX\n70\n128\n71\n1\n72\n2\n73\n-3\n74\n4\n"
              "0\nVERTEX\n70\n128\n71\n1\n72\n2\n73\n3\n0\nSEQEND\n0\nENDSEC\n0\nEOF\n");
    Body* b = CreaBody();
    ASSERT_TRUE(b->LoadDxf(path.c_str(), "a.dxf"));
    ExpectVector(b->verts[1].local, 1.5f, 0, 0);
    ASSERT_EQ(b->nfaces, 3);  // the third record is past the two announced
    EXPECT_EQ(Corners(b->faces[0]), (std::vector<int>{1, 2, 0}));
    EXPECT_EQ(Edges(b->faces[0]), (std::vector<int>{0, 1, 1}));
    // A four-cornered face: two triangles, the diagonal hidden in both.
    EXPECT_EQ(Corners(b->faces[1]), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(Edges(b->faces[1]), (std::vector<int>{1, 1, 0}));
    EXPECT_EQ(Corners(b->faces[2]), (std::vector<int>{0, 2, 3}));
    EXPECT_EQ(Edges(b->faces[2]), (std::vector<int>{0, 0, 1}));
}

Iff Points(int n) {
    Iff p;
    for (int i = 0; i < n; ++i) p.F32(float(i)).F32(2.0f * i).F32(-1.0f);
    return p;
}

TEST_F(Readers, LwobIndicesAreTwoBytesAndFollowedByASurface) {
    Iff pols;
    pols.U16(3).U16(2).U16(0).U16(1).U16(1);         // triangle, surface 1
    pols.U16(4).U16(0).U16(1).U16(2).U16(3).U16(1);  // a quad: ignored
    pols.U16(3).U16(3).U16(2).U16(1).U16(0xFFFF);    // negative surface: one detail follows
    pols.U16(1);
    pols.U16(3).U16(0).U16(3).U16(2).U16(1);  // the detail polygon
    const auto path =
        Write("a.lwo", Iff::Form("LWOB", Iff().Chunk("PNTS", Points(4)).Chunk("POLS", pols)));
    Body* b = CreaBody();
    ASSERT_TRUE(b->LoadLwo(path.c_str(), "a.lwo"));
    ExpectVector(b->verts[3].local, 3, 6, -1);
    ASSERT_EQ(b->nfaces, 3);
    EXPECT_EQ(Corners(b->faces[0]), (std::vector<int>{2, 0, 1}));
    EXPECT_EQ(Corners(b->faces[1]), (std::vector<int>{3, 2, 1}));
    EXPECT_EQ(Corners(b->faces[2]), (std::vector<int>{0, 3, 2}));
    EXPECT_EQ(Edges(b->faces[0]), (std::vector<int>{1, 1, 1}));
    EXPECT_EQ(platform::LastMessageBoxText(), "1 no-triangular polygons were ignored");
}

TEST_F(Readers, Lwo2IndicesTakeFourBytesBehindA0xFF) {
    Iff pols;
    pols.Tag("FACE");
    pols.U16(3).U16(1).U8(0xFF).U8(0).U8(0).U8(2).U16(0);  // 1, then the long form of 2, then 0
    pols.U16(0xFC03).U16(2).U16(1).U16(0);                 // all six flag bits above the count
    const auto path = Write("b.lwo", Iff::Form("LWO2", Iff()
                                                           .Chunk("TAGS", Iff().Tag("Def").U8(0))
                                                           .Chunk("PNTS", Points(3))
                                                           .Chunk("POLS", pols)
                                                           .Chunk("PNTS", Points(9))));
    Body* b = CreaBody();
    ASSERT_TRUE(b->LoadLwo(path.c_str(), "b.lwo"));
    EXPECT_EQ(b->nverts, 3);  // the first PNTS only
    ASSERT_EQ(b->nfaces, 2);
    EXPECT_EQ(Corners(b->faces[0]), (std::vector<int>{1, 2, 0}));
    EXPECT_EQ(Corners(b->faces[1]), (std::vector<int>{2, 1, 0}));
    EXPECT_EQ(b->format, kFormatLwo);
}

TEST_F(Readers, AxisMappingAndScaleApplyAsEachFormatSays) {
    const std::string obj = Write("p.obj", "v 1 2 3\nv 0 0 0\nv 1 0 0\nf 1 2 3\n");
    Iff pols;
    pols.Tag("FACE").U16(3).U16(0).U16(1).U16(2);
    Iff pnts;
    pnts.F32(1).F32(2).F32(3).F32(0).F32(0).F32(0).F32(1).F32(0).F32(0);
    const auto lwo =
        Write("p.lwo", Iff::Form("LWO2", Iff().Chunk("PNTS", pnts).Chunk("POLS", pols)));

    ApplyPlatform(kPlatformMayaZUp);  // the file's y is the internal z
    scene_scale = 2.0f;
    Body* a = CreaBody();
    Body* b = CreaBody();
    ASSERT_TRUE(a->LoadObj(obj.c_str(), "p.obj"));
    ASSERT_TRUE(b->LoadLwo(lwo.c_str(), "p.lwo"));
    ExpectVector(a->verts[0].local, 2, 6, 4);
    ExpectVector(b->verts[0].local, 2, 4, 6);  // Lightwave coordinates stay as they are
    ExpectVector(a->verts[0].world, 2, 6, 4);
}

TEST_F(Readers, ExtensionsGiveTypeCodesWhateverTheirCase) {
    const std::pair<const char*, int> cases[] = {
        {"a.obj", kTypeObj},      {"B.OBJ", kTypeObj},         {"c.Lwo", kTypeLwo},
        {"d.asc", kTypeAsc},      {"e.DXF", kTypeDxf},         {"f.lws", kTypeLws},
        {"g.SD", kTypeSd},        {"h.3ds", kType3ds},         {"i.ase", kTypeAse},
        {"j.objx", kTypeUnknown}, {"dir.obj/k", kTypeUnknown}, {"obj", kTypeUnknown}};
    for (const auto& [path, type] : cases) EXPECT_EQ(FileTypeOfPath(path), type) << path;
    const std::string upper = Write("CUBE.OBJ", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    Body* b = ImportObjectFile(upper.c_str());
    ASSERT_NE(b, nullptr);
    EXPECT_STREQ(b->name, "CUBE.OBJ");
    EXPECT_EQ(ImportObjectFile(Write("cube.txt", "v 0 0 0\n").c_str()), nullptr);
    EXPECT_EQ(CountBodies(), 1);
}

TEST_F(Readers, DegenerateFacesAreMarkedAndReportedOnce) {
    const std::string path =
        Write("d.obj", "v 0 0 0\nv 1 0 0\nv 2 0 0\nv 0 1 0\nf 1 2 3\nf 1 2 4\nf 1 1 4\n");
    Body* b = CreaBody();
    ASSERT_TRUE(b->LoadObj(path.c_str(), "d.obj"));
    // They stay in the arrays.
    EXPECT_EQ((std::vector<int>{b->nfaces, b->faces[0].degenerate, b->faces[1].degenerate,
                                b->faces[2].degenerate}),
              (std::vector<int>{3, 1, 0, 1}));
    EXPECT_EQ(platform::StatusText(), " d.obj contains 2 degenerated faces that will be ignored");
}

struct Refusal {
    const char* name;
    std::string content;
    const char* message;  // "%s" stands for the path
};

std::string Lwo(const char* type, const Iff& chunks) {
    auto b = Iff::Form(type, chunks);
    return std::string(b.begin(), b.end());
}

TEST_F(Readers, RefusedFilesSayWhyAndLeaveTheSceneAsItWas) {
    Iff tri;
    tri.Tag("FACE").U16(3).U16(0).U16(1).U16(2);
    Iff bad_index;
    bad_index.Tag("FACE").U16(3).U16(0).U16(1).U16(3);
    Iff cut_short;
    cut_short.Tag("FACE").U16(3).U16(0);
    Iff nan_point;
    nan_point.F32(std::nanf("")).F32(0).F32(0);
    const std::string dxf_head = "0\nSECTION\n2\nENTITIES\n0\nPOLYLINE\n70\n64\n";
    const std::string dxf_vertex = "0\nVERTEX\n10\n0\n20\n0\n30\n0\n";
    const std::vector<Refusal> cases = {
        {"a.asc", "Ambient light\n", "Error reading ASC file"},
        {"b.asc",
         "Named object: \"x\"\nTri-mesh, Vertices: 3 Faces: 1\nVertex list:\n"
         "Vertex 0: X: 0 Y: 0 Z: 0\nFace list:\nFace 0: A:0 B:1 C:2\n",
         "Object file read error: %s"},
        {"c.asc",
         "Named object: \"x\"\nTri-mesh, Vertices: 1 Faces: 1\nVertex list:\n"
         "Vertex 0: X: 0 Y: 0 Z: 0\nFace list:\nFace 0: A:0 B:0 C:1\n",
         "Object file read error: %s"},
        {"d.asc", "Named object: \"x\"\nTri-mesh, Vertices: 90000000 Faces: 1\n",
         "Object file read error: %s"},
        {"a.lwo", "FORX", "No valid LWO file"},
        {"b.lwo", Lwo("LWLO", Iff()), "No valid LWO file"},
        {"c.lwo", Lwo("LWO2", Iff().Chunk("POLS", tri)), "Error parsing LWO file 'PNTS'"},
        {"d.lwo", Lwo("LWO2", Iff().Chunk("PNTS", nan_point)), "Error parsing LWO file 'PNTS'"},
        {"e.lwo", Lwo("LWO2", Iff().Chunk("PNTS", Points(3))), "Error parsing LWO file 'POLS'"},
        {"f.lwo", Lwo("LWO2", Iff().Chunk("PNTS", Points(3)).Chunk("POLS", Iff().Tag("PTCH"))),
         "Error parsing LWO file 'POLS'"},
        {"g.lwo", Lwo("LWO2", Iff().Chunk("PNTS", Points(3)).Chunk("POLS", bad_index)),
         "Error parsing LWO file 'POLS'"},
        {"h.lwo", Lwo("LWO2", Iff().Chunk("PNTS", Points(3)).Chunk("POLS", cut_short)),
         "Error parsing LWO file 'POLS'"},
        {"a.obj", "v 0 0 0\nv 1 0 0\nf 1 2\n", "Object file read error: %s"},
        {"b.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nf 1 2 4\n", "Object file read error: %s"},
        {"c.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nf 0 1 2\n", "Object file read error: %s"},
        {"d.obj", "v 0 0 zero\nv 1 0 0\nv 1 1 0\nf 1 2 3\n", "Object file read error: %s"},
        {"e.obj", "v 0 0\n", "Object file read error: %s"},
        {"a.dxf", "0\nSECTION\n2\nHEADER\n", "Error reading DXF File : cannot find ENTITIES"},
        {"b.dxf", "0\nSECTION\n2\nENTITIES\n0\nLINE\n10\n0\n",
         "Error reading DXF File : cannot find polyface mesh (2)"},
        {"c.dxf", "0\nSECTION\n2\nENTITIES\n0\nPOLYLINE\n70\n8\n",
         "Error reading DXF File : cannot find polyface mesh"},
        {"d.dxf", dxf_head + "71\n900000\n72\n1\n" + dxf_vertex, "Object file read error: %s"},
        {"e.dxf", dxf_head + "71\n1\n72\n1\n" + dxf_vertex + "0\nSEQEND\n",
         "Object file read error: %s"},
        {"f.dxf", dxf_head + "71\n1\n72\n1\n" + dxf_vertex + "0\nVERTEX\n71\n1\n72\n0\n73\n1\n",
         "Object file read error: %s"},
        {"g.dxf", dxf_head + "71\n1\n72\n1\n" + dxf_vertex + "0\nVERTEX\n71\n1\n72\n1\n73\n2\n",
         "Object file read error: %s"},
    };
    Body* kept = ImportObjectFile(Write("x.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n").c_str());
    ASSERT_NE(kept, nullptr);
    for (const Refusal& r : cases) {
        SCOPED_TRACE(r.name);
        platform::ClearMessageBoxes();
        // The body already there shares the refused file's name: a relabelling would show.
        platform::CopyText(kept->name, sizeof kept->name, r.name);
        platform::CopyText(kept->label, sizeof kept->label, r.name);
        const std::string path = Write(r.name, r.content);
        EXPECT_EQ(ImportObjectFile(path.c_str()), nullptr);
        EXPECT_EQ(platform::LastMessageBoxText(), platform::Format(r.message, path.c_str()));
        EXPECT_EQ(CountBodies(), 1);
        EXPECT_STREQ(kept->label, r.name);
        EXPECT_EQ(selnodo, kept);
    }
}

TEST_F(Readers, AMissingFileIsSkippedOrReplacedByTheUsersChoice) {
    const std::string missing = dir.File("gone.obj");
    Body* b = CreaBody();
    EXPECT_FALSE(b->LoadObj(missing.c_str(), "gone.obj"));  // Skip, the preset answer
    EXPECT_EQ(FileNotFoundCount(), 1);
    EXPECT_EQ(platform::MessageBoxCount(), 0);

    SetFileNotFoundAnswer(kFileChooseAnother);
    EXPECT_FALSE(b->LoadObj(missing.c_str(), "gone.obj"));  // nothing chosen
    EXPECT_EQ(platform::LastOpenFileFilter(), "Wavefront object (*.obj)|*.obj|");

    const std::string other = Write("other.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    platform::QueueOpenFileAnswer(other);
    ASSERT_TRUE(b->LoadObj(missing.c_str(), "gone.obj"));
    EXPECT_STREQ(b->path, other.c_str());
    EXPECT_STREQ(b->name, "other.obj");

    // A choice that cannot be read is the reader's open failure.
    platform::QueueOpenFileAnswer(dir.path().string());
    EXPECT_FALSE(b->LoadLwo(missing.c_str(), "gone.lwo"));
    EXPECT_EQ(platform::LastMessageBoxText(),
              platform::Format("File error reading: %s\nMaybe file doesn't exist or Content "
                               "Directory is not set properly",
                               dir.path().string().c_str()));
    EXPECT_STREQ(b->name, "other.obj");
}

}  // namespace
