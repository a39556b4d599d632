// Lightwave scenes: a text file starting "LWSC", its format version on the next line. Each
// object line loads a LWO file (or adds a null object), and the object's motion follows it;
// only the first key of that motion places the body. Lights, cameras and everything else are
// passed over.
//
// Motions come in three layouts. Version 1: the fifth line after the object line holds the
// first key, "x y z heading pitch bank sx sy sz" after two blanks. Version 2: "ObjectMotion",
// the channel count, then per channel its key count and one line per key whose first number
// is the value. Version 3 and later: "NumChannels", then per channel "Channel n" and an
// envelope block whose "Key" lines start with the value; angles there are in radians.
#include <cctype>
#include <cmath>
#include <numbers>
#include <string>
#include <string_view>
#include <vector>

#include "objects/body.h"
#include "objects/object_files.h"
#include "objects/reader_private.h"
#include "objects/scene_import.h"
#include "objects/scene_reader_private.h"
#include "platform/format.h"
#include "platform/paths.h"
#include "platform/whole_file.h"

namespace {

using reader::FirstToken;
using reader::NextToken;

// A motion's first key: position, heading, pitch, bank, scale.
struct Key {
    float value[9] = {0, 0, 0, 0, 0, 0, 1, 1, 1};
};

bool Is(std::string_view token, const char* word) {
    return platform::EqualsIgnoringCase(std::string(token).c_str(), word);
}

// A line that starts the next item of the scene: a motion never reaches past it.
bool StartsItem(std::string_view line) {
    const std::string_view t = FirstToken(line);
    return Is(t, "LoadObject") || Is(t, "LoadObjectLayer") || Is(t, "AddNullObject") ||
           Is(t, "AddLight") || Is(t, "AddCamera");
}

// As many numbers as the text holds, up to n.
int Numbers(std::string_view text, float* out, int n) {
    int k = 0;
    for (std::string_view t = NextToken(&text); !t.empty() && k < n; t = NextToken(&text)) {
        if (!reader::LeadingFloat(t, &out[k])) break;
        ++k;
    }
    return k;
}

int Count(std::string_view line) {
    int n = 0;
    return reader::LeadingInt(line, &n) && n >= 0 ? n : -1;
}

class Scene {
  public:
    explicit Scene(const platform::FileView& file) {
        reader::Lines lines(file);
        std::string_view line;
        while (lines.Next(&line)) lines_.push_back(line);
    }
    size_t size() const { return lines_.size(); }
    std::string_view operator[](size_t i) const { return i < lines_.size() ? lines_[i] : ""; }

    // The first motion key of the object whose line is at `at`.
    Key MotionKey(size_t at, int version) const {
        Key key;
        if (version <= 1) {
            // The key line, read from its third character.
            const std::string_view line = (*this)[at + 5];
            Numbers(line.size() > 2 ? line.substr(2) : std::string_view(), key.value, 9);
            return key;
        }
        size_t m = at + 1;
        while (m < size() && !StartsItem(lines_[m]) && !Is(FirstToken(lines_[m]), "ObjectMotion")) {
            ++m;
        }
        if (m >= size() || StartsItem(lines_[m])) return key;
        if (Is(FirstToken((*this)[m + 1]), "NumChannels")) {
            EnvelopeKeys(m + 2, &key);
            for (int c = 3; c < 6; ++c)
                key.value[c] *= static_cast<float>(180.0 / std::numbers::pi);
        } else {
            ChannelKeys(m + 1, &key);
        }
        return key;
    }

  private:
    // "Channel n" lines, each followed by an envelope whose first "Key" line gives the value.
    void EnvelopeKeys(size_t i, Key* key) const {
        int channel = -1;
        bool taken = false;
        for (; i < size() && !StartsItem(lines_[i]); ++i) {
            std::string_view rest = lines_[i];
            const std::string_view t = NextToken(&rest);
            if (Is(t, "Channel")) {
                channel = Count(rest);
                taken = false;
            } else if (Is(t, "Key") && !taken && channel >= 0 && channel < 9) {
                Numbers(rest, &key->value[channel], 1);
                taken = true;
            } else if (Is(t, "ObjectMotion")) {
                break;
            }
        }
    }

    // The channel count, then per channel a key count and one line per key.
    void ChannelKeys(size_t i, Key* key) const {
        const int channels = Count((*this)[i]);
        ++i;
        for (int c = 0; c < channels && i < size(); ++c) {
            const int keys = Count(lines_[i]);
            if (keys < 0) return;
            if (keys > 0 && c < 9) Numbers((*this)[i + 1], &key->value[c], 1);
            i += 1 + static_cast<size_t>(keys);
        }
    }

    std::vector<std::string_view> lines_;
};

// Where the object file of a scene is: a full path as it is; a relative one in the content
// directory, else beside the scene or in the folder above it (the usual content layout), else
// by its name alone in either place. When none exists the content directory's path is used,
// and the object reader asks for the file.
std::string ObjectPath(const std::string& argument, const std::string& scene_path) {
    const bool full = (argument.size() > 1 && argument[1] == ':') || argument.starts_with('/');
    if (full) return platform::LocalPath(argument);
    const std::string relative = platform::LocalPath(argument);
    const std::string base = platform::BaseName(argument);
    const std::string content = ObjectsDirectory();
    const std::string scene = platform::LocalPath(scene_path);
    const std::string dir = scene.substr(0, scene.size() - platform::BaseName(scene).size());
    const std::string here = dir.empty() ? std::string(".") : dir;
    const std::string above = platform::JoinPath(here, "..");
    for (const std::string& c :
         {platform::JoinPath(content, relative), platform::JoinPath(here, relative),
          platform::JoinPath(above, relative), platform::JoinPath(content, base),
          platform::JoinPath(here, base)}) {
        if (platform::CanReadFile(c.c_str())) return c;
    }
    return platform::JoinPath(content, relative);
}

// The object path of an object line: what follows the keyword; for "LoadObjectLayer" the
// layer number and, in later versions, an item number come first.
std::string ObjectArgument(std::string_view rest, bool layer) {
    rest = reader::Trim(rest);
    if (layer) {
        std::string_view after = rest;
        NextToken(&after);  // the layer
        rest = reader::TrimLeft(after);
        std::string_view after_id = rest;
        const std::string_view id = NextToken(&after_id);
        bool hex = id.size() == 8;
        for (char c : id) hex = hex && std::isxdigit(static_cast<unsigned char>(c));
        if (hex && !reader::Trim(after_id).empty()) rest = reader::Trim(after_id);
    }
    return std::string(rest);
}

void Place(Body* b, const Key& k) {
    const float* v = k.value;
    b->pos = Vector(v[0], v[1], v[2]);
    b->rot = Vector(v[4], v[3], v[5]);  // pitch, heading, bank
    b->scale = Vector(v[6], v[7], v[8]);
    b->StoreRest();
    b->UpdateMatrix();
}

}  // namespace

bool LoadLwsScene(const char* file) {
    const std::string path = file ? file : "";
    platform::FileView bytes;
    if (!bytes.Open(path.c_str())) {
        reader::Refuse("Error reading file");
        return false;
    }
    const Scene scene(bytes);
    if (scene[0].substr(0, 4) != "LWSC") {
        reader::Refuse("No valid LWS file");
        return false;
    }
    int version = 1;
    if (!reader::LeadingInt(scene[1], &version)) version = 1;
    int nulls = 0;
    bool read_all = true;
    for (size_t i = 1; i < scene.size(); ++i) {
        std::string_view rest = scene[i];
        const std::string_view keyword = NextToken(&rest);
        const bool layer = Is(keyword, "LoadObjectLayer");
        if (layer || Is(keyword, "LoadObject")) {
            const std::string argument = ObjectArgument(rest, layer);
            const std::string object_path = ObjectPath(argument, path);
            Body* b = CreaBody();
            if (!b->LoadLwo(object_path.c_str(), platform::BaseName(argument).c_str())) {
                delete b;
                read_all = false;
                break;
            }
            Place(b, scene.MotionKey(i, version));
            b->UpdateWorld();
            scene_reader::Present(b, false);
        } else if (Is(keyword, "AddNullObject")) {
            ++nulls;
            Body* b = CreaBody();
            b->format = kFormatLwsNull;
            for (char* text : {b->name, b->label, b->path}) platform::CopyText(text, 256, "Null");
            MakeLabelsUnique(b, 0);
            Place(b, scene.MotionKey(i, version));
            scene_reader::Present(b, false);
        }
    }
    return read_all;
}
