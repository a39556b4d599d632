#include "objects/body.h"

#include <cstddef>
#include <cstdlib>

#include "objects/body_list_private.h"
#include "objects/object_panel.h"
#include "objects/scene_data.h"
#include "platform/format.h"
#include "platform/ui_hooks.h"
#include "scene/axes.h"

// The field layouts are what compiled plug-ins see. (Body's first field sits in the tail
// padding of Nodo, as the C++ ABI places members after a base with virtual operations.)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
static_assert(sizeof(BodyVertex) == 80 && offsetof(BodyVertex, index) == 72 &&
                  offsetof(BodyVertex, selection) == 76,
              "BodyVertex layout changed");
static_assert(sizeof(void*) != 8 ||
                  (offsetof(Face, normal) == 24 && offsetof(Face, foot) == 60 &&
                   offsetof(Face, dist) == 72 && offsetof(Face, area) == 84 &&
                   offsetof(Face, body) == 88 && offsetof(Face, edgeFlags) == 96 &&
                   offsetof(Face, nearFluid) == 108 && offsetof(Face, state) == 112 &&
                   offsetof(Face, degenerate) == 113 && offsetof(Face, selection) == 116 &&
                   sizeof(Face) == 120),
              "Face layout changed");
static_assert(sizeof(void*) != 8 ||
                  (offsetof(Body, nverts) == 228 && offsetof(Body, verts) == 240 &&
                   offsetof(Body, bounds) == 256 && offsetof(Body, keyA) == 1056 &&
                   offsetof(Body, keyB) == 1140 && offsetof(Body, friction) == 1188 &&
                   offsetof(Body, conductivity) == 1216 && offsetof(Body, keyBMatrix) == 1220 &&
                   offsetof(Body, keyAMatrix) == 1284 && offsetof(Body, velocity) == 1348 &&
                   offsetof(Body, color) == 1372 && offsetof(Body, path) == 1384 &&
                   offsetof(Body, name) == 1640 && offsetof(Body, label) == 1896 &&
                   offsetof(Body, format) == 2152 && offsetof(Body, origin) == 2153 &&
                   offsetof(Body, sceneFile) == 2154 && offsetof(Body, thinFaceTest) == 2412 &&
                   offsetof(Body, animationMode) == 2416 && offsetof(Body, next) == 2424 &&
                   sizeof(Body) == 2432),
              "Body layout changed");
#pragma GCC diagnostic pop

Body rootbody;
Body* edit_obj = nullptr;

Body::Body()
    : nverts(0),
      nfaces(0),
      verts(nullptr),
      faces(nullptr),
      bounds(),
      keyA(),
      previousPosition(),
      interpolatedPosition(),
      keyB(),
      friction(0.01f),
      K(0.1f),
      sticky(0.0f),
      rough(0.0f),
      collisionDistance(0.1f),
      collisionTolerance(0.25f),
      temperature(100.0f),
      conductivity(0.0f),
      velocity(),
      angularVelocity(),
      color(0.8f, 0.8f, 0.8f),
      path(),
      name(),
      label(),
      format(kFormatNone),
      origin(kOriginOther),
      sceneFile(),
      thinFaceTest(0),
      animationMode(0),
      next(nullptr) {
    kind = kKindObject;
    if (this == &rootbody) MarkListHead(this);
    platform::CopyText(name, sizeof name, "empty");
    platform::CopyText(label, sizeof label, "empty");
    StoreRest();
    for (int i = 0; i < 4; ++i) keyB[i] = keyA[i];
}

Body::~Body() {
    if (this == &rootbody) return;  // the list head lives until exit; nothing refers to it
    // Nothing may keep pointing at a body that is gone, however it was deleted.
    body_list::LetGo(this);
    std::free(verts);
    std::free(faces);
}

void Body::Move(Vector delta) {
    if (origin == kOriginSceneData && sd_locked) return;
    Nodo::Move(delta);
    ShowPanelPosition(this);
    StoreRest();
    UpdateMatrix();
    UpdateWorld();
    RefreshNodeLinks();
}

void Body::Rotate(float delta) {
    if (origin == kOriginSceneData && sd_locked) return;
    switch (flag_plane) {
        case kMoveX:
            rot[AX] += delta;
            break;
        case kMoveY:
            rot[AY] += delta;
            break;
        case kMoveZ:
            rot[AZ] += delta;
            break;
        default:
            break;
    }
    ShowPanelAngles(this);
    StoreRest();
    UpdateMatrix();
    UpdateWorld();
    RefreshNodeLinks();
}

void Body::Scale(float delta) {
    if (origin == kOriginSceneData && sd_locked) return;
    switch (flag_plane) {
        case kMoveX:
            scale[AX] += delta;
            break;
        case kMoveY:
            scale[AY] += delta;
            break;
        case kMoveZ:
            scale[AZ] += delta;
            break;
        default:
            break;
    }
    ShowPanelScale(this);
    StoreRest();
    UpdateMatrix();
    UpdateWorld();
    RefreshNodeLinks();
}

void Body::UndoChangePos() {
    UpdateWorld();
    if (PanelBody() == this) ShowObjectPanel(this);
    RefreshNodeLinks();
    platform::RequestRepaint();
}
