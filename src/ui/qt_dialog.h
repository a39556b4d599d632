#pragma once

#include <QWidget>

#include <map>
#include <vector>

#include "platform/dialog.h"

class QButtonGroup;

namespace ui {

// The dialog layer's real windows: each template control becomes a widget (edit fields
// become numeric fields, sliders get their range window), and what the user does reaches the
// dialog procedure as the same messages the headless back end sends.
class QtDialog : public QWidget, public platform::Dialog {
    Q_OBJECT

public:
    QtDialog(const platform::DialogTemplate* tmpl, platform::DialogProc proc, platform::Dialog* parent);
    ~QtDialog() override;

    bool HasControl(int id) const override;
    unsigned Style(int id) const override;
    platform::ControlKind Kind(int id) const override;
    std::string GetText(int id) const override;
    void SetText(int id, const std::string& text) override;
    bool IsChecked(int id) const override;
    void SetCheck(int id, bool checked) override;
    bool IsEnabled(int id) const override;
    void Enable(int id, bool enabled) override;
    bool IsVisible(int id) const override;
    void Show(int id, bool visible) override;
    int GetImage(int id) const override;
    void SetImage(int id, int resource) override;
    int ListAdd(int id, const std::string& text) override;
    int ListInsert(int id, int index, const std::string& text) override;
    void ListDelete(int id, int index) override;
    void ListClear(int id) override;
    int ListCount(int id) const override;
    std::string ListText(int id, int index) const override;
    int ListSelection(int id) const override;
    void ListSelect(int id, int index) override;
    void SliderSetRange(int id, int minimum, int maximum) override;
    void SliderRange(int id, int* minimum, int* maximum) const override;
    int SliderPos(int id) const override;
    void SliderSetPos(int id, int pos) override;
    int Focus() const override;
    void SetFocus(int id) override;
    intptr_t Send(unsigned msg, uintptr_t wparam, intptr_t lparam) override;
    void SetUserData(intptr_t data) override { user_data_ = data; }
    intptr_t UserData() const override { return user_data_; }
    platform::Dialog* Parent() const override { return parent_; }
    void Repaint() override { update(); }
    bool IsOpen() const override { return open_; }
    void Close() override;
    void ListSetData(int id, int index, intptr_t data) override;
    intptr_t ListData(int id, int index) const override;
    platform::Rect ControlRect(int id) const override;
    platform::Rect WindowRect() const override;
    void MoveWindow(int x, int y) override;
    void ShowWindow(bool visible) override;
    // Shown, as far as the dialog itself goes (an embedded one is also hidden with its panel).
    bool IsWindowVisible() const override { return !isHidden(); }

    // A dialog that lives inside another widget (a dock's panel) instead of in a window of its
    // own; it gets kMsgInitDialog as a created one does.
    static QtDialog* CreateEmbedded(const platform::DialogTemplate* tmpl, platform::DialogProc proc,
                                    QWidget* parent);
    // Grows (or shrinks back) to hold its template and the child dialogs shown in it.
    void FitToChildren();

    // The control widget of id (null for none).
    QWidget* ControlWidget(int id) const;
    // The edit field after id in its group (wrapping round), for Tab.
    int NextFieldInGroup(int id) const;

    // Pixels per dialog unit, from the interface font.
    static double UnitX();
    static double UnitY();

protected:
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    struct ControlState {
        platform::ControlKind kind;
        unsigned style;
        QWidget* widget;
        platform::Rect rect;
        int image = 0;
        int group = 0;  // index of the group (a control with the group style starts one)
        std::vector<intptr_t> item_data;
    };
    const ControlState* Find(int id) const;
    ControlState* Find(int id);
    void Notify(int id, int code);

    platform::DialogProc proc_;
    platform::Dialog* parent_;
    std::map<int, ControlState> controls_;
    std::vector<int> order_;  // ids in template order
    intptr_t user_data_ = 0;
    bool open_ = true;
    platform::Rect rect_;
    QSize template_size_;
};

// Installs the factory so every dialog of the program gets real widgets. Top-level dialogs
// become tool windows of owner.
void InstallQtDialogs(QWidget* owner);
// The window that Enter and a finished drag hand the focus to (the main window).
QWidget* FocusHome();
// Keeps a dialog in front, the rest of the program waiting, until it closes: the desktop's
// way of running a modal dialog of the dialog layer.
void RunModalQtDialog(platform::Dialog* dialog);

}  // namespace ui
