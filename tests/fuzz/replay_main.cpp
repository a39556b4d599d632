// Runs a fuzz harness without libFuzzer: every file of the folders named on the command line
// is one input. A crash or a sanitizer report ends the run, and ctest shows the input's name.
// A folder may hold a file PENDING naming, one per line (the first word), inputs whose fix is
// still on its way; they are listed and not run.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

int main(int argc, char** argv) {
    if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
    namespace fs = std::filesystem;
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        std::set<std::string> pending;
        std::ifstream list(fs::path(argv[i]) / "PENDING");
        for (std::string line; std::getline(list, line);) {
            std::string name;
            if (std::istringstream(line) >> name) pending.insert(name);
        }
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(argv[i], ec)) {
            const std::string name = e.path().filename().string();
            // PENDING and the dot-files that keep an empty folder in the repository are no inputs.
            if (!e.is_regular_file() || name == "PENDING" || name[0] == '.') continue;
            if (pending.count(name)) {
                std::fprintf(stderr, "not replayed, its fix is pending: %s\n", e.path().c_str());
            } else {
                inputs.push_back(e.path());
            }
        }
    }
    std::sort(inputs.begin(), inputs.end());
    for (const fs::path& p : inputs) {
        std::fprintf(stderr, "replaying %s\n", p.c_str());
        std::ifstream in(p, std::ios::binary);
        const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    std::fprintf(stderr, "%zu inputs replayed\n", inputs.size());
    return inputs.empty() ? 1 : 0;
}
