// The "Import scene" command: the file dialog, the options dialog, what the chosen option does
// to the scene, and the reader of the file's type.
#include "objects/scene_import.h"

#include <string>

#include "objects/body.h"
#include "objects/object_files.h"
#include "objects/object_panel.h"
#include "objects/scene_data.h"
#include "objects/scene_reader_private.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "platform/modal.h"
#include "platform/ui_hooks.h"
#include "scene/axes.h"
#include "scene/undo.h"

namespace {

using platform::ControlKind;

const platform::ControlTemplate kControls[] = {
    {0, ControlKind::GroupBox, "Action before loading the scene", 6, 4, 168, 58, 0},
    {kIdSceneAdd, ControlKind::RadioButton, "Add new objects to the scene", 14, 16, 150, 10,
     platform::kStyleGroup},
    {kIdSceneReplace, ControlKind::RadioButton, "Replace current objects", 14, 30, 150, 10, 0},
    {kIdSceneReset, ControlKind::RadioButton, "Reset workspace", 14, 44, 150, 10, 0},
    {platform::kIdOk, ControlKind::PushButton, "OK", 40, 68, 50, 14, 0},
    {platform::kIdCancel, ControlKind::PushButton, "Cancel", 96, 68, 50, 14, 0},
};
const platform::DialogTemplate kTemplate = {
    "Import scene options", 180, 88, kControls,
    static_cast<int>(sizeof kControls / sizeof kControls[0])};

struct Choice {
    int id;
    int choice;
};
constexpr Choice kChoices[] = {
    {kIdSceneAdd, kSceneAdd}, {kIdSceneReplace, kSceneReplace}, {kIdSceneReset, kSceneReset}};

constexpr const char* kSceneFilter =
    "All scene formats|*.lws;*.sd;*.ase;*.3ds|Undaline Scene Data (*.sd)|*.sd|Lightwave Scene "
    "(*.lws)|*.lws|3D Studio scene (*.3ds)|*.3ds|3DS MAX ascii scene (*.ase)|*.ase|";

bool (*g_new_workspace)() = nullptr;
void (*g_platform_shown)(int) = nullptr;

int* ChoiceOf(platform::Dialog* d) {
    return reinterpret_cast<int*>(d->UserData());
}

int Checked(const platform::Dialog* d) {
    for (const Choice& c : kChoices) {
        if (d->IsChecked(c.id) && d->IsEnabled(c.id)) return c.choice;
    }
    return kSceneReset;
}

}  // namespace

namespace scene_reader {

void Present(Body* b, bool panel) {
    b->listed = 1;
    AddBodyToList(b, true);
    if (!panel) return;
    selnodo = b;
    ShowObjectPanel(b);
    RecordUndo(b, kUndoTransform, CaptureTransform(*b));
}

}  // namespace scene_reader

const platform::DialogTemplate* SceneOptionsTemplate() {
    return &kTemplate;
}

intptr_t SceneOptionsProc(platform::Dialog* d, unsigned msg, uintptr_t wparam, intptr_t lparam) {
    if (msg == platform::kMsgInitDialog) {
        d->SetUserData(lparam);
        d->SetCheck(kIdSceneReset, true);
        return 1;
    }
    int* choice = ChoiceOf(d);
    if (msg == platform::kMsgClose) {
        if (choice) *choice = kSceneCancel;
        d->Close();
        return 1;
    }
    if (msg != platform::kMsgCommand || platform::CommandCode(wparam) != platform::kNotifyClicked) {
        return 0;
    }
    const int id = platform::CommandId(wparam);
    for (const Choice& c : kChoices) {
        if (c.id != id) continue;
        // One choice at a time, whatever the window does with its radio buttons.
        for (const Choice& other : kChoices) d->SetCheck(other.id, other.id == id);
        return 1;
    }
    if (id == platform::kIdOk || id == platform::kIdCancel) {
        if (choice) *choice = id == platform::kIdOk ? Checked(d) : kSceneCancel;
        d->Close();
        return 1;
    }
    return 0;
}

int AskSceneImportOptions(bool scene_data) {
    int choice = -1;
    platform::Dialog* d = platform::CreateDialog(&kTemplate, SceneOptionsProc, nullptr,
                                                 reinterpret_cast<intptr_t>(&choice));
    if (!d) return kSceneCancel;
    if (scene_data) d->Enable(kIdSceneAdd, false);
    platform::RunModal(d);
    // Nobody answered (no window to answer in): the preselected choice stands.
    if (choice < 0) choice = Checked(d);
    platform::DestroyDialog(d);
    return choice;
}

void SetNewWorkspaceHandler(bool (*handler)()) {
    g_new_workspace = handler;
}

void SetPlatformShownHook(void (*hook)(int)) {
    g_platform_shown = hook;
}

void SwitchHostPlatform(int platform) {
    ApplyPlatform(platform);
    if (g_platform_shown) g_platform_shown(host_platform);
}

bool ImportScene() {
    const std::string path =
        platform::OpenFileDialog("Import Scene", kSceneFilter, ObjectsDirectory().c_str());
    if (path.empty()) return false;
    return ImportSceneFile(path.c_str());
}

bool ImportSceneFile(const char* path) {
    const int type = FileTypeOfPath(path);
    if (type != kTypeLws && type != kTypeSd && type != kTypeAse && type != kType3ds) {
        platform::MessageBox("Unknown file format", "Undaline", platform::kIconError);
        return false;
    }
    const int choice = AskSceneImportOptions(type == kTypeSd);
    if (choice == kSceneCancel) return false;
    if (choice == kSceneReplace) {
        RemoveAllBodies();
    } else if (choice == kSceneReset) {
        if (!g_new_workspace || !g_new_workspace()) return false;
    }

    // A scene read into an empty list brings its package's axes with it. A file that gives
    // nothing leaves the axes as they were.
    const int old_platform = host_platform, old_plane = flag_plane;
    const bool empty = rootbody.next == nullptr;
    const int count = CountBodies();
    if (empty && type == kTypeLws) SwitchHostPlatform(kPlatformLightwave);
    if (empty && (type == kTypeAse || type == kType3ds)) SwitchHostPlatform(kPlatformMax);
    bool ok = false;
    switch (type) {
        case kTypeLws:
            ok = LoadLwsScene(path);
            break;
        case kTypeSd:
            ok = ImportSceneData(path);
            break;
        case kTypeAse:
            ok = LoadAseScene(path);
            break;
        default:
            ok = Load3dsScene(path);
            break;
    }
    if (CountBodies() == count && host_platform != old_platform) {
        SwitchHostPlatform(old_platform);
        flag_plane = old_plane;
    }
    platform::MarkSceneChanged();
    platform::RequestRepaint();
    return ok;
}
