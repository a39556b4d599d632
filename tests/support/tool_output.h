#pragma once

#include <cstdio>
#include <string>
#include <utility>

// What a command prints on its standard output (empty when it cannot be started).
inline std::string CommandOutput(const std::string& command) {
    std::string out;
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
        pclose(pipe);
    }
    return out;
}

// "Vertices:" and "Faces:" as `assimp info` reports them for a file; -1 when it cannot read
// it. Raw: without the tool's clean-up, which refuses a point cloud for having no faces.
inline std::pair<int, int> AssimpCounts(const std::string& path, bool raw = false) {
    const std::string text =
        CommandOutput("assimp info '" + path + "'" + (raw ? " -r" : "") + " 2>/dev/null");
    std::pair<int, int> counts{-1, -1};
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find('\n', at);
        const std::string line = text.substr(at, end == std::string::npos ? end : end - at);
        std::sscanf(line.c_str(), "Vertices: %d", &counts.first);
        std::sscanf(line.c_str(), "Faces: %d", &counts.second);
        at = end == std::string::npos ? text.size() : end + 1;
    }
    return counts;
}

// "codec,width,height,...,frames" of a movie's first video stream, as ffprobe reads it.
inline std::string ProbeMovie(const std::string& path, const char* extra_fields = "") {
    return CommandOutput(std::string("ffprobe -v error -count_frames -select_streams v:0 "
                                     "-show_entries stream=codec_name,width,height,") +
                         extra_fields + "nb_read_frames -of csv=p=0 '" + path + "' 2>&1");
}
