#pragma once

#include <cstdint>
#include <string>

#include "export.h"

// Dialogs built from templates, with controls addressed by integer ids and a dialog procedure
// that receives initialisation, commands and user messages. Panel logic and plug-in parameter
// windows are written once against this interface; the desktop application supplies real
// widgets, and the headless back end (batch runs, tests) keeps each control's state.

namespace platform {

enum class ControlKind : int {
    Edit = 1,
    CheckBox = 2,
    RadioButton = 3,
    PushButton = 4,
    Static = 5,
    ListBox = 6,
    Slider = 7,
    GroupBox = 8,
};

// Style bits of a control. The values are the classic ones, which stored templates carry.
enum ControlStyle : unsigned {
    kStyleMultiline = 0x0004,  // edit field: several lines of text (reports, descriptions)
    kStyleHScroll = 0x0080,    // multiline field whose lines scroll sideways rather than wrap
    kStyleNoDrag = 0x0400,    // numeric field that never changes by dragging
    kStyleReadOnly = 0x0800,  // edit field the user cannot type into
    kStyleNumber = 0x2000,    // integer field
    kStyleGroup = 0x20000,    // first control of a group (Tab moves within a group)
    kStyleDisabled = 0x8000000,
    kStyleHidden = 0x40000000,  // created invisible
};

struct ControlTemplate {
    int id;
    ControlKind kind;
    const char* caption;
    int x, y, width, height;  // dialog units
    unsigned style;
};

// A rectangle in dialog units: a control's within its dialog, a dialog's within its parent.
struct Rect {
    int x, y, width, height;
    int Bottom() const { return y + height; }
};

struct DialogTemplate {
    const char* title;
    int width, height;
    const ControlTemplate* controls;
    int count;
};

// Messages a dialog procedure receives.
constexpr unsigned kMsgInitDialog = 0x0110;  // lparam: the creation parameter
constexpr unsigned kMsgCommand = 0x0111;     // wparam: MakeCommand(control id, notification)
constexpr unsigned kMsgClose = 0x0010;
constexpr unsigned kMsgUser = 0x0400;        // private messages are kMsgUser + n

// Notification codes carried by kMsgCommand.
constexpr int kNotifyClicked = 0;
constexpr int kNotifySelChange = 1;
constexpr int kNotifySetFocus = 0x0100;
constexpr int kNotifyKillFocus = 0x0200;

// Standard command ids of dialog buttons.
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

constexpr uintptr_t MakeCommand(int id, int code) {
    return (static_cast<uintptr_t>(code & 0xFFFF) << 16) | static_cast<uintptr_t>(id & 0xFFFF);
}
constexpr int CommandId(uintptr_t wparam) { return static_cast<int>(wparam & 0xFFFF); }
constexpr int CommandCode(uintptr_t wparam) { return static_cast<int>((wparam >> 16) & 0xFFFF); }

class Dialog;
using DialogProc = intptr_t (*)(Dialog* dialog, unsigned msg, uintptr_t wparam, intptr_t lparam);

// A live dialog. Operations on an id the dialog does not have do nothing and read as empty.
class UNDALINE_API Dialog {
public:
    virtual ~Dialog();

    virtual bool HasControl(int id) const = 0;
    virtual unsigned Style(int id) const = 0;
    // Kind of a control; ControlKind::Static for an unknown id.
    virtual ControlKind Kind(int id) const = 0;

    virtual std::string GetText(int id) const = 0;
    virtual void SetText(int id, const std::string& text) = 0;
    virtual bool IsChecked(int id) const = 0;
    virtual void SetCheck(int id, bool checked) = 0;
    virtual bool IsEnabled(int id) const = 0;
    virtual void Enable(int id, bool enabled) = 0;
    virtual bool IsVisible(int id) const = 0;
    virtual void Show(int id, bool visible) = 0;
    // Image of a button, by icon resource number (0: none).
    virtual int GetImage(int id) const = 0;
    virtual void SetImage(int id, int resource) = 0;

    // List boxes. Indices count from 0; -1 means no selection.
    virtual int ListAdd(int id, const std::string& text) = 0;
    virtual int ListInsert(int id, int index, const std::string& text) = 0;
    virtual void ListDelete(int id, int index) = 0;
    virtual void ListClear(int id) = 0;
    virtual int ListCount(int id) const = 0;
    virtual std::string ListText(int id, int index) const = 0;
    virtual int ListSelection(int id) const = 0;
    virtual void ListSelect(int id, int index) = 0;

    // Sliders.
    virtual void SliderSetRange(int id, int minimum, int maximum) = 0;
    virtual void SliderRange(int id, int* minimum, int* maximum) const = 0;
    virtual int SliderPos(int id) const = 0;
    virtual void SliderSetPos(int id, int pos) = 0;

    // Keyboard focus; 0 when no control of this dialog has it.
    virtual int Focus() const = 0;
    virtual void SetFocus(int id) = 0;

    // Calls the dialog procedure at once and returns its answer.
    virtual intptr_t Send(unsigned msg, uintptr_t wparam, intptr_t lparam) = 0;

    virtual void SetUserData(intptr_t data) = 0;
    virtual intptr_t UserData() const = 0;
    virtual Dialog* Parent() const = 0;
    virtual void Repaint() = 0;
    virtual bool IsOpen() const = 0;
    // Closes the window; the object stays valid until DestroyDialog.
    virtual void Close() = 0;

    // Later additions; appended so that the operations above keep their places.

    // Per-item data of a list box (0 for none); it moves with its item on insert and delete.
    virtual void ListSetData(int id, int index, intptr_t data) = 0;
    virtual intptr_t ListData(int id, int index) const = 0;

    // Geometry. A control's rectangle comes from its template; an unknown id gives all zeros.
    // The dialog starts at (0, 0) of its parent with the template's size.
    virtual Rect ControlRect(int id) const = 0;
    virtual Rect WindowRect() const = 0;
    virtual void MoveWindow(int x, int y) = 0;

    // Visibility of the whole window (panels swap parameter windows by hiding and showing).
    virtual void ShowWindow(bool visible) = 0;
    virtual bool IsWindowVisible() const = 0;
};

// Creates a dialog from a template through the installed back end, then sends it
// kMsgInitDialog with param. Null when the template is null or the back end fails.
UNDALINE_API Dialog* CreateDialog(const DialogTemplate* tmpl, DialogProc proc, Dialog* parent,
                                  intptr_t param = 0);
UNDALINE_API void DestroyDialog(Dialog* dialog);

// The desktop application installs its own factory; null restores the headless one.
using DialogFactory = Dialog* (*)(const DialogTemplate* tmpl, DialogProc proc, Dialog* parent);
UNDALINE_API void SetDialogFactory(DialogFactory factory);
UNDALINE_API Dialog* CreateHeadlessDialog(const DialogTemplate* tmpl, DialogProc proc,
                                          Dialog* parent);

// What a user does to a dialog, as the dialog procedure sees it. A click toggles a check box
// and checks a radio button before the procedure hears of it, as real ones do.
UNDALINE_API intptr_t ClickControl(Dialog* dialog, int id);
// Types text into a field and moves the focus away, which makes panels read the field.
UNDALINE_API intptr_t TypeIntoField(Dialog* dialog, int id, const std::string& text);
UNDALINE_API intptr_t SelectListItem(Dialog* dialog, int id, int index);

}  // namespace platform
