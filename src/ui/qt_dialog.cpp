#include "ui/qt_dialog.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QKeyEvent>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

#include "ui/numeric_field.h"
#include "ui/slider_range.h"

namespace ui {
namespace {

QPointer<QWidget> g_owner;

int Px(double units, double scale) { return static_cast<int>(units * scale + 0.5); }

platform::Dialog* Create(const platform::DialogTemplate* tmpl, platform::DialogProc proc, platform::Dialog* parent) {
    if (!tmpl || tmpl->count < 0 || (tmpl->count > 0 && !tmpl->controls)) return nullptr;
    // Shown at once, as a created window is; callers that want it hidden hide it.
    auto* d = new QtDialog(tmpl, proc, parent);
    d->show();
    return d;
}

}  // namespace

double QtDialog::UnitX() { return QFontMetrics(QApplication::font()).averageCharWidth() / 4.0; }
double QtDialog::UnitY() { return QFontMetrics(QApplication::font()).height() / 8.0; }

void InstallQtDialogs(QWidget* owner) {
    g_owner = owner;
    platform::SetDialogFactory(Create);
}

QWidget* FocusHome() { return g_owner; }

void RunModalQtDialog(platform::Dialog* dialog) {
    auto* q = dynamic_cast<QtDialog*>(dialog);
    if (!q) return;
    q->hide();
    q->setWindowModality(Qt::ApplicationModal);
    q->show();
    q->raise();
    QEventLoop loop;
    while (q->IsOpen()) loop.processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents, 50);
}

QtDialog::QtDialog(const platform::DialogTemplate* tmpl, platform::DialogProc proc, platform::Dialog* parent)
    : QWidget(dynamic_cast<QtDialog*>(parent) ? static_cast<QWidget*>(dynamic_cast<QtDialog*>(parent))
                                               : static_cast<QWidget*>(g_owner.data())),
      proc_(proc),
      parent_(parent),
      rect_{0, 0, tmpl->width, tmpl->height} {
    if (!dynamic_cast<QtDialog*>(parent)) setWindowFlags(Qt::Tool);
    setWindowTitle(QString::fromUtf8(tmpl->title ? tmpl->title : ""));
    const double ux = UnitX(), uy = UnitY();
    template_size_ = QSize(Px(tmpl->width, ux), Px(tmpl->height, uy));
    setFixedSize(template_size_);
    int group = 0;
    QButtonGroup* radios = nullptr;
    for (int i = 0; i < tmpl->count; ++i) {
        const platform::ControlTemplate& c = tmpl->controls[i];
        if (c.style & platform::kStyleGroup) ++group;
        const QString caption = QString::fromUtf8(c.caption ? c.caption : "");
        QWidget* w = nullptr;
        const int id = c.id;
        switch (c.kind) {
            case platform::ControlKind::Edit:
                if (c.style & platform::kStyleMultiline) {
                    // Reports and descriptions: text to read, not a number to type.
                    auto* t = new QPlainTextEdit(this);
                    t->setReadOnly((c.style & platform::kStyleReadOnly) != 0);
                    if (c.style & platform::kStyleHScroll) {
                        // Lines kept whole are columns: they line up in a fixed font.
                        t->setLineWrapMode(QPlainTextEdit::NoWrap);
                        t->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
                    }
                    w = t;
                } else {
                    auto* e = new NumericField(this, id, c.style, this);
                    e->setReadOnly((c.style & platform::kStyleReadOnly) != 0);
                    w = e;
                }
                break;
            case platform::ControlKind::CheckBox: {
                auto* b = new QCheckBox(caption, this);
                connect(b, &QCheckBox::clicked, this, [this, id] { Notify(id, platform::kNotifyClicked); });
                w = b;
                break;
            }
            case platform::ControlKind::RadioButton: {
                auto* b = new QRadioButton(caption, this);
                if (!radios || (c.style & platform::kStyleGroup)) {
                    radios = new QButtonGroup(this);
                }
                radios->addButton(b);
                connect(b, &QRadioButton::clicked, this, [this, id] { Notify(id, platform::kNotifyClicked); });
                w = b;
                break;
            }
            case platform::ControlKind::PushButton: {
                auto* b = new QPushButton(caption, this);
                b->setAutoDefault(false);
                connect(b, &QPushButton::clicked, this, [this, id] { Notify(id, platform::kNotifyClicked); });
                w = b;
                break;
            }
            case platform::ControlKind::ListBox: {
                auto* l = new QListWidget(this);
                connect(l, &QListWidget::currentRowChanged, this, [this, id] { Notify(id, platform::kNotifySelChange); });
                w = l;
                break;
            }
            case platform::ControlKind::Slider: {
                auto* s = new RangeSlider(this, id, this);
                connect(s, &QSlider::valueChanged, this, [this, id] { Notify(id, platform::kNotifyClicked); });
                w = s;
                break;
            }
            case platform::ControlKind::GroupBox:
                w = new QGroupBox(caption, this);
                break;
            case platform::ControlKind::Static:
            default:
                w = new QLabel(caption, this);
                break;
        }
        w->setGeometry(Px(c.x, ux), Px(c.y, uy), Px(c.width, ux), Px(c.height, uy));
        if (c.kind == platform::ControlKind::GroupBox) w->lower();
        w->setEnabled((c.style & platform::kStyleDisabled) == 0);
        w->setVisible((c.style & platform::kStyleHidden) == 0);
        if (id == 0) continue;  // labels without an id are never addressed
        ControlState ctl{c.kind, c.style, w, platform::Rect{c.x, c.y, c.width, c.height}, 0, group, {}};
        if (!controls_.count(id)) order_.push_back(id);
        controls_[id] = ctl;
    }
}

QtDialog::~QtDialog() = default;

const QtDialog::ControlState* QtDialog::Find(int id) const {
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : &it->second;
}
QtDialog::ControlState* QtDialog::Find(int id) {
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : &it->second;
}

QWidget* QtDialog::ControlWidget(int id) const {
    const ControlState* c = Find(id);
    return c ? c->widget : nullptr;
}

void QtDialog::Notify(int id, int code) { Send(platform::kMsgCommand, platform::MakeCommand(id, code), 0); }

bool QtDialog::HasControl(int id) const { return Find(id) != nullptr; }
unsigned QtDialog::Style(int id) const { return Find(id) ? Find(id)->style : 0; }
platform::ControlKind QtDialog::Kind(int id) const {
    return Find(id) ? Find(id)->kind : platform::ControlKind::Static;
}

std::string QtDialog::GetText(int id) const {
    const ControlState* c = Find(id);
    if (!c) return {};
    if (auto* e = qobject_cast<QLineEdit*>(c->widget)) return e->text().toStdString();
    if (auto* t = qobject_cast<QPlainTextEdit*>(c->widget)) return t->toPlainText().toStdString();
    if (auto* b = qobject_cast<QAbstractButton*>(c->widget)) return b->text().toStdString();
    if (auto* l = qobject_cast<QLabel*>(c->widget)) return l->text().toStdString();
    if (auto* g = qobject_cast<QGroupBox*>(c->widget)) return g->title().toStdString();
    return {};
}

void QtDialog::SetText(int id, const std::string& text) {
    ControlState* c = Find(id);
    if (!c) return;
    const QString t = QString::fromStdString(text);
    if (auto* e = qobject_cast<QLineEdit*>(c->widget)) {
        e->setText(t);
        e->setCursorPosition(0);
        e->update();  // the colour may have changed with the parameter
    } else if (auto* p = qobject_cast<QPlainTextEdit*>(c->widget)) {
        p->setPlainText(t);
    } else if (auto* b = qobject_cast<QAbstractButton*>(c->widget)) {
        b->setText(t);
    } else if (auto* l = qobject_cast<QLabel*>(c->widget)) {
        l->setText(t);
    } else if (auto* g = qobject_cast<QGroupBox*>(c->widget)) {
        g->setTitle(t);
    }
}

bool QtDialog::IsChecked(int id) const {
    const ControlState* c = Find(id);
    auto* b = c ? qobject_cast<QAbstractButton*>(c->widget) : nullptr;
    return b && b->isChecked();
}

void QtDialog::SetCheck(int id, bool checked) {
    ControlState* c = Find(id);
    auto* b = c ? qobject_cast<QAbstractButton*>(c->widget) : nullptr;
    if (!b) return;
    b->setCheckable(true);
    QSignalBlocker block(b);
    b->setChecked(checked);
}

bool QtDialog::IsEnabled(int id) const { return Find(id) && Find(id)->widget->isEnabled(); }
void QtDialog::Enable(int id, bool enabled) {
    if (ControlState* c = Find(id)) c->widget->setEnabled(enabled);
}
bool QtDialog::IsVisible(int id) const { return Find(id) && !Find(id)->widget->isHidden(); }
void QtDialog::Show(int id, bool visible) {
    if (ControlState* c = Find(id)) c->widget->setVisible(visible);
}
int QtDialog::GetImage(int id) const { return Find(id) ? Find(id)->image : 0; }
void QtDialog::SetImage(int id, int resource) {
    if (ControlState* c = Find(id)) c->image = resource;
}

namespace {
QListWidget* List(const QWidget* w) { return w ? qobject_cast<QListWidget*>(const_cast<QWidget*>(w)) : nullptr; }
}  // namespace

int QtDialog::ListAdd(int id, const std::string& text) { return ListInsert(id, -1, text); }

int QtDialog::ListInsert(int id, int index, const std::string& text) {
    ControlState* c = Find(id);
    QListWidget* l = c ? List(c->widget) : nullptr;
    if (!l) return -1;
    const int n = l->count();
    if (index < 0 || index > n) index = n;
    QSignalBlocker block(l);
    l->insertItem(index, QString::fromStdString(text));
    c->item_data.insert(c->item_data.begin() + index, 0);
    return index;
}

void QtDialog::ListDelete(int id, int index) {
    ControlState* c = Find(id);
    QListWidget* l = c ? List(c->widget) : nullptr;
    if (!l || index < 0 || index >= l->count()) return;
    QSignalBlocker block(l);
    const int selected = l->currentRow();
    delete l->takeItem(index);
    c->item_data.erase(c->item_data.begin() + index);
    if (selected == index) l->setCurrentRow(-1);
}

void QtDialog::ListClear(int id) {
    ControlState* c = Find(id);
    QListWidget* l = c ? List(c->widget) : nullptr;
    if (!l) return;
    QSignalBlocker block(l);
    l->clear();
    c->item_data.clear();
}

int QtDialog::ListCount(int id) const {
    QListWidget* l = Find(id) ? List(Find(id)->widget) : nullptr;
    return l ? l->count() : 0;
}

std::string QtDialog::ListText(int id, int index) const {
    QListWidget* l = Find(id) ? List(Find(id)->widget) : nullptr;
    if (!l || index < 0 || index >= l->count()) return {};
    return l->item(index)->text().toStdString();
}

int QtDialog::ListSelection(int id) const {
    QListWidget* l = Find(id) ? List(Find(id)->widget) : nullptr;
    if (!l) return -1;
    const int row = l->currentRow();
    return row >= 0 && l->item(row)->isSelected() ? row : -1;
}

void QtDialog::ListSelect(int id, int index) {
    QListWidget* l = Find(id) ? List(Find(id)->widget) : nullptr;
    if (!l) return;
    QSignalBlocker block(l);
    if (index < 0 || index >= l->count()) {
        l->setCurrentRow(-1);
        l->clearSelection();
    } else {
        l->setCurrentRow(index);
    }
}

void QtDialog::ListSetData(int id, int index, intptr_t data) {
    ControlState* c = Find(id);
    if (!c || index < 0 || index >= static_cast<int>(c->item_data.size())) return;
    c->item_data[static_cast<size_t>(index)] = data;
}

intptr_t QtDialog::ListData(int id, int index) const {
    const ControlState* c = Find(id);
    if (!c || index < 0 || index >= static_cast<int>(c->item_data.size())) return 0;
    return c->item_data[static_cast<size_t>(index)];
}

void QtDialog::SliderSetRange(int id, int minimum, int maximum) {
    auto* s = Find(id) ? qobject_cast<QSlider*>(Find(id)->widget) : nullptr;
    if (!s) return;
    QSignalBlocker block(s);
    s->setRange(minimum, maximum);
}

void QtDialog::SliderRange(int id, int* minimum, int* maximum) const {
    auto* s = Find(id) ? qobject_cast<QSlider*>(Find(id)->widget) : nullptr;
    if (minimum) *minimum = s ? s->minimum() : 0;
    if (maximum) *maximum = s ? s->maximum() : 0;
}

int QtDialog::SliderPos(int id) const {
    auto* s = Find(id) ? qobject_cast<QSlider*>(Find(id)->widget) : nullptr;
    return s ? s->value() : 0;
}

void QtDialog::SliderSetPos(int id, int pos) {
    auto* s = Find(id) ? qobject_cast<QSlider*>(Find(id)->widget) : nullptr;
    if (!s) return;
    QSignalBlocker block(s);
    s->setValue(pos);
}

int QtDialog::Focus() const {
    for (const auto& [id, c] : controls_) {
        if (c.widget->hasFocus()) return id;
    }
    return 0;
}

void QtDialog::SetFocus(int id) {
    if (ControlState* c = Find(id)) c->widget->setFocus();
}

intptr_t QtDialog::Send(unsigned msg, uintptr_t wparam, intptr_t lparam) {
    return proc_ ? proc_(this, msg, wparam, lparam) : 0;
}

void QtDialog::Close() {
    open_ = false;
    hide();
}

void QtDialog::keyPressEvent(QKeyEvent* e) {
    // Escape in a window of its own is the platform's cancel command.
    if (e->key() == Qt::Key_Escape && isWindow()) {
        Notify(platform::kIdCancel, platform::kNotifyClicked);
        return;
    }
    QWidget::keyPressEvent(e);
}

void QtDialog::closeEvent(QCloseEvent* e) {
    // The window's own close button: the procedure decides, as with a cancel.
    Send(platform::kMsgClose, 0, 0);
    open_ = false;
    e->accept();
}

platform::Rect QtDialog::ControlRect(int id) const {
    const ControlState* c = Find(id);
    return c ? c->rect : platform::Rect{0, 0, 0, 0};
}

platform::Rect QtDialog::WindowRect() const { return rect_; }

void QtDialog::MoveWindow(int x, int y) {
    rect_.x = x;
    rect_.y = y;
    move(Px(x, UnitX()), Px(y, UnitY()));
}

void QtDialog::ShowWindow(bool visible) {
    setVisible(visible);
    if (auto* owner = dynamic_cast<QtDialog*>(parent_)) owner->FitToChildren();
}

QtDialog* QtDialog::CreateEmbedded(const platform::DialogTemplate* tmpl, platform::DialogProc proc,
                                   QWidget* parent) {
    if (!tmpl || tmpl->count < 0 || (tmpl->count > 0 && !tmpl->controls)) return nullptr;
    auto* d = new QtDialog(tmpl, proc, nullptr);
    d->setParent(parent, Qt::Widget);
    d->Send(platform::kMsgInitDialog, 0, 0);
    return d;
}

void QtDialog::FitToChildren() {
    QSize size = template_size_;
    for (QObject* o : children()) {
        auto* child = dynamic_cast<QtDialog*>(o);
        if (!child || child->isHidden()) continue;
        size = size.expandedTo(QSize(child->geometry().right() + 1, child->geometry().bottom() + 1 + 4));
    }
    setFixedSize(size);
}

int QtDialog::NextFieldInGroup(int id) const {
    const ControlState* self = Find(id);
    if (!self) return 0;
    std::vector<int> fields;
    for (int other : order_) {
        const ControlState* c = Find(other);
        if (c->group == self->group && c->kind == platform::ControlKind::Edit && c->widget->isEnabled() &&
            !c->widget->isHidden()) {
            fields.push_back(other);
        }
    }
    for (size_t i = 0; i < fields.size(); ++i) {
        if (fields[i] == id) return fields[(i + 1) % fields.size()];
    }
    return id;
}

}  // namespace ui
