#pragma once

// Small scene-data files for the tests: a unit cube moved and turned frame by frame.
#include <vector>

#include "objects/sd_format.h"
#include "objects/sd_motion.h"
#include "scene/axes.h"

// The unit cube, as an SD object record.
inline SdObjectRecord CubeRecord(uint8_t mode = 0, const char* name = "cube") {
    SdObjectRecord o;
    o.mode = mode;
    o.name = name;
    o.colour[0] = o.colour[1] = o.colour[2] = 1.0f;
    for (int i = 0; i < 8; ++i) {
        o.verts.insert(o.verts.end(), {float(i & 1), float((i >> 1) & 1), float((i >> 2) & 1)});
    }
    const int faces[12][3] = {{0, 2, 3}, {0, 3, 1}, {4, 5, 7}, {4, 7, 6}, {0, 1, 5}, {0, 5, 4},
                              {2, 6, 7}, {2, 7, 3}, {0, 4, 6}, {0, 6, 2}, {1, 3, 7}, {1, 7, 5}};
    for (const auto& f : faces) o.faces.insert(o.faces.end(), {f[0], f[1], f[2], 1, 0, 1, 0});
    return o;
}

// A frame of one object moved to `at`, turned by `turn` radians about y.
inline SdFrameObject Moved(Vector at, float turn = 0.0f) {
    SdFrameObject f;
    Matrix m;
    m.MatrixRotationY(turn);
    m.SetTranslation(at);
    SdKeyToFile(SdKeyOfMatrix(m, kPlatformLightwave), kPlatformLightwave, &f);
    return f;
}

inline SdScene Scene(const std::vector<SdFrameObject>& frames, uint8_t mode = 0, int platform = 1) {
    SdScene s;
    s.header.platform = platform;
    s.objects.push_back(CubeRecord(mode));
    for (size_t i = 0; i < frames.size(); ++i) {
        s.frames.push_back(SdFrame{static_cast<int32_t>(i), {frames[i]}});
    }
    return s;
}
