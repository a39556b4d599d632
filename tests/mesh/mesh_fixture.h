#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "fluid/clock.h"
#include "fluid/driver.h"
#include "fluid/fluid_passes.h"
#include "fluid/fluido.h"
#include "fluid/parallel.h"
#include "fluid_scenes.h"
#include "mesh/mesh.h"
#include "mesh/mesh_build.h"
#include "platform/message_box.h"
#include "platform/messages.h"
#include "scene/scene.h"

class MeshTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetScene();
        platform::ResetMessages();
        platform::ClearMessageBoxes();
        parallel::SetMultithreading(false);
    }
    // ResetScene also puts the axes and the scene scale back.
    void TearDown() override {
        parallel::SetMultithreading(true);
        SimulationState = 0;
        frame = 0;
        SetMeshPointLimit(0);
        ResetScene();
    }
};

// Grids and neighbour lists of every fluid, as a frame end finds them.
inline void PrepareGrids() {
    for (Fluido* f = rootflow; f; f = f->next) {
        f->active = 1;
        f->CalculaAche();
        f->CalculaCaja();
        f->CreaRejilla();
        f->LlenaRejilla();
        fluid_passes::SearchNeighbours(f);
    }
}

inline void ReleaseGrids() {
    for (Fluido* f = rootflow; f; f = f->next) f->LiberaPorPaso();
}

// A fluid of particles at the given points.
inline Fluido* FluidAt(const std::vector<Vector>& points) {
    Fluido* f = MakeEmptyFluid();
    for (const Vector& p : points) f->CreaParticula(p, Vector(0, 0, 0));
    return f;
}

// Lattice points of spacing s inside a ball.
inline std::vector<Vector> Ball(Vector centre, float radius, float s) {
    std::vector<Vector> out;
    const int n = static_cast<int>(radius / s) + 1;
    for (int i = -n; i <= n; ++i) {
        for (int j = -n; j <= n; ++j) {
            for (int k = -n; k <= n; ++k) {
                Vector d(i * s, j * s, k * s);
                if (d.Modulo() <= radius) out.push_back(centre + d);
            }
        }
    }
    return out;
}

inline Mesh* MeshOf(std::initializer_list<Fluido*> fluids) {
    Mesh* m = NewMesh();
    for (Fluido* f : fluids) LinkFluidToMesh(m, f);
    return m;
}

// Calibrated so that the next build's cell is h (resolution 0 % aims at 1.36 x 1000 faces).
inline void FixCell(Mesh* m, float h) {
    m->refFaces = 1000;
    m->resolution = 0.0f;
    m->refCellSize = h * std::sqrt(1360.0f / 1000.0f);
}

// Builds with grids made for the purpose and released after.
inline void Build(Mesh* m) {
    PrepareGrids();
    BuildMesh(m, true);
    ReleaseGrids();
}

struct Topology {
    int vertices = 0;     // vertices used by faces
    int edges = 0;
    int faces = 0;
    int unpaired = 0;     // directed edges without exactly one opposite partner
    int components = 0;
    int Euler() const { return vertices - edges + faces; }
};

inline Topology Analyse(const Mesh& m) {
    Topology t;
    std::map<std::pair<int, int>, int> directed;
    std::set<int> used;
    for (int f = 0; f < m.numFaces; ++f) {
        for (int k = 0; k < 3; ++k) {
            int a = m.faces[f][k], b = m.faces[f][(k + 1) % 3];
            ++directed[{a, b}];
            used.insert(a);
        }
    }
    std::set<std::pair<int, int>> undirected;
    for (auto& [e, n] : directed) {
        undirected.insert({std::min(e.first, e.second), std::max(e.first, e.second)});
        auto back = directed.find({e.second, e.first});
        if (n != 1 || back == directed.end() || back->second != 1) ++t.unpaired;
    }
    // Components by union-find over face edges.
    std::vector<int> parent(static_cast<size_t>(m.numVertices));
    for (size_t i = 0; i < parent.size(); ++i) parent[i] = static_cast<int>(i);
    auto find = [&](int x) {
        while (parent[static_cast<size_t>(x)] != x) x = parent[static_cast<size_t>(x)] = parent[static_cast<size_t>(parent[static_cast<size_t>(x)])];
        return x;
    };
    for (auto& e : undirected) parent[static_cast<size_t>(find(e.first))] = find(e.second);
    std::set<int> roots;
    for (int v : used) roots.insert(find(v));
    t.vertices = static_cast<int>(used.size());
    t.edges = static_cast<int>(undirected.size());
    t.faces = m.numFaces;
    t.components = static_cast<int>(roots.size());
    return t;
}

// Closed, every edge in exactly two faces running opposite ways.
inline void ExpectClosed(const Mesh& m) {
    for (int f = 0; f < m.numFaces; ++f) {
        const int* v = m.faces[f];
        ASSERT_TRUE(v[0] != v[1] && v[1] != v[2] && v[0] != v[2]) << "face " << f;
    }
    Topology t = Analyse(m);
    EXPECT_GT(t.faces, 0);
    EXPECT_EQ(t.unpaired, 0) << "edges not shared by exactly two opposite faces";
}

// Share of faces whose normal points away from the given centre.
inline double OutwardShare(const Mesh& m, Vector centre) {
    int out = 0;
    for (int f = 0; f < m.numFaces; ++f) {
        Vector c = (m.vertices[m.faces[f][0]] + m.vertices[m.faces[f][1]] + m.vertices[m.faces[f][2]]) *
                   (1.0f / 3.0f);
        if (m.faceNormals[f] * (c - centre) > 0) ++out;
    }
    return m.numFaces ? static_cast<double>(out) / m.numFaces : 0.0;
}
