// Surface files and the particle LWO file.
#include "mesh/surface_files.h"

#include <cstring>
#include <string>

#include "byte_builder.h"
#include "io/workspace.h"
#include "mesh/mesh_files.h"
#include "mesh_fixture.h"
#include "platform/endian.h"
#include "platform/format.h"
#include "scene/creador.h"

namespace {

class SurfaceFilesTest : public MeshTest {
  protected:
    // A surface file as the host package writes it: the LWOB header, then the surface.
    std::string SurfaceFile(const char* file, const Bytes& surf, size_t lead = 0) {
        Bytes b;
        b.Text("FORM")
            .U32BE(static_cast<uint32_t>(4 + lead + surf.size()))
            .Text("LWOB")
            .Zeros(lead);
        b.Append(surf);
        WriteFileBytes(dir_.path() / file, b.b);
        return dir_.File(file);
    }
    std::vector<uint8_t> Lwob(Mesh* m) {
        EXPECT_TRUE(WriteMeshFile(m, kMeshLwo, dir_.File("out.lwo")));
        return ReadFileBytes(dir_.File("out.lwo"));
    }
    TempDir dir_;
};

// "SURF", size, the name padded, one COLR sub-chunk.
Bytes Surf(const char* name, const Bytes& extra = Bytes()) {
    Bytes body;
    body.Text(name).U8(0);
    if (std::strlen(name) % 2 == 0) body.U8(0);
    body.Text("COLR").U16BE(4).U8(10).U8(20).U8(30).U8(0).Append(extra);
    Bytes s;
    s.Text("SURF").U32BE(static_cast<uint32_t>(body.size())).Append(body);
    return s;
}

std::vector<uint8_t> Tail(const std::vector<uint8_t>& file, size_t n) {
    return std::vector<uint8_t>(file.end() - static_cast<long>(n), file.end());
}

TEST_F(SurfaceFilesTest, TheChunkIsCopiedIntoEveryLwoWithTheShaderCountedInItsSize) {
    Mesh* m = MeshOf({MakeEmptyFluid()});
    const Bytes surf = Surf("Chrome");
    ASSERT_TRUE(LoadMeshSurfaceFile(m, SurfaceFile("a.srf", surf).c_str()));
    EXPECT_TRUE(m->surfaceFileSet);
    EXPECT_STREQ(m->surfaceName, "Chrome");
    EXPECT_EQ(m->includeShader, 0);
    EXPECT_EQ(SurfaceChunkBytes(m->surfaceChunk), surf.size());

    EXPECT_EQ(Tail(Lwob(m), surf.size()), surf.b);
    SetMeshShader(m, true);
    Bytes with = surf;
    platform::PutU32BE(with.b.data() + 4, static_cast<uint32_t>(surf.size() - 8 + 22));
    with.Text("SHDR").U16BE(16).Text("Undaline_shader").U8(0);
    std::vector<uint8_t> lwo = Lwob(m);
    EXPECT_EQ(Tail(lwo, with.size()), with.b);
    EXPECT_EQ(platform::GetU32BE(lwo.data() + 4), lwo.size() - 8);
    // On and off again: the chunk is as loaded.
    SetMeshShader(m, false);
    EXPECT_EQ(Tail(Lwob(m), surf.size()), surf.b);

    // The LWO2 file carries the same chunk.
    ASSERT_TRUE(WriteMeshFile(m, kMeshLwo2, dir_.File("out2.lwo")));
    EXPECT_EQ(Tail(ReadFileBytes(dir_.File("out2.lwo")), surf.size()), surf.b);

    // A chunk with the shader already: a warning, and no second one.
    const Bytes wet = Surf("Wet", Bytes().Text("SHDR").U16BE(16).Text("Undaline_shader").U8(0));
    ASSERT_TRUE(LoadMeshSurfaceFile(m, SurfaceFile("s.srf", wet).c_str()));
    EXPECT_EQ(m->includeShader, 1);
    EXPECT_NE(platform::LogText().find(
                  " Undaline_shader found inside the srf file could cause conflicts"),
              std::string::npos);
    lwo = Lwob(m);
    EXPECT_EQ(platform::GetU32BE(lwo.data() + 4), lwo.size() - 8);
    EXPECT_EQ(Tail(lwo, wet.size()), wet.b);
}

TEST_F(SurfaceFilesTest, RenamingPadsTheNewNameAndMovesTheSizeWithIt) {
    Mesh* m = NewMesh();
    ASSERT_TRUE(LoadMeshSurfaceFile(m, SurfaceFile("a.srf", Surf("Meshsurf")).c_str()));
    const size_t before = SurfaceChunkBytes(m->surfaceChunk);
    RenameMeshSurface(m, "Seven77");
    EXPECT_STREQ(m->surfaceName, "Seven77");
    EXPECT_EQ(SurfaceChunkBytes(m->surfaceChunk), before - 2);
    const Bytes renamed = Surf("Seven77");
    const std::vector<uint8_t> lwo = Lwob(m);
    EXPECT_EQ(Tail(lwo, renamed.size()), renamed.b);
    // SRFS names the surface the chunk defines.
    const size_t srfs = 12 + 8;
    EXPECT_EQ(std::string(lwo.begin() + srfs, lwo.begin() + srfs + 4), "SRFS");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(lwo.data() + srfs + 8)), "Seven77");

    // Without a surface file only the name changes.
    ClearMeshSurface(m);
    EXPECT_FALSE(m->surfaceFileSet);
    EXPECT_EQ(m->surfaceChunk, nullptr);
    EXPECT_STREQ(m->surfaceName, "Meshsurf");
    EXPECT_EQ(m->includeShader, 1);
    RenameMeshSurface(m, "Foam");
    EXPECT_STREQ(m->surfaceName, "Foam");
    EXPECT_EQ(m->surfaceChunk, nullptr);
}

TEST_F(SurfaceFilesTest, RefusedFilesLeaveTheSurfaceAsItWas) {
    Mesh* m = NewMesh();
    ASSERT_TRUE(LoadMeshSurfaceFile(m, SurfaceFile("good.srf", Surf("Glass")).c_str()));
    const void* kept = m->surfaceChunk;
    struct Case {
        const char* why;
        std::string path;
        const char* message;
    } cases[] = {
        {"missing", dir_.File("none.srf"), "Error opening surface file: "},
        {"SURF off the 4-byte steps", SurfaceFile("b.srf", Surf("Glass"), 2),
         "Not valid Surface file"},
        {"no SURF", SurfaceFile("c.srf", Bytes().Text("COLR")), "Not valid Surface file"},
        {"size past the end",
         SurfaceFile("d.srf", Bytes().Text("SURF").U32BE(400).Text("ab").U8(0)),
         "Not valid Surface file"},
        {"name never ends", SurfaceFile("e.srf", Bytes().Text("SURF").U32BE(4).Text("abcd")),
         "Not valid Surface file"},
    };
    for (const Case& c : cases) {
        platform::ClearMessageBoxes();
        EXPECT_FALSE(LoadMeshSurfaceFile(m, c.path.c_str())) << c.why;
        EXPECT_EQ(platform::LastMessageBoxText().rfind(c.message, 0), 0u) << c.why;
        EXPECT_EQ(m->surfaceChunk, kept) << c.why;
        EXPECT_STREQ(m->surfaceName, "Glass") << c.why;
    }
}

TEST_F(SurfaceFilesTest, AWorkspaceReloadsTheFileWithTheNameAndShaderTheUserGaveIt) {
    RegisterSupportClasses();
    Mesh* m = NewMesh();
    ASSERT_TRUE(LoadMeshSurfaceFile(m, SurfaceFile("s.srf", Surf("Lava")).c_str()));
    RenameMeshSurface(m, "Magma");
    SetMeshShader(m, true);
    const std::string ws = dir_.File("a.ulw");
    ASSERT_TRUE(SaveWorkspace(ws.c_str()));
    ResetScene();
    ASSERT_TRUE(LoadWorkspace(ws.c_str()));
    ASSERT_NE(rootmesh, nullptr);
    m = rootmesh;
    EXPECT_TRUE(m->surfaceFileSet);
    EXPECT_STREQ(m->surfaceName, "Magma");
    EXPECT_EQ(m->includeShader, 1);
    ASSERT_NE(m->surfaceChunk, nullptr);
    EXPECT_STREQ(static_cast<const char*>(m->surfaceChunk) + 8, "Magma");

    // A surface file gone since: the generated surface keeps the files whole.
    std::filesystem::remove(dir_.File("s.srf"));
    ResetScene();
    ASSERT_TRUE(LoadWorkspace(ws.c_str()));
    ASSERT_NE(rootmesh, nullptr);
    EXPECT_EQ(rootmesh->surfaceChunk, nullptr);
    const std::vector<uint8_t> lwo = Lwob(rootmesh);
    EXPECT_EQ(platform::GetU32BE(lwo.data() + 4), lwo.size() - 8);
    EXPECT_NE(platform::LogText().find(" Unexpected error: no chunk found"), std::string::npos);
}

TEST_F(SurfaceFilesTest, ParticleLwoListsOnePointPolygonPerParticleUpToMaxParticles) {
    Fluido* f = MakeEmptyFluid();
    f->CreaParticula(Vector(1, 2, 3), Vector(0, 0, 0));
    f->CreaParticula(Vector(4, 5, 6), Vector(0, 0, 0));
    f->First()->altPos = Vector(7, 8, 9);
    f->emitter->pos = Vector(-1, -2, -3);
    platform::CopyText(f->surfaceName, sizeof f->surfaceName, "Drops");
    f->useAltPos = 1;
    f->outMaxParticlesOn = 1;
    f->outMaxParticles = 4;
    const std::string path = dir_.File("p.lwo");
    ASSERT_TRUE(WriteParticleLwo(f, path.c_str()));
    Bytes body;
    body.Text("PNTS").U32BE(48).F32BE(7).F32BE(8).F32BE(9).F32BE(0).F32BE(0).F32BE(0);
    for (int i = 0; i < 2; ++i) body.F32BE(-1).F32BE(-2).F32BE(-3);
    body.Text("SRFS").U32BE(6).Text("Drops").U8(0);
    body.Text("POLS").U32BE(24);
    for (int i = 0; i < 4; ++i) body.U16BE(1).U16BE(static_cast<uint16_t>(i)).U16BE(1);
    body.Text("SURF").U32BE(6 + 36).Text("Drops").U8(0);
    body.Text("COLR").U16BE(4).U8(200).U8(200).U8(200).U8(0);
    body.Text("FLAG").U16BE(2).U16BE(0).Text("DIFF").U16BE(2).U16BE(0x0100);
    body.Text("VDIF").U16BE(4).U32BE(0x3F800000);
    Bytes want;
    want.Text("FORM").U32BE(static_cast<uint32_t>(body.size() + 4)).Text("LWOB").Append(body);
    EXPECT_EQ(ReadFileBytes(path), want.b);
    EXPECT_NE(platform::LogText().find("Save: " + path), std::string::npos);

    // More particles than the maximum: the maximum, so every frame has as many points.
    f->outMaxParticles = 1;
    ASSERT_TRUE(WriteParticleLwo(f, path.c_str()));
    const std::vector<uint8_t> one = ReadFileBytes(path);
    EXPECT_EQ(platform::GetU32BE(one.data() + 16), 12u);
    EXPECT_EQ(platform::GetU32BE(one.data() + 4), one.size() - 8);

    // A fluid surface file: the chunk from byte 12 on, copied without a shader.
    const Bytes surf = Surf("Spray");
    ASSERT_TRUE(LoadFluidSurfaceFile(f, SurfaceFile("f.srf", surf).c_str()));
    EXPECT_STREQ(f->surfaceName, "Spray");
    ASSERT_TRUE(WriteParticleLwo(f, path.c_str()));
    EXPECT_EQ(Tail(ReadFileBytes(path), surf.size()), surf.b);
    ClearFluidSurface(f);
    EXPECT_FALSE(FluidSurfaceSet(f));
    EXPECT_FALSE(LoadFluidSurfaceFile(f, SurfaceFile("g.srf", Surf("X"), 4).c_str()));
    EXPECT_EQ(platform::LastMessageBoxText(), "Not valid Surface file");
}

}  // namespace
