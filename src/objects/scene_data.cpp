// The animated scene of a scene-data file: importing it, reading one frame after another,
// moving its bodies between two frames, locking and closing it.
//
// Each SD body holds two keys: key A, the frame the current interval starts at, and key B,
// the frame it ends at (transform, matrix, and per vertex start and end positions). A step
// puts the body at the fraction of the interval that has passed; a frame end moves key B to
// key A and reads the next frame into key B.
#include "objects/scene_data.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "fluid/clock.h"
#include "fluid/driver.h"
#include "objects/body.h"
#include "objects/geometry_private.h"
#include "objects/object_files.h"
#include "objects/object_panel.h"
#include "objects/reader_private.h"
#include "objects/scene_import.h"
#include "objects/sd_motion.h"
#include "platform/format.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "platform/ui_hooks.h"
#include "scene/axes.h"
#include "scene/undo.h"

unsigned char sd_locked = 0;
char sd_path[256] = {};

namespace {

constexpr const char* kReadError = "Error reading SD file: %s";

struct SceneState {
    std::unique_ptr<SdReader> file;
    SdHeader header;
    std::vector<SdLayout> layouts;
    int platform = kPlatformLightwave;  // whose rules the frames are read by
    long first_frame = 0;
    bool ended = false;
    bool held = false;  // the bodies were put on their last frame after the end
    // Scratch of the frame being read.
    SdFrame frame;
    std::vector<SdKey> keys;
    // Each body's key A as read: editing an unlocked body overwrites its rest transform,
    // which is where key A lives, and locking again restores it.
    std::vector<std::array<Vector, 4>> key_a;
    std::vector<std::vector<Vector>> points;
};

SceneState g_scene;

void Refuse(const std::string& path) {
    platform::MessageBox(platform::Format(kReadError, path.c_str()).c_str());
}

float FrameDuration() {
    const float d = TimePerFrame();
    return d > 0.0f ? d : 1.0f / 30.0f;
}

// The SD bodies are the first bodies of origin 2 in list order, one per object of the file.
template <typename F>
void ForEachSceneBody(F f) {
    size_t i = 0;
    for (Body* b = rootbody.next; b && i < g_scene.layouts.size(); b = b->next) {
        if (b->origin == kOriginSceneData) f(b, i++);
    }
}

// The geometry of one object record, mapped and scaled for the platform.
bool Geometry(const SdObjectRecord& r, int platform_id, reader::NewGeometry* g) {
    g->Allocate(r.nverts(), r.nfaces(), true);
    for (int i = 0; i < r.nverts(); ++i) {
        Vector p;
        if (!SdPointFromFile(&r.verts[size_t(i) * 3], platform_id, scene_scale, &p)) return false;
        g->SetVertex(i, p);
    }
    for (int i = 0; i < r.nfaces(); ++i) {
        const int32_t* f = &r.faces[size_t(i) * 7];
        // 3D Studio MAX exports give the flags of the first two edges the other way round.
        const bool max = platform_id == kPlatformMax;
        g->SetFace(i, f[0], f[1], f[2], max ? f[4] : f[3], max ? f[3] : f[4], f[5]);
    }
    return true;
}

// Key B moves to key A, the frame's values become key B and the vertices' new end positions.
void ApplyFrame(Body* b, size_t i) {
    for (int k = 0; k < 4; ++k) b->keyA[k] = g_scene.key_a[i][k] = b->keyB[k];
    b->keyAMatrix = b->keyBMatrix;
    b->build_matrix = b->matrix = b->keyBMatrix;
    const SdKey& key = g_scene.keys[i];
    b->keyBMatrix = key.matrix;
    b->keyB[0] = b->pos = key.pos;
    b->keyB[1] = b->rot = key.angles;
    b->keyB[2] = b->scale = key.scale;
    b->keyB[3] = b->pivot = key.pivot;
    const std::vector<Vector>& points = g_scene.points[i];
    for (int v = 0; v < b->nverts; ++v) {
        BodyVertex& x = b->verts[v];
        x.start = x.end;
        x.end = points[size_t(v)];
    }
}

// Where the frame puts each vertex of b: the positions the frame carries for a deforming
// object, its matrix times the rest positions for a rigid one. false when one of them is
// beyond the float range.
bool NewEnds(const Body* b, size_t i) {
    std::vector<Vector>& points = g_scene.points[i];
    if (g_scene.layouts[i].mode == 1 && points.size() == size_t(b->nverts)) return true;
    const Matrix& m = g_scene.keys[i].matrix;
    points.resize(size_t(b->nverts));
    for (int v = 0; v < b->nverts; ++v) {
        const Vector p = m * b->verts[v].local;
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return false;
        points[size_t(v)] = p;
    }
    return true;
}

// After the end of the file: the body stands on its last frame and no longer moves.
void Hold(Body* b) {
    b->pos = b->interpolatedPosition = b->keyB[0];
    b->rot = b->keyB[1];
    b->scale = b->keyB[2];
    b->pivot = b->keyB[3];
    b->build_matrix = b->matrix = b->keyBMatrix;
    for (int v = 0; v < b->nverts; ++v) {
        b->verts[v].world = b->verts[v].end;
        b->verts[v].velocity = Vector(0, 0, 0);
    }
    for (BodyVertex& x : b->bounds) x.world = b->build_matrix * x.local;
    geometry::FinishWorld(b, true);
}

// The file's frames are read again from the first.
void ReadFirstFrames() {
    g_scene.ended = g_scene.held = false;
    g_scene.file->Seek(g_scene.first_frame);
    ReadNextSceneFrame();
    ReadNextSceneFrame();
}

// An SD scene already open gives way to a new one: its bodies stop following a file.
void LetGoOfOpenScene() {
    if (!g_scene.file) return;
    ForEachSceneBody([](Body* b, size_t) { b->origin = kOriginOther; });
    g_scene = SceneState();
}

}  // namespace

bool ImportSceneData(const char* file) {
    std::string path = file ? file : "", name = platform::BaseName(path);
    bool skipped = false;
    if (!LocateObjectFile(&path, &name, kTypeSd, &skipped)) {
        if (skipped) Refuse(path);
        return false;
    }
    auto reader = std::make_unique<SdReader>();
    SdHeader h;
    if (!reader->Open(path.c_str()) || !reader->ReadHeader(&h) || h.count < 0 ||
        uint64_t(h.count) * kSdObjectFixedSize > uint64_t(reader->Size() - reader->Tell())) {
        Refuse(path);
        return false;
    }
    std::vector<SdObjectRecord> records(static_cast<size_t>(h.count));
    for (SdObjectRecord& r : records) {
        if (!reader->ReadObject(&r)) {
            Refuse(path);
            return false;
        }
    }
    // An unknown platform reads as Lightwave, which is what applying it switches to.
    const int platform_id = h.platform >= kPlatformLightwave && h.platform <= kPlatformMayaZUp
                                ? h.platform
                                : kPlatformLightwave;
    std::vector<std::unique_ptr<reader::NewGeometry>> geometry;
    for (const SdObjectRecord& r : records) {
        geometry.push_back(std::make_unique<reader::NewGeometry>());
        if (!Geometry(r, platform_id, geometry.back().get())) {
            Refuse(path);
            return false;
        }
    }

    // The file is sound: from here on the scene changes.
    LetGoOfOpenScene();
    sd_locked = 1;
    platform::CopyText(sd_path, sizeof sd_path, path.c_str());
    if (h.platform == kPlatformLightwave && h.version == kOldSdVersion) {
        platform::MessageBox(
            "This SD file was exported with an old SD exporter plug-in\nWe recommend to use the "
            "latest version");
    }
    SwitchHostPlatform(h.platform);
    g_scene.header = h;
    g_scene.platform = platform_id;
    for (const SdObjectRecord& r : records) g_scene.layouts.push_back(LayoutOf(r));
    g_scene.first_frame = reader->Tell();
    g_scene.file = std::move(reader);

    for (size_t i = 0; i < records.size(); ++i) {
        const SdObjectRecord& r = records[i];
        Body* b = CreaBody();
        selnodo = b;
        b->animationMode = r.mode;
        b->color = Vector(r.colour[0], r.colour[1], r.colour[2]) * 0.8f;
        reader::Commit(b, r.name, r.name, geometry[i].get(), kFormatNone);
        b->origin = kOriginSceneData;
        b->ComputeVertexNormals();
        for (int v = 0; v < b->nverts; ++v) b->verts[v].end = b->verts[v].world;
        b->listed = 1;
        AddBodyToList(b, true);
        ShowObjectPanel(b);
    }
    ReadFirstFrames();
    ForEachSceneBody([](Body* b, size_t) {
        const NodeTransform before = CaptureTransform(*b);
        InterpolateSceneBody(b, 0.0f);
        RecordUndo(b, kUndoTransform, before);
    });
    EnableTransformControls(false);
    return true;
}

bool SceneDataLoaded() {
    return g_scene.file && g_scene.file->IsOpen();
}

bool SceneDataEnded() {
    return g_scene.ended;
}

bool ReadNextSceneFrame() {
    if (!SceneDataLoaded()) {
        platform::MessageBox("Error: scene file is not open");
        return false;
    }
    const size_t n = g_scene.layouts.size();
    if (!g_scene.file->ReadFrame(g_scene.layouts, &g_scene.frame)) {
        g_scene.ended = true;
        return false;
    }
    // The whole frame is converted before any body changes: a frame that cannot be used ends
    // the animation as the end of the file does.
    g_scene.keys.resize(n);
    g_scene.points.resize(n);
    g_scene.key_a.resize(n);
    for (size_t i = 0; i < n; ++i) {
        const SdFrameObject& raw = g_scene.frame.objects[i];
        if (!SdKeyFromFile(raw, g_scene.platform, g_scene.header.version, scene_scale,
                           &g_scene.keys[i])) {
            g_scene.ended = true;
            return false;
        }
        std::vector<Vector>& points = g_scene.points[i];
        points.resize(raw.verts.size() / 3);
        for (size_t v = 0; v < points.size(); ++v) {
            if (!SdPointFromFile(&raw.verts[v * 3], g_scene.platform, scene_scale, &points[v])) {
                g_scene.ended = true;
                return false;
            }
        }
    }
    bool usable = true;
    ForEachSceneBody([&](Body* b, size_t i) { usable = usable && NewEnds(b, i); });
    if (!usable) {
        g_scene.ended = true;
        return false;
    }
    ForEachSceneBody(ApplyFrame);
    return true;
}

void InterpolateSceneBody(Body* b, float tau) {
    if (!b) return;
    if (g_scene.ended) {
        Hold(b);
        return;
    }
    const float d = FrameDuration();
    const float t = tau / d, u = 1.0f - t;
    b->previousPosition = tuniversal == 0.0f ? b->pos : b->interpolatedPosition;
    b->interpolatedPosition = b->pos = b->keyA[0] * u + b->keyB[0] * t;
    b->rot = b->keyA[1] * u + b->keyB[1] * t;
    b->scale = b->keyA[2] * u + b->keyB[2] * t;
    b->pivot = b->keyA[3] * u + b->keyB[3] * t;
    Matrix m;
    InterpolateMatrix(b->keyAMatrix, b->keyBMatrix, &m, t);
    b->build_matrix = b->matrix = m;
    for (int v = 0; v < b->nverts; ++v) {
        BodyVertex& x = b->verts[v];
        x.world = x.start * u + x.end * t;
        x.velocity = (x.end - x.start) / d;
    }
    for (BodyVertex& x : b->bounds) x.world = m * x.local;
    // The face boxes move with the faces, or collisions would test where the body was.
    geometry::FinishWorld(b, true);
}

void MoveSceneDataBodies(float tau) {
    if (!SceneDataLoaded() || !sd_locked) return;
    if (g_scene.ended) {
        // Once: the bodies stay on their last frame from then on.
        if (!g_scene.held) ForEachSceneBody([](Body* b, size_t) { Hold(b); });
        g_scene.held = true;
        return;
    }
    ForEachSceneBody([tau](Body* b, size_t) { InterpolateSceneBody(b, tau); });
}

void RewindSceneData() {
    if (!SceneDataLoaded()) return;
    ReadFirstFrames();
    if (sd_locked) ForEachSceneBody([](Body* b, size_t) { InterpolateSceneBody(b, 0.0f); });
}

void AdvanceSceneData(int n, float tau) {
    if (!SceneDataLoaded()) return;
    for (int i = 0; i < n && ReadNextSceneFrame(); ++i) {
    }
    if (sd_locked) ForEachSceneBody([tau](Body* b, size_t) { InterpolateSceneBody(b, tau); });
}

void LockSceneData() {
    sd_locked = 1;
    g_scene.held = false;
    ForEachSceneBody([](Body* b, size_t i) {
        if (i < g_scene.key_a.size())
            std::copy(g_scene.key_a[i].begin(), g_scene.key_a[i].end(), b->keyA);
    });
    EnableTransformControls(false);
    platform::MessageBox("SD file locked. Object edition is disabled.");
}

void UnlockSceneData() {
    sd_locked = 0;
    EnableTransformControls(true);
    platform::MessageBox("SD file unlocked. Object edition is enabled.");
}

void ToggleSceneDataLock() {
    if (!SceneDataLoaded()) {
        platform::MessageBox("No SD file was imported");
        return;
    }
    if (sd_locked) {
        UnlockSceneData();
    } else {
        LockSceneData();
    }
}

void DeleteSceneData() {
    if (!SceneDataLoaded()) {
        platform::MessageBox("No SD file was imported");
        return;
    }
    if (platform::MessageBox("Every object of the SD scene will be removed. Continue?", "Undaline",
                             platform::kIconQuestion,
                             platform::kButtonsYesNo) != platform::kAnswerYes) {
        return;
    }
    for (Body* b : SceneDataBodies()) RemoveBody(b);
    CloseSceneData();
    EnableTransformControls(true);
    platform::MarkSceneChanged();
}

void CloseSceneData() {
    sd_locked = 0;
    g_scene = SceneState();
    sd_path[0] = '\0';
}

std::vector<Body*> SceneDataBodies() {
    std::vector<Body*> bodies;
    ForEachSceneBody([&](Body* b, size_t) { bodies.push_back(b); });
    return bodies;
}

const SdHeader& SceneDataHeader() {
    return g_scene.header;
}

long SceneDataBytesRead() {
    return SceneDataLoaded() ? g_scene.file->Tell() : 0;
}
