// Scene-data files from the animated scenes of current 3D packages. The import library reads
// the file and triangulates its meshes; every mesh becomes one rigid object whose vertices
// are the mesh's own, and each frame gives it the world transform of its node at that time,
// the node animation evaluated here (positions and scales in straight lines between keys,
// rotations along the sphere). Skinned and morphing meshes are written as rigid objects that
// follow their node, with a warning.
#include "app/make_sd.h"

#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <assimp/Importer.hpp>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "objects/sd_format.h"
#include "objects/sd_motion.h"

const char* const kMakeSdHelp =
    "Animated colliders from today's 3D packages:\n"
    "  undaline --make-sd INPUT OUTPUT.sd [--fps N] [--frames A-B] [--platform P]\n"
    "\n"
    "Samples the node animation of INPUT (glTF 2.0 .gltf/.glb, FBX, Collada .dae and\n"
    "other scene formats) at N frames per second and writes a scene-data file that\n"
    "\"Import scene\" reads: one rigid object per mesh, triangulated, moving as its node\n"
    "does. Skinned and morphing meshes are written as rigid objects, with a warning.\n"
    "  --fps N         frames per second (default 30, as a new scene)\n"
    "  --frames A-B    the frames to write (default: the whole first animation from\n"
    "                  frame 0; a file without animation gives frame 0 alone)\n"
    "  --platform P    host platform the file declares, 1 Lightwave (default),\n"
    "                  2 3D Studio MAX, 3 Softimage, 4 Maya Y up, 5 Maya Z up; the\n"
    "                  objects keep their coordinates whatever the platform\n";

namespace {

int Usage(const char* problem) {
    std::fprintf(stderr, "undaline: %s\nTry 'undaline --help'.\n", problem);
    return 2;
}

bool Whole(const char* text, int lo, int hi, int* out) {
    if (!text || !*text) return false;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || v < lo || v > hi) return false;
    *out = static_cast<int>(v);
    return true;
}

bool Range(const char* text, int* first, int* last) {
    const char* dash = text ? std::strchr(text, '-') : nullptr;
    if (!dash) return false;
    const std::string a(text, dash);
    return Whole(a.c_str(), 0, INT_MAX, first) && Whole(dash + 1, 0, INT_MAX, last) &&
           *first <= *last;
}

Matrix ToMatrix(const aiMatrix4x4& m) {
    return Matrix(m.a1, m.a2, m.a3, m.a4, m.b1, m.b2, m.b3, m.b4, m.c1, m.c2, m.c3, m.c4, m.d1,
                  m.d2, m.d3, m.d4);
}

// The value of a key track at time t (in ticks): held before the first key and after the
// last, blended between the two around t.
template <typename Key, typename Blend>
auto Track(const Key* keys, unsigned n, double t, Blend blend) -> decltype(keys[0].mValue) {
    if (t <= keys[0].mTime || n == 1) return keys[0].mValue;
    if (t >= keys[n - 1].mTime) return keys[n - 1].mValue;
    unsigned i = 0;
    while (i + 1 < n && keys[i + 1].mTime <= t) ++i;
    const double span = keys[i + 1].mTime - keys[i].mTime;
    const float f = span > 0 ? static_cast<float>((t - keys[i].mTime) / span) : 0.0f;
    return blend(keys[i].mValue, keys[i + 1].mValue, f);
}

// World transforms of every node at a time of the animation.
class Sampler {
  public:
    Sampler(const aiScene* scene, const aiAnimation* animation) : scene_(scene) {
        if (!animation) return;
        ticks_per_second_ = animation->mTicksPerSecond > 0 ? animation->mTicksPerSecond : 25.0;
        for (unsigned i = 0; i < animation->mNumChannels; ++i) {
            const aiNodeAnim* c = animation->mChannels[i];
            channels_[c->mNodeName.C_Str()] = c;
        }
    }
    void At(double seconds) {
        world_.clear();
        Walk(scene_->mRootNode, aiMatrix4x4(), seconds * ticks_per_second_);
    }
    const aiMatrix4x4& World(const aiNode* node) const { return world_.at(node); }

  private:
    aiMatrix4x4 Local(const aiNode* node, double ticks) const {
        const auto found = channels_.find(node->mName.C_Str());
        if (found == channels_.end()) return node->mTransformation;
        const aiNodeAnim* c = found->second;
        // What the track does not animate keeps the node's own value.
        aiVector3D scaling, position;
        aiQuaternion rotation;
        node->mTransformation.Decompose(scaling, rotation, position);
        const auto lerp = [](const aiVector3D& a, const aiVector3D& b, float f) {
            return a + (b - a) * f;
        };
        if (c->mNumPositionKeys)
            position = Track(c->mPositionKeys, c->mNumPositionKeys, ticks, lerp);
        if (c->mNumScalingKeys) scaling = Track(c->mScalingKeys, c->mNumScalingKeys, ticks, lerp);
        if (c->mNumRotationKeys) {
            rotation = Track(c->mRotationKeys, c->mNumRotationKeys, ticks,
                             [](const aiQuaternion& a, const aiQuaternion& b, float f) {
                                 aiQuaternion q;
                                 aiQuaternion::Interpolate(q, a, b, f);
                                 q.Normalize();
                                 return q;
                             });
        }
        return aiMatrix4x4(scaling, rotation, position);
    }
    void Walk(const aiNode* node, const aiMatrix4x4& parent, double ticks) {
        const aiMatrix4x4 world = parent * Local(node, ticks);
        world_[node] = world;
        for (unsigned i = 0; i < node->mNumChildren; ++i) Walk(node->mChildren[i], world, ticks);
    }

    const aiScene* scene_;
    double ticks_per_second_ = 25.0;
    std::map<std::string, const aiNodeAnim*> channels_;
    std::map<const aiNode*, aiMatrix4x4> world_;
};

struct Item {
    const aiNode* node;
    const aiMesh* mesh;
};

void Collect(const aiScene* scene, const aiNode* node, std::vector<Item>* items) {
    for (unsigned i = 0; i < node->mNumMeshes; ++i) {
        if (node->mMeshes[i] < scene->mNumMeshes) {
            items->push_back({node, scene->mMeshes[node->mMeshes[i]]});
        }
    }
    for (unsigned i = 0; i < node->mNumChildren; ++i) Collect(scene, node->mChildren[i], items);
}

// The object record of a mesh: its vertices in its node's space, its triangles.
SdObjectRecord Record(const aiScene* scene, const Item& item, int platform) {
    SdObjectRecord o;
    o.name = item.node->mName.length ? item.node->mName.C_Str() : item.mesh->mName.C_Str();
    if (o.name.empty()) o.name = "object";
    aiColor4D colour(1, 1, 1, 1);
    if (item.mesh->mMaterialIndex < scene->mNumMaterials) {
        aiGetMaterialColor(scene->mMaterials[item.mesh->mMaterialIndex], AI_MATKEY_COLOR_DIFFUSE,
                           &colour);
    }
    o.colour[0] = colour.r;
    o.colour[1] = colour.g;
    o.colour[2] = colour.b;
    o.verts.resize(size_t(item.mesh->mNumVertices) * 3);
    for (unsigned v = 0; v < item.mesh->mNumVertices; ++v) {
        const aiVector3D& p = item.mesh->mVertices[v];
        SdPointToFile(Vector(p.x, p.y, p.z), platform, &o.verts[size_t(v) * 3]);
    }
    for (unsigned f = 0; f < item.mesh->mNumFaces; ++f) {
        const aiFace& face = item.mesh->mFaces[f];
        if (face.mNumIndices != 3) continue;
        o.faces.insert(o.faces.end(), {int32_t(face.mIndices[0]), int32_t(face.mIndices[1]),
                                       int32_t(face.mIndices[2]), 1, 1, 1, 0});
    }
    return o;
}

const char* PlatformName(int p) {
    static const char* const kNames[] = {"Lightwave", "3D Studio MAX", "Softimage", "Maya, Y up",
                                         "Maya, Z up"};
    return kNames[p - 1];
}

}  // namespace

int MakeSdMain(int argc, char** argv) {
    std::vector<std::string> files;
    int fps = 30, first = 0, last = 0, platform = 1;
    bool range = false;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (arg == "-h" || arg == "--help") {
            std::fputs(kMakeSdHelp, stdout);
            return 0;
        } else if (arg == "--fps") {
            if (!Whole(value, 1, 1000, &fps))
                return Usage("--fps takes a whole number from 1 to 1000");
            ++i;
        } else if (arg == "--frames") {
            if (!Range(value, &first, &last))
                return Usage("--frames takes A-B, two frame numbers with A <= B");
            range = true;
            ++i;
        } else if (arg == "--platform") {
            if (!Whole(value, 1, 5, &platform))
                return Usage("--platform takes a number from 1 to 5");
            ++i;
        } else if (!arg.empty() && arg[0] == '-') {
            return Usage(("unknown option for --make-sd: " + arg).c_str());
        } else {
            files.push_back(arg);
        }
    }
    if (files.size() != 2) return Usage("--make-sd needs an input file and an output file");
    const std::string& input = files[0];
    const std::string& output = files[1];

    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(
        input, aiProcess_Triangulate | aiProcess_SortByPType | aiProcess_ValidateDataStructure);
    if (!scene || !scene->mRootNode) {
        std::fprintf(stderr, "undaline: cannot read %s: %s\n", input.c_str(),
                     importer.GetErrorString());
        return 1;
    }
    std::vector<Item> items;
    Collect(scene, scene->mRootNode, &items);
    SdScene sd;
    std::snprintf(sd.header.text, sizeof sd.header.text, "Undaline scene data");
    sd.header.version = kSdVersion;
    sd.header.platform = platform;
    std::vector<Item> kept;
    for (const Item& item : items) {
        SdObjectRecord o = Record(scene, item, platform);
        if (o.faces.empty()) continue;  // points and lines collide with nothing
        if (item.mesh->HasBones() || item.mesh->mNumAnimMeshes > 0) {
            std::fprintf(stderr,
                         "undaline: warning: %s %s; it is written as a rigid object that follows "
                         "its node\n",
                         o.name.c_str(),
                         item.mesh->HasBones() ? "is skinned" : "has morph targets");
        }
        sd.objects.push_back(std::move(o));
        kept.push_back(item);
    }
    if (kept.empty()) {
        std::fprintf(stderr, "undaline: %s holds no triangle mesh\n", input.c_str());
        return 1;
    }

    const aiAnimation* animation = scene->mNumAnimations > 0 ? scene->mAnimations[0] : nullptr;
    if (scene->mNumAnimations > 1) {
        std::fprintf(stderr,
                     "undaline: warning: %s holds %u animations; the first (%s) is sampled\n",
                     input.c_str(), scene->mNumAnimations, animation->mName.C_Str());
    }
    if (!range && animation) {
        const double tps = animation->mTicksPerSecond > 0 ? animation->mTicksPerSecond : 25.0;
        last = static_cast<int>(std::ceil(animation->mDuration / tps * fps - 1e-6));
        if (last < 0) last = 0;
    }
    Sampler sampler(scene, animation);
    for (int f = first; f <= last; ++f) {
        sampler.At(double(f) / fps);
        SdFrame frame;
        frame.number = f;
        for (const Item& item : kept) {
            SdFrameObject raw;
            SdKeyToFile(SdKeyOfMatrix(ToMatrix(sampler.World(item.node)), platform), platform,
                        &raw);
            frame.objects.push_back(raw);
        }
        sd.frames.push_back(std::move(frame));
    }
    if (!WriteSdFile(output.c_str(), sd)) {
        std::fprintf(stderr, "undaline: cannot write %s\n", output.c_str());
        return 1;
    }
    std::printf("%s: %zu object%s, %d frame%s (%d-%d at %d fps), platform %d (%s)\n",
                output.c_str(), sd.objects.size(), sd.objects.size() == 1 ? "" : "s",
                last - first + 1, last > first ? "s" : "", first, last, fps, platform,
                PlatformName(platform));
    return 0;
}
