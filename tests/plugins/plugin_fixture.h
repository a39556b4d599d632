#pragma once

// A temporary plug-ins directory filled with libraries the test build made, and the two
// panels that parameter windows are created in.

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <filesystem>
#include <string>

#include "byte_builder.h"

#include "platform/dialog.h"
#include "platform/dynamic_library.h"
#include "platform/message_box.h"
#include "plugins/loader.h"
#include "plugins/registry.h"
#include "scene/creador.h"
#include "scene/daemon_panel.h"
#include "scene/descriptor.h"
#include "scene/scene.h"

namespace fs = std::filesystem;

constexpr int kDaemonList = 5200;

inline const platform::ControlTemplate kDaemonPanelControls[] = {
    {kDaemonList, platform::ControlKind::ListBox, "", 0, 0, 100, 80, 0},
    {kIdDaemonWindowAnchor, platform::ControlKind::Static, "", 0, 90, 100, 10, 0},
};
inline const platform::DialogTemplate kDaemonPanel = {"Daemons", 120, 300, kDaemonPanelControls, 2};
inline const platform::ControlTemplate kEmitterPanelControls[] = {
    {kIdEmitterWindowAnchor, platform::ControlKind::Static, "", 0, 30, 100, 20, 0},
};
inline const platform::DialogTemplate kEmitterPanel = {"Emitters", 120, 300, kEmitterPanelControls,
                                                       1};

class PluginTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetPluginsDirectory(dir.string());
        ResetScene();
        platform::ClearMessageBoxes();
        daemon_panel = platform::CreateDialog(&kDaemonPanel, ProcesaDaemonPanel, nullptr);
        emitter_panel = platform::CreateDialog(&kEmitterPanel, nullptr, nullptr);
        SetDaemonPanel(daemon_panel, kDaemonList);
        SetEmitterPanel(emitter_panel);
    }

    void TearDown() override {
        ResetScene();
        UnloadAllPlugins();
        EXPECT_EQ(RegistryLastIndex(), -1);
        SetDaemonPanel(nullptr, 0);
        SetEmitterPanel(nullptr);
        platform::DestroyDialog(daemon_panel);
        platform::DestroyDialog(emitter_panel);
        SetPluginsDirectory("");
    }

    // Copies a built library into the plug-ins directory under the name given.
    std::string Install(const char* built, const std::string& as) {
        fs::path to = dir / as;
        fs::copy_file(built, to, fs::copy_options::overwrite_existing);
        return to.string();
    }

    // Whether the process has the library loaded right now.
    static bool IsLoaded(const std::string& path) {
        void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (!h) return false;
        dlclose(h);
        return true;
    }

    // An export of a loaded library of the catalogue.
    template <class F>
    static F Export(const char* file, const char* name) {
        for (int i = 0; i < PluginLibraryCount(); ++i) {
            const PluginLibrary* lib = PluginLibraryAt(i);
            if (std::string(lib->file) == file && lib->module) {
                return reinterpret_cast<F>(platform::LibrarySymbol(lib->module, name));
            }
        }
        return nullptr;
    }

    TempDir scratch;
    const fs::path dir = scratch.path();
    platform::Dialog* daemon_panel = nullptr;
    platform::Dialog* emitter_panel = nullptr;
};
