// The object readers on generated files of 1,000,000 triangles (a 500 x 1000 grid of quads,
// each cut in two), one thread: seconds per file and triangles per second, and, for OBJ, a
// plain line-by-line std::istringstream reader of the same file measured in the same run.
// The target is taken on the best of three reads; the first read is shown beside it, since
// an import is done once and its first large allocation may wait for the system to find
// memory.
#include <unistd.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench_util.h"
#include "objects/body.h"
#include "platform/message_box.h"
#include "scene/scene.h"

namespace {

constexpr int kColumns = 1000, kRows = 500;  // quads
constexpr int kPoints = (kColumns + 1) * (kRows + 1);
constexpr long kTriangles = 2L * kColumns * kRows;

struct Grid {
    // Point i of the grid, a gentle wave so no triangle is flat in z.
    static void Point(int i, float* xyz) {
        const int c = i % (kColumns + 1), r = i / (kColumns + 1);
        xyz[0] = 0.01f * c;
        xyz[1] = 0.002f * ((c * 7 + r * 13) % 17);
        xyz[2] = 0.01f * r;
    }
    // The two triangles of quad q, 0-based corners.
    static void Triangles(int q, int t[2][3]) {
        const int c = q % kColumns, r = q / kColumns;
        const int a = r * (kColumns + 1) + c, b = a + 1, d = a + kColumns + 1, e = d + 1;
        t[0][0] = a, t[0][1] = b, t[0][2] = e;
        t[1][0] = a, t[1][1] = e, t[1][2] = d;
    }
};

std::string WriteObj(const std::string& path) {
    std::string s;
    char line[96];
    float p[3];
    for (int i = 0; i < kPoints; ++i) {
        Grid::Point(i, p);
        s.append(line, std::snprintf(line, sizeof line, "v %.6f %.6f %.6f\n", p[0], p[1], p[2]));
    }
    int t[2][3];
    for (int q = 0; q < kColumns * kRows; ++q) {
        Grid::Triangles(q, t);
        for (auto& f : t) {
            s.append(line, std::snprintf(line, sizeof line, "f %d %d %d\n", f[0] + 1, f[1] + 1,
                                         f[2] + 1));
        }
    }
    std::ofstream(path, std::ios::binary) << s;
    return path;
}

std::string WriteAsc(const std::string& path) {
    std::string s = "Ambient light color: Red=0.3 Green=0.3 Blue=0.3\n\nNamed object: \"grid\"\n";
    char line[160];
    s.append(line, std::snprintf(line, sizeof line, "Tri-mesh, Vertices: %d     Faces: %ld\n",
                                 kPoints, kTriangles));
    s += "Vertex list:\n";
    float p[3];
    for (int i = 0; i < kPoints; ++i) {
        Grid::Point(i, p);
        s.append(line, std::snprintf(line, sizeof line, "Vertex %d:  X: %f     Y: %f     Z: %f\n",
                                     i, p[0], p[1], p[2]));
    }
    s += "Face list:\n";
    int t[2][3];
    long n = 0;
    for (int q = 0; q < kColumns * kRows; ++q) {
        Grid::Triangles(q, t);
        for (auto& f : t) {
            s.append(line,
                     std::snprintf(line, sizeof line,
                                   "Face %ld:    A:%d B:%d C:%d AB:1 BC:1 CA:0\nSmoothing:  1\n",
                                   n++, f[1], f[0], f[2]));
        }
    }
    std::ofstream(path, std::ios::binary) << s;
    return path;
}

std::string WriteDxf(const std::string& path) {
    std::string s =
        "  0\nSECTION\n  2\nENTITIES\n  0\nPOLYLINE\n  8\n0\n 66\n     1\n 70\n    64\n";
    char line[200];
    s.append(line, std::snprintf(line, sizeof line, " 71\n%d\n 72\n%ld\n", kPoints, kTriangles));
    float p[3];
    for (int i = 0; i < kPoints; ++i) {
        Grid::Point(i, p);
        s.append(line,
                 std::snprintf(line, sizeof line,
                               "  0\nVERTEX\n  8\n0\n 10\n%f\n 20\n%f\n 30\n%f\n 70\n   192\n",
                               p[0], p[1], p[2]));
    }
    int t[2][3];
    for (int q = 0; q < kColumns * kRows; ++q) {
        Grid::Triangles(q, t);
        for (auto& f : t) {
            s.append(line, std::snprintf(line, sizeof line,
                                         "  0\nVERTEX\n  8\n0\n 10\n0.0\n 20\n0.0\n 30\n0.0\n 70\n"
                                         "   128\n 71\n%d\n 72\n%d\n 73\n%d\n",
                                         f[0] + 1, f[1] + 1, -(f[2] + 1)));
        }
    }
    s += "  0\nSEQEND\n  0\nENDSEC\n  0\nEOF\n";
    std::ofstream(path, std::ios::binary) << s;
    return path;
}

void PutU16(std::string& s, unsigned v) {
    s += static_cast<char>(v >> 8);
    s += static_cast<char>(v);
}
void PutU32(std::string& s, uint32_t v) {
    PutU16(s, v >> 16);
    PutU16(s, v & 0xFFFF);
}

std::string WriteLwo2(const std::string& path) {
    std::string pnts, pols = "FACE";
    float p[3];
    for (int i = 0; i < kPoints; ++i) {
        Grid::Point(i, p);
        for (float v : p) PutU32(pnts, std::bit_cast<uint32_t>(v));
    }
    int t[2][3];
    for (int q = 0; q < kColumns * kRows; ++q) {
        Grid::Triangles(q, t);
        for (auto& f : t) {
            PutU16(pols, 3);
            for (int i : f) {
                // Indices from 0xFF00 on take the four-byte form.
                if (i < 0xFF00) {
                    PutU16(pols, static_cast<unsigned>(i));
                } else {
                    PutU32(pols, 0xFF000000u | static_cast<uint32_t>(i));
                }
            }
        }
    }
    std::string body = "LWO2";
    for (auto [tag, data] :
         {std::pair<const char*, std::string*>{"PNTS", &pnts}, {"POLS", &pols}}) {
        body += tag;
        PutU32(body, static_cast<uint32_t>(data->size()));
        body += *data;
    }
    std::string file = "FORM";
    PutU32(file, static_cast<uint32_t>(body.size()));
    std::ofstream(path, std::ios::binary) << file << body;
    return path;
}

// The reference: what a reader written in a hurry looks like.
long ReferenceObj(const std::string& path) {
    std::ifstream in(path);
    std::vector<float> points;
    std::vector<int> faces;
    std::string line, token;
    while (std::getline(in, line)) {
        std::istringstream ls(line);
        if (!(ls >> token)) continue;
        if (token == "v") {
            float x, y, z;
            ls >> x >> y >> z;
            points.insert(points.end(), {x, y, z});
        } else if (token == "f") {
            std::string ref;
            while (ls >> ref) faces.push_back(std::stoi(ref) - 1);
        }
    }
    return static_cast<long>(faces.size() / 3);
}

}  // namespace

int main() {
    platform::SetMessageBoxHandler([](const char*, const char*, int, int) { return 1; });
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("undaline_readers_bench_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    struct Format {
        const char* name;
        std::string path;
        bool (Body::*read)(const char*, const char*);
    };
    std::printf("Object readers, %ld triangles, %d points, one thread (best of 3)\n", kTriangles,
                kPoints);
    const Format formats[] = {
        {"OBJ", WriteObj((dir / "grid.obj").string()), &Body::LoadObj},
        {"LWO2", WriteLwo2((dir / "grid.lwo").string()), &Body::LoadLwo},
        {"DXF", WriteDxf((dir / "grid.dxf").string()), &Body::LoadDxf},
        {"ASC", WriteAsc((dir / "grid.asc").string()), &Body::LoadAsc},
    };
    std::printf("%-6s %9s %10s %10s %14s   target\n", "format", "MB", "first s", "best s",
                "M triangles/s");
    bool all_met = true;
    double obj_seconds = 0;
    for (const Format& f : formats) {
        bool read = true;
        int faces = 0;
        const auto once = [&] {
            ResetScene();
            Body* b = CreaBody();
            read = read && (b->*f.read)(f.path.c_str(), "grid");
            faces = b->nfaces;
            ResetScene();
        };
        const double first = Repeat(1, once).median;
        const double s = Repeat(3, once).median;
        const double rate = faces / s / 1e6;
        const bool met = read && faces == kTriangles && rate >= 3.0;
        all_met = all_met && met;
        if (f.read == &Body::LoadObj) obj_seconds = s;
        std::printf("%-6s %9.1f %10.3f %10.3f %14.2f   >= 3 M/s: %s\n", f.name,
                    std::filesystem::file_size(f.path) / 1e6, first, s, rate,
                    met ? "met" : "NOT met");
    }
    long ref_faces = 0;
    const double ref = Repeat(3, [&] { ref_faces = ReferenceObj(formats[0].path); }).median;
    const bool ratio_met = ref_faces == kTriangles && ref / obj_seconds >= 3.0;
    all_met = all_met && ratio_met;
    std::printf(
        "OBJ reference (std::getline + std::istringstream): %.3f s, %.2f M triangles/s; "
        "ours is %.1fx faster   >= 3x: %s\n",
        ref, ref_faces / ref / 1e6, ref / obj_seconds, ratio_met ? "met" : "NOT met");
    std::filesystem::remove_all(dir);
    std::printf("%s\n", all_met ? "all targets met" : "some targets NOT met");
    return 0;
}
