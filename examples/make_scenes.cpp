// Builds the example scenes through the library and saves them as workspaces.
//
//   make_scenes [OUTPUT_DIR [PLUGINS_DIR]]
//
// OUTPUT_DIR defaults to the current directory; PLUGINS_DIR to plugins/ beside the program.
#include <cstdio>
#include <string>

#include "scenes/example_scenes.h"
#include "undaline.h"

int main(int argc, char** argv) {
    const std::string out = argc > 1 ? argv[1] : ".";
    SetPluginsDirectory(argc > 2 ? argv[2] : platform::JoinPath(platform::AppDir(), "plugins"));
    ScanPlugins();
    int count = 0;
    const ExampleScene* scenes = ExampleScenes(&count);
    int failed = 0;
    for (int i = 0; i < count; ++i) {
        std::string path = platform::JoinPath(out, std::string(scenes[i].name) + ".ulw");
        if (MakeExampleScene(scenes[i], path)) {
            std::printf("%s: %s\n", path.c_str(), scenes[i].summary);
        } else {
            ++failed;
        }
    }
    ResetScene();
    return failed ? 1 : 0;
}
