#include "app/ply_export.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "io/particle_files.h"
#include "mesh/mesh_bin_reader.h"
#include "platform/byte_buffer.h"
#include "platform/endian.h"
#include "platform/file_parts.h"
#include "platform/format.h"
#include "platform/whole_file.h"

namespace {

namespace fs = std::filesystem;
using platform::ByteWriter;

constexpr uint32_t kMeshMagic = 0xDADADADA;

uint8_t Byte(float c) {
    if (!(c > 0.0f)) return 0;
    if (c >= 1.0f) return 255;
    return static_cast<uint8_t>(c * 255.0f + 0.5f);
}

// Each linked fluid's colour in a mesh: the surface shows which fluid it came from.
const Vector kFluidColours[] = {{0.55f, 0.72f, 1.0f},  {1.0f, 0.55f, 0.3f}, {0.45f, 0.9f, 0.5f},
                                {0.95f, 0.85f, 0.35f}, {0.8f, 0.5f, 0.95f}, {0.4f, 0.9f, 0.9f}};
constexpr size_t kPalette = sizeof kFluidColours / sizeof kFluidColours[0];

void Property(std::string& h, const char* type, const char* name) {
    h += "property ";
    h += type;
    h += ' ';
    h += name;
    h += '\n';
}

void Vec(ByteWriter& out, const Vector& v) {
    out.F32(v.x);
    out.F32(v.y);
    out.F32(v.z);
}

void Rgb(ByteWriter& out, const Vector& c) {
    out.U8(Byte(c.x));
    out.U8(Byte(c.y));
    out.U8(Byte(c.z));
}

bool Write(const fs::path& path, const std::string& header, const ByteWriter& body) {
    const platform::FilePart parts[] = {{header.data(), header.size()},
                                        {body.Bytes().data(), body.Size()}};
    return platform::WriteFileParts(path.string(), parts, 2);
}

// Particles: a point cloud coloured by speed, deep blue (slowest of the frame) to white.
bool ParticlePly(const ParticleBinData& d, const fs::path& path) {
    std::string h = "ply\nformat binary_little_endian 1.0\ncomment Undaline particles, frame " +
                    std::to_string(d.frame) + "\nelement vertex " +
                    std::to_string(d.records.size()) + "\n";
    for (const char* p : {"x", "y", "z"}) Property(h, "float", p);
    for (const char* p : {"red", "green", "blue"}) Property(h, "uchar", p);
    for (const char* p :
         {"vx", "vy", "vz", "density", "pressure", "temperature", "age", "mass", "radius"}) {
        Property(h, "float", p);
    }
    Property(h, "int", "id");
    h += "end_header\n";
    ByteWriter out(d.records.size() * 55);
    const float span = d.speedMax - d.speedMin;
    for (const ParticleBinRecord& r : d.records) {
        Vec(out, r.pos);
        const float t = span > 0.0f
                            ? std::clamp((r.vel.Modulo() * d.scale - d.speedMin) / span, 0.0f, 1.0f)
                            : 0.0f;
        Rgb(out, Vector(0.1f + 0.9f * t, 0.25f + 0.75f * t, 0.6f + 0.4f * t));
        Vec(out, r.vel);
        for (float v : {r.density, r.pressure, r.temperature, r.age, r.mass, r.radius}) out.F32(v);
        out.I32(r.id);
    }
    return Write(path, h, out);
}

// A mesh: faces turned so that they face out of the volume they enclose, vertex normals from
// them, colours from the fluid weights.
bool MeshPly(MeshBinData& d, const fs::path& path) {
    double volume = 0.0;
    for (const auto& f : d.faces) {
        const Vector& a = d.vertices[static_cast<size_t>(f[0])];
        const Vector& b = d.vertices[static_cast<size_t>(f[1])];
        const Vector& c = d.vertices[static_cast<size_t>(f[2])];
        volume += double(a.x) * (double(b.y) * c.z - double(b.z) * c.y) -
                  double(a.y) * (double(b.x) * c.z - double(b.z) * c.x) +
                  double(a.z) * (double(b.x) * c.y - double(b.y) * c.x);
    }
    if (volume < 0.0) {
        for (auto& f : d.faces) std::swap(f[0], f[1]);
    }
    std::vector<Vector> normals(d.vertices.size(), Vector(0, 0, 0));
    for (const auto& f : d.faces) {
        const Vector& a = d.vertices[static_cast<size_t>(f[0])];
        const Vector u = d.vertices[static_cast<size_t>(f[1])] - a;
        const Vector v = d.vertices[static_cast<size_t>(f[2])] - a;
        const Vector n(u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x);
        for (int k : f) normals[static_cast<size_t>(k)] = normals[static_cast<size_t>(k)] + n;
    }
    const bool texture = !d.texCoords.empty();
    const bool velocity = !d.velocities.empty();
    std::string h = "ply\nformat binary_little_endian 1.0\ncomment Undaline mesh\nelement vertex " +
                    std::to_string(d.vertices.size()) + "\n";
    for (const char* p : {"x", "y", "z", "nx", "ny", "nz"}) Property(h, "float", p);
    for (const char* p : {"red", "green", "blue"}) Property(h, "uchar", p);
    if (texture) {
        for (const char* p : {"s", "t", "texture_w"}) Property(h, "float", p);
    }
    if (velocity) {
        for (const char* p : {"vx", "vy", "vz"}) Property(h, "float", p);
    }
    h += "element face " + std::to_string(d.faces.size()) + "\n";
    h += "property list uchar int vertex_indices\nend_header\n";
    ByteWriter out(d.vertices.size() * 51 + d.faces.size() * 13);
    const size_t links = static_cast<size_t>(d.links);
    for (size_t i = 0; i < d.vertices.size(); ++i) {
        Vec(out, d.vertices[i]);
        Vector n = normals[i];
        const float length = n.Modulo();
        Vec(out, length > 0.0f ? n / length : n);
        Vector colour = kFluidColours[0];
        if (texture && links > 0) {
            colour = Vector(0, 0, 0);
            for (size_t l = 0; l < links; ++l) {
                colour = colour + kFluidColours[l % kPalette] * d.weights[i * links + l];
            }
        }
        Rgb(out, colour);
        if (texture) {
            const Vector& t = d.texCoords[i];
            out.F32(t.x);
            out.F32(t.z);
            out.F32(t.y);
        }
        if (velocity) Vec(out, d.velocities[i]);
    }
    for (const auto& f : d.faces) {
        out.U8(3);
        for (int k : f) out.I32(k);
    }
    return Write(path, h, out);
}

}  // namespace

int ExportPly(const PlyExportOptions& o) {
    std::error_code ec;
    if (!fs::is_directory(o.dir, ec)) {
        std::fprintf(stderr, "undaline: cannot read directory '%s'\n", o.dir.c_str());
        return 2;
    }
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(o.dir, ec)) {
        std::string ext = e.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(),
                       [](unsigned char c) { return std::tolower(c); });
        if (ext == ".bin" && e.is_regular_file(ec)) files.push_back(e.path());
    }
    std::sort(files.begin(), files.end());
    const fs::path out_dir = o.out.empty() ? fs::path(o.dir) : fs::path(o.out);
    if (!platform::EnsureDirectory(out_dir.string())) {
        std::fprintf(stderr, "undaline: cannot make directory '%s'\n", out_dir.c_str());
        return 1;
    }
    int particles = 0, meshes = 0, failed = 0, passed = 0;
    std::vector<uint8_t> bytes;
    for (const fs::path& file : files) {
        const fs::path target = out_dir / file.filename().replace_extension(".ply");
        bool read = platform::ReadWholeFile(file.c_str(), &bytes);
        bool written = false;
        if (read && bytes.size() >= 4 && platform::GetU32LE(bytes.data()) == kMeshMagic) {
            MeshBinData mesh;
            read = ReadMeshBin(bytes.data(), bytes.size(), &mesh);
            written = read && MeshPly(mesh, target);
            meshes += written;
        } else if (read) {
            ParticleBinData cloud;
            read = ReadParticleBin(bytes.data(), bytes.size(), &cloud);
            written = read && ParticlePly(cloud, target);
            particles += written;
        }
        if (!read) {
            ++passed;
            std::fprintf(stderr, "undaline: %s is not a particle or mesh BIN file; passed over\n",
                         file.c_str());
        } else if (!written) {
            ++failed;
            std::fprintf(stderr, "undaline: cannot write %s\n", target.c_str());
        }
    }
    if (!o.quiet) {
        std::fprintf(stderr, "Converted %d particle file%s and %d mesh file%s into %s", particles,
                     particles == 1 ? "" : "s", meshes, meshes == 1 ? "" : "s", out_dir.c_str());
        if (passed > 0) {
            std::fprintf(stderr, "; %d file%s passed over", passed, passed == 1 ? "" : "s");
        }
        std::fprintf(stderr, ".\n");
    }
    return failed > 0 ? 1 : 0;
}
