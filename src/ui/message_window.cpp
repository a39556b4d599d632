#include "ui/message_window.h"

#include <QLabel>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextCharFormat>

namespace ui {
namespace {

QColor ColourOf(int colour) {
    if (colour == platform::kStatusRed) return QColor(200, 30, 30);
    if (colour == platform::kStatusBlue) return QColor(30, 70, 200);
    return QColor();
}

}  // namespace

MessageWindow::MessageWindow(QLabel* status_line, QWidget* parent)
    : QDockWidget("Undaline messages", parent), log_(new QPlainTextEdit(this)), status_line_(status_line) {
    setObjectName("messages");
    log_->setReadOnly(true);
    log_->setMaximumBlockCount(platform::kLogTailLines);
    log_->setLineWrapMode(QPlainTextEdit::NoWrap);
    log_->setFont(QFont("Monospace", 9));
    setWidget(log_);
    platform::SetMessageSink(this);
}

MessageWindow::~MessageWindow() { platform::SetMessageSink(nullptr); }

void MessageWindow::OnStatus(const std::string& text, int colour) {
    line_colour_.store(colour);
    const QString t = QString::fromStdString(text);
    QMetaObject::invokeMethod(this, [this, t, colour] { SetStatus(t, colour); }, Qt::QueuedConnection);
    if (colour == platform::kStatusRed) OnShowLog();
}

void MessageWindow::OnLogLine(const std::string& line) {
    QString t = QString::fromStdString(line);
    while (t.endsWith('\n') || t.endsWith('\r')) t.chop(1);
    const int colour = line_colour_.exchange(0);
    QMetaObject::invokeMethod(this, [this, t, colour] { Append(t, colour); }, Qt::QueuedConnection);
}

void MessageWindow::OnShowLog() {
    line_colour_.store(platform::kStatusRed);
    QMetaObject::invokeMethod(this, [this] { Reveal(); }, Qt::QueuedConnection);
}

void MessageWindow::Reveal() {
    show();
    raise();
}

void MessageWindow::Append(const QString& line, int colour) {
    QTextCursor cursor(log_->document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat format;
    if (colour) format.setForeground(ColourOf(colour));
    if (!log_->document()->isEmpty()) cursor.insertBlock();
    cursor.insertText(line, format);
    log_->setTextCursor(cursor);
    log_->ensureCursorVisible();
}

void MessageWindow::SetStatus(const QString& text, int colour) {
    if (!status_line_) return;
    status_line_->setText(text.trimmed());
    const QColor c = ColourOf(colour);
    status_line_->setStyleSheet(c.isValid() ? QString("color: %1; font-weight: bold;").arg(c.name()) : QString());
}

QString MessageWindow::Text() const { return log_->toPlainText(); }

}  // namespace ui
