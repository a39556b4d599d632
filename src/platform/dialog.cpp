#include "platform/dialog.h"

#include <atomic>
#include <map>
#include <vector>

namespace platform {
namespace {

struct ControlState {
    ControlKind kind = ControlKind::Static;
    unsigned style = 0;
    std::string text;
    bool checked = false;
    bool enabled = true;
    bool visible = true;
    int image = 0;
    std::vector<std::string> items;
    std::vector<intptr_t> item_data;
    int selection = -1;
    Rect rect{0, 0, 0, 0};
    int range_min = 0;
    int range_max = 100;
    int pos = 0;
};

// Keeps every control's state in memory; what a real window would show is what it holds.
class HeadlessDialog : public Dialog {
public:
    HeadlessDialog(const DialogTemplate* tmpl, DialogProc proc, Dialog* parent)
        : proc_(proc), parent_(parent), rect_{0, 0, tmpl->width, tmpl->height} {
        for (int i = 0; i < tmpl->count; ++i) {
            const ControlTemplate& c = tmpl->controls[i];
            ControlState& s = controls_[c.id];
            s.kind = c.kind;
            s.style = c.style;
            s.text = c.caption ? c.caption : "";
            s.enabled = (c.style & kStyleDisabled) == 0;
            s.visible = (c.style & kStyleHidden) == 0;
            s.rect = Rect{c.x, c.y, c.width, c.height};
        }
    }

    bool HasControl(int id) const override { return controls_.count(id) != 0; }
    ControlKind Kind(int id) const override {
        const ControlState* s = Find(id);
        return s ? s->kind : ControlKind::Static;
    }
    unsigned Style(int id) const override {
        const ControlState* s = Find(id);
        return s ? s->style : 0;
    }

    std::string GetText(int id) const override {
        const ControlState* s = Find(id);
        return s ? s->text : std::string();
    }
    void SetText(int id, const std::string& text) override {
        if (ControlState* s = Find(id)) s->text = text;
    }
    bool IsChecked(int id) const override {
        const ControlState* s = Find(id);
        return s && s->checked;
    }
    void SetCheck(int id, bool checked) override {
        if (ControlState* s = Find(id)) s->checked = checked;
    }
    bool IsEnabled(int id) const override {
        const ControlState* s = Find(id);
        return s && s->enabled;
    }
    void Enable(int id, bool enabled) override {
        if (ControlState* s = Find(id)) s->enabled = enabled;
    }
    bool IsVisible(int id) const override {
        const ControlState* s = Find(id);
        return s && s->visible;
    }
    void Show(int id, bool visible) override {
        if (ControlState* s = Find(id)) s->visible = visible;
    }
    int GetImage(int id) const override {
        const ControlState* s = Find(id);
        return s ? s->image : 0;
    }
    void SetImage(int id, int resource) override {
        if (ControlState* s = Find(id)) s->image = resource;
    }

    int ListAdd(int id, const std::string& text) override {
        ControlState* s = Find(id);
        if (!s) return -1;
        s->items.push_back(text);
        s->item_data.push_back(0);
        return static_cast<int>(s->items.size()) - 1;
    }
    int ListInsert(int id, int index, const std::string& text) override {
        ControlState* s = Find(id);
        if (!s) return -1;
        int n = static_cast<int>(s->items.size());
        if (index < 0 || index > n) index = n;
        s->items.insert(s->items.begin() + index, text);
        s->item_data.insert(s->item_data.begin() + index, 0);
        if (s->selection >= index) ++s->selection;
        return index;
    }
    void ListDelete(int id, int index) override {
        ControlState* s = Find(id);
        if (!s || index < 0 || index >= static_cast<int>(s->items.size())) return;
        s->items.erase(s->items.begin() + index);
        s->item_data.erase(s->item_data.begin() + index);
        if (s->selection == index) {
            s->selection = -1;
        } else if (s->selection > index) {
            --s->selection;
        }
    }
    void ListClear(int id) override {
        if (ControlState* s = Find(id)) {
            s->items.clear();
            s->item_data.clear();
            s->selection = -1;
        }
    }
    int ListCount(int id) const override {
        const ControlState* s = Find(id);
        return s ? static_cast<int>(s->items.size()) : 0;
    }
    std::string ListText(int id, int index) const override {
        const ControlState* s = Find(id);
        if (!s || index < 0 || index >= static_cast<int>(s->items.size())) return std::string();
        return s->items[static_cast<size_t>(index)];
    }
    int ListSelection(int id) const override {
        const ControlState* s = Find(id);
        return s ? s->selection : -1;
    }
    void ListSelect(int id, int index) override {
        ControlState* s = Find(id);
        if (!s) return;
        s->selection = (index >= 0 && index < static_cast<int>(s->items.size())) ? index : -1;
    }

    void SliderSetRange(int id, int minimum, int maximum) override {
        ControlState* s = Find(id);
        if (!s) return;
        s->range_min = minimum;
        s->range_max = maximum;
        if (s->pos < minimum) s->pos = minimum;
        if (s->pos > maximum) s->pos = maximum;
    }
    void SliderRange(int id, int* minimum, int* maximum) const override {
        const ControlState* s = Find(id);
        if (minimum) *minimum = s ? s->range_min : 0;
        if (maximum) *maximum = s ? s->range_max : 0;
    }
    int SliderPos(int id) const override {
        const ControlState* s = Find(id);
        return s ? s->pos : 0;
    }
    void SliderSetPos(int id, int pos) override {
        ControlState* s = Find(id);
        if (!s) return;
        if (pos < s->range_min) pos = s->range_min;
        if (pos > s->range_max) pos = s->range_max;
        s->pos = pos;
    }

    int Focus() const override { return focus_; }
    void SetFocus(int id) override { focus_ = HasControl(id) ? id : 0; }

    intptr_t Send(unsigned msg, uintptr_t wparam, intptr_t lparam) override {
        return proc_ ? proc_(this, msg, wparam, lparam) : 0;
    }

    void SetUserData(intptr_t data) override { user_data_ = data; }
    intptr_t UserData() const override { return user_data_; }
    Dialog* Parent() const override { return parent_; }
    void Repaint() override {}
    bool IsOpen() const override { return open_; }
    void Close() override { open_ = false; }

    void ListSetData(int id, int index, intptr_t data) override {
        ControlState* s = Find(id);
        if (!s || index < 0 || index >= static_cast<int>(s->item_data.size())) return;
        s->item_data[static_cast<size_t>(index)] = data;
    }
    intptr_t ListData(int id, int index) const override {
        const ControlState* s = Find(id);
        if (!s || index < 0 || index >= static_cast<int>(s->item_data.size())) return 0;
        return s->item_data[static_cast<size_t>(index)];
    }

    Rect ControlRect(int id) const override {
        const ControlState* s = Find(id);
        return s ? s->rect : Rect{0, 0, 0, 0};
    }
    Rect WindowRect() const override { return rect_; }
    void MoveWindow(int x, int y) override {
        rect_.x = x;
        rect_.y = y;
    }
    void ShowWindow(bool visible) override { shown_ = visible; }
    bool IsWindowVisible() const override { return shown_; }

private:
    ControlState* Find(int id) {
        auto it = controls_.find(id);
        return it == controls_.end() ? nullptr : &it->second;
    }
    const ControlState* Find(int id) const {
        auto it = controls_.find(id);
        return it == controls_.end() ? nullptr : &it->second;
    }

    DialogProc proc_;
    Dialog* parent_;
    std::map<int, ControlState> controls_;
    intptr_t user_data_ = 0;
    int focus_ = 0;
    bool open_ = true;
    Rect rect_;
    bool shown_ = true;
};

std::atomic<DialogFactory> g_factory{nullptr};

}  // namespace

Dialog::~Dialog() = default;

Dialog* CreateHeadlessDialog(const DialogTemplate* tmpl, DialogProc proc, Dialog* parent) {
    if (!tmpl || tmpl->count < 0 || (tmpl->count > 0 && !tmpl->controls)) return nullptr;
    return new HeadlessDialog(tmpl, proc, parent);
}

void SetDialogFactory(DialogFactory factory) { g_factory.store(factory); }

Dialog* CreateDialog(const DialogTemplate* tmpl, DialogProc proc, Dialog* parent, intptr_t param) {
    if (!tmpl) return nullptr;
    DialogFactory factory = g_factory.load();
    Dialog* dialog = factory ? factory(tmpl, proc, parent) : CreateHeadlessDialog(tmpl, proc, parent);
    if (dialog) dialog->Send(kMsgInitDialog, 0, param);
    return dialog;
}

void DestroyDialog(Dialog* dialog) { delete dialog; }

intptr_t ClickControl(Dialog* dialog, int id) {
    if (!dialog || !dialog->IsEnabled(id)) return 0;
    switch (dialog->Kind(id)) {
        case ControlKind::CheckBox:
            dialog->SetCheck(id, !dialog->IsChecked(id));
            break;
        case ControlKind::RadioButton:
            dialog->SetCheck(id, true);
            break;
        default:
            break;
    }
    return dialog->Send(kMsgCommand, MakeCommand(id, kNotifyClicked), 0);
}

intptr_t TypeIntoField(Dialog* dialog, int id, const std::string& text) {
    if (!dialog || !dialog->IsEnabled(id)) return 0;
    dialog->SetFocus(id);
    dialog->SetText(id, text);
    dialog->SetFocus(0);
    return dialog->Send(kMsgCommand, MakeCommand(id, kNotifyKillFocus), 0);
}

intptr_t SelectListItem(Dialog* dialog, int id, int index) {
    if (!dialog || !dialog->IsEnabled(id)) return 0;
    dialog->ListSelect(id, index);
    return dialog->Send(kMsgCommand, MakeCommand(id, kNotifySelChange), 0);
}

}  // namespace platform
