// The object panel's commands and its list of objects.
#include "objects/body.h"
#include "objects/object_files.h"
#include "objects/object_panel.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "platform/ui_hooks.h"
#include "scene/axes.h"
#include "scene/undo.h"

namespace {

int ItemOf(const Body* b) {
    platform::Dialog* panel = ObjectPanel();
    if (!panel || !b) return -1;
    const int n = panel->ListCount(kIdObjectList);
    for (int i = 0; i < n; ++i) {
        if (panel->ListData(kIdObjectList, i) == reinterpret_cast<intptr_t>(b)) return i;
    }
    return -1;
}

}  // namespace

void AddBodyToList(Body* b, bool select) {
    platform::Dialog* panel = ObjectPanel();
    if (!panel || !b || ItemOf(b) >= 0) return;
    const int item = panel->ListAdd(kIdObjectList, b->label);
    panel->ListSetData(kIdObjectList, item, reinterpret_cast<intptr_t>(b));
    if (select) panel->ListSelect(kIdObjectList, item);
}

void RemoveBodyFromList(const Body* b) {
    const int item = ItemOf(b);
    if (item >= 0) ObjectPanel()->ListDelete(kIdObjectList, item);
}

void RelabelBodyInList(const Body* b) {
    const int item = ItemOf(b);
    if (item < 0) return;
    platform::Dialog* panel = ObjectPanel();
    const bool selected = panel->ListSelection(kIdObjectList) == item;
    panel->ListDelete(kIdObjectList, item);
    panel->ListInsert(kIdObjectList, item, b->label);
    panel->ListSetData(kIdObjectList, item, reinterpret_cast<intptr_t>(b));
    if (selected) panel->ListSelect(kIdObjectList, item);
}

void ClearBodyList() {
    if (platform::Dialog* panel = ObjectPanel()) panel->ListClear(kIdObjectList);
}

Body* ImportObject() {
    const std::string path = platform::OpenFileDialog(
        "Import Object", ImportObjectFilter(axis_mode), ObjectsDirectory().c_str());
    if (path.empty()) return nullptr;
    return ImportObjectFile(path.c_str());
}

Body* ImportObjectFile(const char* path) {
    const int type = FileTypeOfPath(path);
    if (type != kTypeAsc && type != kTypeLwo && type != kTypeObj && type != kTypeDxf) {
        return nullptr;
    }
    Body* b = CreaBody();
    const std::string name = platform::BaseName(path);
    if (!LoadObjectFile(b, type, path, name.c_str()) || (b->nverts > 0 && b->nfaces == 0)) {
        delete b;  // it was never labelled, linked or selected
        return nullptr;
    }
    b->listed = 1;
    AddBodyToList(b, true);
    selnodo = b;
    ShowObjectPanel(b);
    const NodeTransform now = CaptureTransform(*b);
    RecordUndo(b, kUndoDaemonAdded, now);
    RecordUndo(b, kUndoTransform, now);
    platform::MarkSceneChanged();
    platform::RequestRepaint();
    return b;
}

void RemoveSelectedBody() {
    Body* b = PanelBody();
    if (!b) return;
    if (b->origin == kOriginSceneData) {
        platform::MessageBox("Objects included in a SD scene cannot be deleted");
        return;
    }
    RemoveBody(b);
}

void RemoveAllBodiesCommand() {
    if (!rootbody.next) return;
    if (platform::MessageBox("All objects will be removed. Continue?", "Undaline",
                             platform::kIconQuestion,
                             platform::kButtonsYesNo) != platform::kAnswerYes) {
        return;
    }
    platform::MarkSceneChanged();
    RemoveAllBodies();
}
