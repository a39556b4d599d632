// Uses a little of everything a plug-in reaches through the public header.
#include <cstdio>
#include <cstring>

#include "undaline.h"

namespace {

struct Probe : Nodo {
    Probe() { kind = kKindDaemon; }
    void CalculaDependientes() override { UpdateMatrix(); }
};

int Fail(const char* what) {
    std::fprintf(stderr, "failed: %s\n", what);
    return 1;
}

}  // namespace

int main() {
    Vector a(1, 0, 0), b(0, 1, 0);
    Vector c = a ^ b;
    if (c.z != -1.0f) return Fail("cross product sign");

    Probe p;
    p.pos.Set(1, 2, 3);
    p.CalculaDependientes();
    if (p.matrix.GetTranslation().y != 2.0f) return Fail("node matrix");

    if (DameRandom() < 0.0f || DameRandom11() > 1.0f) return Fail("random range");
    if (Noise3(Vector(1, 2, 3)) != 0.0f) return Fail("noise at a lattice point");

    ANIFloat param;
    param.InitValue(2.0f, "Strength", 0.0f, kNoLimit);
    param.envelope = new Envelope(10, 2.0f, 0.0f, kNoLimit);
    param.envelope->LastKey()->value = 4.0f;
    param.envelope->Resample();
    param.animated = 1;
    param.UpdateValue(10.0f);
    if (param.value != 4.0f) return Fail("animated parameter");
    InitMonitor("sdk");
    UpdateMonitor(50);
    ClearMonitor();

    BlueWarning("sdk program ran");
    if (platform::StatusText() != "sdk program ran") return Fail("status line");
    std::printf("library %s\n", UndalineVersion());
    return 0;
}
