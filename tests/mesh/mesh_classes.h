#pragma once

// Classes the mesh tests define for themselves, as a plug-in would: an emitter that builds its
// fluid's mesh (a tetrahedron) and a relax daemon (class 13) that counts its calls.

#include <cstring>

#include "mesh/mesh.h"
#include "mesh/mesh_build.h"
#include "scene/creador.h"
#include "scene/daemon.h"
#include "scene/descriptor.h"

class TetraEmitter : public Creador {
public:
    TetraEmitter() { flags |= kEmitterBuildsMesh; }
    void HowManyPoli(int* vertices, int* faces) override {
        *vertices = 4;
        *faces = 4;
    }
    void Poligoniza(MeshBuilder* builder) override {
        Mesh* m = builder->mesh;
        const Vector corners[4] = {Vector(0, 0, 0), Vector(1, 0, 0), Vector(0, 1, 0), Vector(0, 0, 1)};
        const int faces[4][3] = {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}};
        for (int i = 0; i < 4; ++i) {
            m->vertices[i] = corners[i];
            for (int k = 0; k < 3; ++k) m->faces[i][k] = faces[i][k];
        }
    }
};

class TetraClass final : public Descriptor {
public:
    TetraClass() {
        kind = kClassEmitter;
        class_id = 9401;
        std::strcpy(name, "Builder");
    }
    Nodo* Create() override { return new TetraEmitter; }
};

inline int g_relax_calls = 0;

class RelaxDaemon : public Daemon {
public:
    void Affect(Fluido*) override { ++g_relax_calls; }
};

class RelaxClass final : public Descriptor {
public:
    RelaxClass() {
        kind = kClassDaemon;
        class_id = 13;
        std::strcpy(name, "Relax");
    }
    Nodo* Create() override { return new RelaxDaemon; }
};
