// The plug-ins manager: the catalogue's report and a rescan of the plug-ins directory.
#include "plugins/manager.h"

#include <cctype>

#include "fluid/fluido.h"
#include "platform/file_dialog.h"
#include "platform/format.h"
#include "platform/message_box.h"
#include "platform/ui_hooks.h"
#include "plugins/class_buttons.h"
#include "plugins/loader.h"
#include "scene/daemon.h"
#include "scene/descriptor.h"

namespace plugins_manager {

void DestroyCustomiseWindows();

namespace {

using platform::ControlKind;
using platform::ControlTemplate;

constexpr int kWidth = 480, kHeight = 260;

// The report takes the dialog's width less 20 and its height less 100.
const ControlTemplate kControls[] = {
    {kIdReport, ControlKind::Edit, "", 10, 10, kWidth - 20, kHeight - 100,
     platform::kStyleMultiline | platform::kStyleReadOnly | platform::kStyleHScroll},
    {0, ControlKind::Static, "Plug-ins directory", 10, kHeight - 82, 120, 10, 0},
    {kIdDirectory, ControlKind::Edit, "", 10, kHeight - 70, kWidth - 110, 12, platform::kStyleNoDrag},
    {kIdChooseDirectory, ControlKind::PushButton, "Choose directory...", kWidth - 94, kHeight - 71, 84, 14, 0},
    {kIdLoadPlugins, ControlKind::PushButton, "Load plugins", 10, kHeight - 46, 84, 14, 0},
    {kIdClose, ControlKind::PushButton, "CLOSE", kWidth - 94, kHeight - 24, 84, 14, 0},
};
const platform::DialogTemplate kTemplate = {"Plug-ins manager", kWidth, kHeight, kControls,
                                            static_cast<int>(sizeof kControls / sizeof kControls[0])};

platform::Dialog* g_manager = nullptr;
void (*g_rescan_hook)(const char* dir) = nullptr;

std::string Upper(const char* text) {
    std::string s = text;
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

const char* KindName(int kind) {
    if (kind == kClassDaemon) return "[Daemon]";
    if (kind == kClassEmitter) return "[Emitter]";
    return "*Unknown*";
}

}  // namespace

std::string PluginsReport() {
    std::string report;
    for (int i = 0; i < PluginLibraryCount(); ++i) {
        const PluginLibrary* lib = PluginLibraryAt(i);
        report += platform::Format("\r\n%s   version %.2f\r\n\r\n", Upper(lib->file).c_str(),
                                   static_cast<double>(lib->version));
        for (const std::string& reason : lib->rejected) {
            report += "\tClass could not be loaded due to:\r\n";
            report += platform::Format("\t%s\r\n\r\n", reason.c_str());
        }
        int j = 0;
        for (const PluginClass& c : lib->classes) {
            report += platform::Format("  [%2d] %20s -%10s v%4.2f - %s - %s - id %d\r\n", ++j, c.name, KindName(c.kind),
                                       static_cast<double>(c.version), c.details, c.stamp, c.class_id);
        }
    }
    return report;
}

bool LoadPlugins(const std::string& dir) {
    if (rootflow || FirstDaemon()) {
        platform::MessageBox(kMsgObjectsExist, "Undaline", platform::kIconError);
        return false;
    }
    {
        platform::WaitCursor wait;
        SetPluginsDirectory(dir.substr(0, 255));
        ScanPlugins();
        const int daemons = RefillClassButtons(kClassDaemon);
        const int emitters = RefillClassButtons(kClassEmitter);
        ClassButtonsChanged();
        if (g_rescan_hook) g_rescan_hook(PluginsDirectory().c_str());
        if (daemons == 0) platform::MessageBox(kMsgNoDaemons, "Undaline", platform::kIconExclamation);
        if (emitters == 0) platform::MessageBox(kMsgNoEmitters, "Undaline", platform::kIconExclamation);
    }
    return true;
}

void SetRescanHook(void (*hook)(const char* dir)) { g_rescan_hook = hook; }

const platform::DialogTemplate* ManagerTemplate() { return &kTemplate; }

intptr_t ManagerProc(platform::Dialog* d, unsigned msg, uintptr_t wparam, intptr_t) {
    if (msg == platform::kMsgInitDialog) {
        d->SetText(kIdReport, PluginsReport());
        d->SetText(kIdDirectory, PluginsDirectory());
        return 1;
    }
    if (msg == platform::kMsgClose) {
        d->Close();
        return 1;
    }
    if (msg != platform::kMsgCommand || platform::CommandCode(wparam) != platform::kNotifyClicked) return 0;
    switch (platform::CommandId(wparam)) {
        case kIdChooseDirectory: {
            const std::string chosen = platform::OpenFolderDialog("Plug-ins directory", d->GetText(kIdDirectory).c_str());
            if (!chosen.empty()) d->SetText(kIdDirectory, chosen);
            return 1;
        }
        case kIdLoadPlugins:
            if (!LoadPlugins(d->GetText(kIdDirectory))) return 1;
            d->SetText(kIdReport, PluginsReport());
            d->SetText(kIdDirectory, PluginsDirectory());
            return 1;
        case kIdClose:
        case platform::kIdCancel:
            d->Close();
            return 1;
        default:
            return 0;
    }
}

platform::Dialog* OpenManager() {
    if (g_manager && g_manager->IsOpen()) {
        g_manager->ShowWindow(true);
        return g_manager;
    }
    platform::DestroyDialog(g_manager);
    g_manager = platform::CreateDialog(&kTemplate, ManagerProc, nullptr);
    return g_manager;
}

void DestroyWindows() {
    platform::DestroyDialog(g_manager);
    g_manager = nullptr;
    DestroyCustomiseWindows();
}

}  // namespace plugins_manager
