// Meshes in the viewport. The kept frame belongs to whoever builds meshes (the simulation
// thread, or the one-shot build's): it is copied under the scene mutex, which the build takes
// to hand a new frame over, and compiled from the copy with no lock held.
#include "ui/mesh_draw.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "fluid/fluido.h"
#include "mesh/mesh.h"
#include "scene/nodo.h"
#include "ui/draw_hooks.h"

namespace draw {
namespace {

// What a list is compiled from.
struct KeptCopy {
    std::vector<Vector> vertices, normals, uvw;
    std::vector<int> faces;  // three a triangle, each checked against the vertex count
};

template <typename T>
void CopyArray(const T* from, int n, std::vector<T>* to) {
    if (!from) {
        to->clear();
        return;
    }
    to->resize(static_cast<size_t>(n));
    std::memcpy(to->data(), from, sizeof(T) * static_cast<size_t>(n));
}

// Takes the kept frame when it is not what the entry holds; false when the entry is current.
// Texture coordinates come with it when asked for and kept.
bool TakeKeptFrame(const Mesh* m, int mode, bool want_uvw, const MeshLists::Entry& e, KeptCopy* c,
                   unsigned* serial, bool* textured) {
    std::lock_guard<std::mutex> lock(SceneMutex());
    *serial = KeptFrameSerial(m);
    *textured = want_uvw && m->prevTexCoords;
    if (e.compiled && e.mesh == m && e.serial == *serial && e.mode == mode && e.textured == *textured) return false;
    const bool whole = m->prevVertices && m->prevFaces && m->prevNumVertices > 0 && m->prevNumFaces > 0;
    const int nv = whole ? m->prevNumVertices : 0, nf = whole ? m->prevNumFaces : 0;
    CopyArray(m->prevVertices, nv, &c->vertices);
    CopyArray(mode == kDisplaySmooth ? m->prevVertexNormals : nullptr, nv, &c->normals);
    CopyArray(*textured ? m->prevTexCoords : nullptr, nv, &c->uvw);
    const Vector* face_normals = mode == kDisplayFlat ? m->prevFaceNormals : nullptr;
    c->faces.clear();
    c->faces.reserve(3 * static_cast<size_t>(nf));
    for (int f = 0; f < nf; ++f) {
        const int* t = m->prevFaces[f];
        // Emitters fill these arrays themselves: a corner out of range leaves its triangle out.
        if (t[0] < 0 || t[1] < 0 || t[2] < 0 || t[0] >= nv || t[1] >= nv || t[2] >= nv) continue;
        c->faces.insert(c->faces.end(), t, t + 3);
        if (face_normals) c->normals.push_back(face_normals[f]);
    }
    return true;
}

void Compile(unsigned list, int mode, const KeptCopy& c) {
    glNewList(list, GL_COMPILE);
    const size_t triangles = c.faces.size() / 3;
    const bool uvw = !c.uvw.empty() && mode != kDisplayWire;
    if (mode == kDisplayWire) {
        glBegin(GL_LINES);
        for (size_t t = 0; t < triangles; ++t) {
            for (int k = 0; k < 3; ++k) {
                const Vector& a = c.vertices[static_cast<size_t>(c.faces[3 * t + k])];
                const Vector& b = c.vertices[static_cast<size_t>(c.faces[3 * t + (k + 1) % 3])];
                glVertex3f(a.x, a.y, a.z);
                glVertex3f(b.x, b.y, b.z);
            }
        }
        glEnd();
    } else {
        const bool smooth = mode == kDisplaySmooth && c.normals.size() == c.vertices.size();
        const bool flat = mode == kDisplayFlat && c.normals.size() == triangles;
        glBegin(GL_TRIANGLES);
        for (size_t t = 0; t < triangles; ++t) {
            if (flat) glNormal3f(c.normals[t].x, c.normals[t].y, c.normals[t].z);
            for (int k = 0; k < 3; ++k) {
                const size_t v = static_cast<size_t>(c.faces[3 * t + k]);
                if (smooth) glNormal3f(c.normals[v].x, c.normals[v].y, c.normals[v].z);
                // The preview lays the image over the first and third coordinates.
                if (uvw) glTexCoord2f(c.uvw[v].x, c.uvw[v].z);
                glVertex3f(c.vertices[v].x, c.vertices[v].y, c.vertices[v].z);
            }
        }
        glEnd();
    }
    glEndList();
}

void Box(const Vector& lo, const Vector& hi) {
    auto corner = [&](int i) {
        glVertex3f(i & 1 ? hi.x : lo.x, i & 2 ? hi.y : lo.y, i & 4 ? hi.z : lo.z);
    };
    glBegin(GL_LINES);
    for (int i = 0; i < 8; ++i) {
        for (int bit = 1; bit < 8; bit <<= 1) {
            if (i & bit) continue;
            corner(i);
            corner(i | bit);
        }
    }
    glEnd();
}

}  // namespace

const MeshLists::Entry& MeshLists::Update(int index, const Mesh* m, int mode, bool want_uvw) {
    if (entries_.size() <= static_cast<size_t>(index)) entries_.resize(static_cast<size_t>(index) + 1);
    Entry& e = entries_[static_cast<size_t>(index)];
    static KeptCopy copy;
    unsigned serial = 0;
    bool textured = false;
    if (!TakeKeptFrame(m, mode, want_uvw, e, &copy, &serial, &textured)) return e;
    e.mesh = m;
    e.serial = serial;
    e.mode = mode;
    e.textured = textured;
    e.compiled = true;
    e.empty = copy.faces.empty();
    if (!e.empty) {
        e.lo = e.hi = copy.vertices[static_cast<size_t>(copy.faces[0])];
        for (int v : copy.faces) {
            const Vector& p = copy.vertices[static_cast<size_t>(v)];
            e.lo = Vector(std::min(e.lo.x, p.x), std::min(e.lo.y, p.y), std::min(e.lo.z, p.z));
            e.hi = Vector(std::max(e.hi.x, p.x), std::max(e.hi.y, p.y), std::max(e.hi.z, p.z));
        }
    }
    Compile(kFirstList + static_cast<unsigned>(index), mode, copy);
    return e;
}

void MeshLists::Trim(int count) {
    for (size_t i = static_cast<size_t>(std::max(count, 0)); i < entries_.size(); ++i) {
        if (entries_[i].compiled) glDeleteLists(kFirstList + static_cast<unsigned>(i), 1);
    }
    if (entries_.size() > static_cast<size_t>(std::max(count, 0))) entries_.resize(static_cast<size_t>(std::max(count, 0)));
}

void DrawMeshes(const Pass& pass) {
    if (!pass.meshes) return;
    int index = 0;
    for (Mesh* m = rootmesh; m; m = m->nextMesh, ++index) {
        if (!m->displayOn) continue;
        // Box is drawn from the bounds alone; fast view shows every mesh as its box.
        const int own = m->display >= kDisplayBox && m->display <= kDisplaySmooth ? static_cast<int>(m->display) : static_cast<int>(kDisplayWire);
        const int shown = pass.fast ? static_cast<int>(kDisplayBox) : own;
        const int compiled = shown == kDisplayBox ? kDisplayWire : shown;
        const bool lit = shown == kDisplayFlat || shown == kDisplaySmooth;
        const MeshLists::Entry& e = pass.meshes->Update(index, m, compiled, lit && m->textureName != 0);
        if (e.empty) continue;
        const unsigned list = MeshLists::kFirstList + static_cast<unsigned>(index);
        if (pass.picking) {
            NameNode(m);
            if (shown == kDisplayBox) {
                Box(e.lo, e.hi);
            } else {
                glCallList(list);
            }
            continue;
        }
        // The selected mesh shows white, not its image.
        const bool selected = selnodo == static_cast<Nodo*>(m);
        const bool textured = e.textured && !selected;
        if (lit) BeginLit();
        if (textured) {
            glEnable(GL_TEXTURE_2D);
            glBindTexture(GL_TEXTURE_2D, m->textureName);
            const GLint wrap = m->tiling ? GL_REPEAT : GL_CLAMP;
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
            glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        }
        const Vector c = selected || textured ? Vector(1, 1, 1) : m->displayColour;
        glColor3f(c.x, c.y, c.z);
        if (shown == kDisplayBox) {
            Box(e.lo, e.hi);
        } else {
            glCallList(list);
        }
        if (textured) {
            glBindTexture(GL_TEXTURE_2D, 0);
            glDisable(GL_TEXTURE_2D);
        }
        if (lit) EndLit();
    }
    pass.meshes->Trim(index);
}

}  // namespace draw
