// The undaline program: the desktop application, and the batch runner with --batch.
#include <QCommandLineParser>
#include <QStringList>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/batch.h"
#include "app/ply_export.h"
#include "ui/application.h"
#include "version.h"

namespace {

const char* kBatchHelp =
    "Without a window:\n"
    "  undaline --batch WORKSPACE [options]\n"
    "\n"
    "Simulates a workspace (.ulw) without a window and writes, frame by frame, the\n"
    "particle files its fluids ask for (BIN, text and LWO output switches of each fluid),\n"
    "the mesh files its meshes ask for (LWO, LWO2, BIN, OBJ), and, when its \"Save\n"
    "images\" is on, a picture of the scene at every frame.\n"
    "\n"
    "Batch options:\n"
    "  -b, --batch WORKSPACE  run WORKSPACE headless\n"
    "  --frames N             frames to simulate from the workspace's current frame,\n"
    "                         also beyond the workspace's frame limit (default: that\n"
    "                         limit when it is switched on, else 100)\n"
    "  --out DIR              output directory for every fluid and mesh whose own\n"
    "                         output directory is empty (created when missing)\n"
    "  --threads N            worker threads of the neighbour search and force passes\n"
    "                         (default: as many as the machine offers); results are\n"
    "                         the same for every N\n"
    "  --save FILE            save the scene to FILE when the run ends, also after\n"
    "                         an interruption (FILE's directory must exist)\n"
    "  --plugins DIR          plug-ins directory (default: plugins/ beside the program)\n"
    "  --image-size WxH       size of the pictures of a workspace with \"Save images\"\n"
    "                         on (default: 640x480); they are drawn without a display\n"
    "  --movie-quality Q      an AVI movie's frames: 0 full frames (the default), 1 to\n"
    "                         100 Motion-JPEG at that quality\n"
    "  --no-images            leave the workspace's pictures out\n"
    "  -q, --quiet            no progress, summary or warnings; errors are still shown\n"
    "  --log                  print every line of the message log (files saved, start\n"
    "                         and stop), not only warnings\n"
    "\n"
    "Ctrl-C stops the run after the current step; files already written are whole.\n"
    "A workspace that cannot be read whole is refused before anything is written.\n"
    "Exit status: 0 on success; 1 when the workspace was refused, a particle file\n"
    "could not be written or the scene could not be saved; 130 after Ctrl-C;\n"
    "2 for bad usage.\n"
    "\n"
    "Converting files for other 3D packages:\n"
    "  undaline --export-ply DIR [--out DIR2] [-q]\n"
    "\n"
    "Writes a binary PLY file (.ply) for every particle BIN file and mesh BIN file in\n"
    "DIR, into DIR2 when given (created when missing), else beside them: positions,\n"
    "and as vertex properties normals, colours, texture coordinates and velocities\n"
    "(see docs/output-formats.md). Exit status: 0 when every BIN file was converted,\n"
    "1 when one could not be read or written, 2 when DIR cannot be read.\n";

int Usage(const char* problem) {
    std::fprintf(stderr, "undaline: %s\nTry 'undaline --help'.\n", problem);
    return 2;
}

bool ParseCount(const char* text, int minimum, int* out) {
    if (!text || !*text) return false;
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || v < minimum || v > INT_MAX) return false;
    *out = static_cast<int>(v);
    return true;
}

// "WIDTHxHEIGHT".
bool ParseSize(const char* text, int* width, int* height) {
    const char* x = std::strchr(text, 'x');
    if (!x) return false;
    const std::string w(text, x);
    int a = 0, b = 0;
    if (!ParseCount(w.c_str(), 16, &a) || !ParseCount(x + 1, 16, &b) || a > 8192 || b > 8192) return false;
    *width = a;
    *height = b;
    return true;
}

bool IsBatch(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-b") == 0 || std::strcmp(argv[i], "--batch") == 0) return true;
    }
    return false;
}

bool IsExport(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--export-ply") == 0) return true;
    }
    return false;
}

// The PLY conversion: no window, no scene.
int ExportMain(int argc, char** argv) {
    PlyExportOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--export-ply" || arg == "--out") && i + 1 >= argc) {
            std::fprintf(stderr, "undaline: %s needs a value\n", arg.c_str());
            return 2;
        }
        if (arg == "--export-ply") {
            options.dir = argv[++i];
        } else if (arg == "--out") {
            options.out = argv[++i];
        } else if (arg == "-q" || arg == "--quiet") {
            options.quiet = true;
        } else if (arg == "-h" || arg == "--help") {
            std::fputs(kBatchHelp, stdout);
            return 0;
        } else {
            return Usage(("unknown option with --export-ply: " + arg).c_str());
        }
    }
    return ExportPly(options);
}

// The desktop application's command line: an optional workspace to open.
int DesktopMain(int argc, char** argv) {
    QStringList args;
    for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Undaline simulates liquids and particle fluids for 3D animation. Without options it "
        "opens its window; WORKSPACE is a workspace file (.ulw) to open in it.");
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument("WORKSPACE", "workspace file (.ulw) to open", "[WORKSPACE]");
    if (!parser.parse(args)) return Usage(parser.errorText().toLocal8Bit().constData());
    if (parser.isSet(help)) {
        // Parsed before the application object exists: Qt does not know the program's name yet.
        const QString text = parser.helpText().replace("<executable_name>", "undaline");
        std::printf("%s\n%s", text.toLocal8Bit().constData(), kBatchHelp);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("undaline %s\n", UndalineVersion());
        return 0;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1) return Usage("only one workspace can be opened");
    return ui::RunDesktop(argc, argv, positional.isEmpty() ? QString() : positional.first());
}

int BatchMain(int argc, char** argv) {
    BatchOptions options;
    bool batch = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "undaline: %s needs a value\n", name);
                return nullptr;
            }
            return argv[++i];
        };
        if (arg == "-h" || arg == "--help") {
            std::fputs(kBatchHelp, stdout);
            return 0;
        } else if (arg == "--version") {
            std::printf("undaline %s\n", UndalineVersion());
            return 0;
        } else if (arg == "-b" || arg == "--batch") {
            const char* v = value("--batch");
            if (!v) return 2;
            batch = true;
            options.workspace = v;
        } else if (arg == "--frames") {
            const char* v = value("--frames");
            if (!v || !ParseCount(v, 1, &options.frames)) return Usage("--frames takes a whole number of at least 1");
        } else if (arg == "--threads") {
            const char* v = value("--threads");
            if (!v || !ParseCount(v, 1, &options.threads)) return Usage("--threads takes a whole number of at least 1");
        } else if (arg == "--out") {
            const char* v = value("--out");
            if (!v) return 2;
            options.out = v;
        } else if (arg == "--save") {
            const char* v = value("--save");
            if (!v) return 2;
            if (!*v) return Usage("--save needs a file name");
            options.save = v;
        } else if (arg == "--plugins") {
            const char* v = value("--plugins");
            if (!v) return 2;
            options.plugins = v;
        } else if (arg == "--image-size") {
            const char* v = value("--image-size");
            if (!v || !ParseSize(v, &options.image_width, &options.image_height)) {
                return Usage("--image-size takes WIDTHxHEIGHT, each from 16 to 8192");
            }
        } else if (arg == "--movie-quality") {
            const char* v = value("--movie-quality");
            if (!v || !ParseCount(v, 0, &options.movie_quality) || options.movie_quality > 100) {
                return Usage("--movie-quality takes a whole number from 0 to 100");
            }
        } else if (arg == "--no-images") {
            options.no_images = true;
        } else if (arg == "-q" || arg == "--quiet") {
            options.quiet = true;
        } else if (arg == "--log") {
            options.log = true;
        } else {
            return Usage(("unknown option: " + arg).c_str());
        }
    }
    if (!batch) return Usage("--batch needs a workspace");
    return RunBatch(options);
}

}  // namespace

int main(int argc, char** argv) {
    if (IsExport(argc, argv)) return ExportMain(argc, argv);
    return IsBatch(argc, argv) ? BatchMain(argc, argv) : DesktopMain(argc, argv);
}
