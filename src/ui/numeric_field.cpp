#include "ui/numeric_field.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QMenu>
#include <QMetaObject>
#include <QMouseEvent>
#include <QScreen>

#include <cmath>
#include <string>

#include "platform/format.h"
#include "scene/fields.h"
#include "scene/preferences.h"
#include "ui/qt_dialog.h"

namespace ui {
namespace {

// One field is dragged at a time, so the drag state is the program's.
struct DragState {
    bool held = false;
    bool dragging = false;
    bool happened = false;
    bool allowed = false;
    QPoint previous;
    float step = 0.1f;
};
DragState g_drag;

}  // namespace

NumericField::NumericField(QtDialog* dialog, int id, unsigned style, QWidget* parent)
    : QLineEdit(parent), dialog_(dialog), id_(id), style_(style) {
    if (style & platform::kStyleNumber) setAlignment(Qt::AlignRight);
}

bool NumericField::DraggedValue(const QString& text, int dy, QString* shown) const {
    const std::string t = text.left(9).toStdString();
    const double value = fields::ParseNumber(t.c_str());
    if (value == 0.0 && !fields::LooksLikeZero(t.c_str())) return false;
    const bool integer = (style_ & platform::kStyleNumber) != 0;
    const double step = integer ? 1.0 : static_cast<double>(prefs.scrolling_step);
    const double d = std::abs(dy) * step;
    const double now = dy < 0 ? value + d : value - d;  // up (smaller y) grows
    if (integer) {
        *shown = QString::number(static_cast<long long>(std::trunc(now)));
    } else {
        const int decimals = prefs.decimals < 1 ? 1 : (prefs.decimals > 3 ? 3 : prefs.decimals);
        const char* formats[] = {"%5.1f", "%5.2f", "%5.3f"};
        *shown = QString::fromStdString(platform::Format(formats[decimals - 1], now));
    }
    return true;
}

void NumericField::ReadBack() { dialog_->Send(platform::kMsgCommand, platform::MakeCommand(id_, platform::kNotifyKillFocus), 0); }

bool NumericField::event(QEvent* e) {
    // Tab and Enter belong to the field, not to the dialog's focus chain.
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) {
            keyPressEvent(k);
            return true;
        }
    }
    return QLineEdit::event(e);
}

void NumericField::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab) {
        const int next = dialog_->NextFieldInGroup(id_);
        if (auto* w = qobject_cast<QLineEdit*>(dialog_->ControlWidget(next))) {
            w->setFocus(Qt::TabFocusReason);
            w->selectAll();
        }
        return;
    }
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        QWidget* home = FocusHome();
        if (home && home->window() != window()) {
            clearFocus();
        } else if (home) {
            home->setFocus();
        } else {
            parentWidget()->setFocus();
        }
        if (hasFocus()) ReadBack();  // nothing took the focus: read anyway
        return;
    }
    QLineEdit::keyPressEvent(e);
}

void NumericField::contextMenuEvent(QContextMenuEvent* e) {
    if (!QueryAnimatedParameter(dialog_, id_)) {
        QLineEdit::contextMenuEvent(e);
        return;
    }
    QMenu menu(this);
    QAction* open = menu.addAction("Open Envelope");
    if (menu.exec(e->globalPos()) == open) {
        QMetaObject::invokeMethod(dialog_, [d = dialog_, id = id_] { RequestOpenEnvelope(d, id); }, Qt::QueuedConnection);
    }
}

void NumericField::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && QueryAnimatedParameter(dialog_, id_)) {
        QMetaObject::invokeMethod(dialog_, [d = dialog_, id = id_] { RequestOpenEnvelope(d, id); }, Qt::QueuedConnection);
    }
    QLineEdit::mouseDoubleClickEvent(e);
}

void NumericField::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && prefs.click_hold_drag) {
        g_drag.previous = e->globalPosition().toPoint();
        g_drag.allowed = (style_ & platform::kStyleNoDrag) == 0;
        g_drag.step = (style_ & platform::kStyleNumber) ? 1.0f : prefs.scrolling_step;
        g_drag.happened = false;
        g_drag.held = true;
        g_drag.dragging = false;
    }
    QLineEdit::mousePressEvent(e);
}

void NumericField::mouseMoveEvent(QMouseEvent* e) {
    if (!(g_drag.held && g_drag.allowed && e->buttons() == Qt::LeftButton && e->modifiers() == Qt::NoModifier)) {
        QLineEdit::mouseMoveEvent(e);
        return;
    }
    g_drag.dragging = true;
    QPoint at = e->globalPosition().toPoint();
    const int dy = at.y() - g_drag.previous.y();
    g_drag.previous = at;
    QString shown;
    if (dy != 0 && DraggedValue(text(), dy, &shown)) {
        setText(shown);
        ReadBack();  // every step of the drag reaches the parameter while the mouse moves
    }
    // Endless dragging: at the screen's top or bottom row the pointer jumps to the other end.
    if (QScreen* s = screen()) {
        const QRect g = s->geometry();
        int jump = -1;
        if (at.y() <= g.top()) jump = g.bottom() - 2;
        if (at.y() >= g.bottom()) jump = g.top() + 1;
        if (jump >= 0) {
            QCursor::setPos(at.x(), jump);
            g_drag.previous = QPoint(at.x(), jump);
        }
    }
}

void NumericField::mouseReleaseEvent(QMouseEvent* e) {
    QLineEdit::mouseReleaseEvent(e);
    if (e->button() != Qt::LeftButton) return;
    if (g_drag.dragging) {
        g_drag.dragging = false;
        g_drag.happened = true;
        ReadBack();
    }
    if (prefs.auto_selection) selectAll();
    g_drag.held = false;
}

void NumericField::focusInEvent(QFocusEvent* e) {
    QLineEdit::focusInEvent(e);
    dialog_->Send(platform::kMsgCommand, platform::MakeCommand(id_, platform::kNotifySetFocus), 0);
}

void NumericField::focusOutEvent(QFocusEvent* e) {
    QLineEdit::focusOutEvent(e);
    // A menu or another window taking the focus for a moment is no end of the entry.
    if (e->reason() == Qt::PopupFocusReason) return;
    ReadBack();
}

void NumericField::UpdateColour() {
    const unsigned c = ProcesaCtlColorEdit(dialog_, id_);
    if (c == colour_) return;
    colour_ = c;
    QPalette p = palette();
    if (c == kFieldColourNone) {
        p = QApplication::palette(this);
    } else {
        const QColor base((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF);
        p.setColor(QPalette::Base, base);
        p.setColor(QPalette::Text, Qt::black);
    }
    setPalette(p);
}

void NumericField::paintEvent(QPaintEvent* e) {
    UpdateColour();
    QLineEdit::paintEvent(e);
}

}  // namespace ui
