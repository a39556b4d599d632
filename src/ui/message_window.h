#pragma once

#include <QDockWidget>

#include <atomic>
#include <string>

#include "platform/messages.h"

class QLabel;
class QPlainTextEdit;

namespace ui {

// "Undaline messages": the time-stamped log of the whole run, as a dock of the main window.
// It is also the program's message sink: it feeds the log, the status line of the status bar
// (red for warnings, blue for information) and opens itself when a warning needs the user.
// The sink is called from any thread; what it shows is handed to the interface thread
// without waiting for it.
class MessageWindow : public QDockWidget, public platform::MessageSink {
    Q_OBJECT

public:
    MessageWindow(QLabel* status_line, QWidget* parent = nullptr);
    ~MessageWindow() override;

    void OnStatus(const std::string& text, int colour) override;
    void OnLogLine(const std::string& line) override;
    void OnShowLog() override;

    QString Text() const;

private:
    void Append(const QString& line, int colour);
    void SetStatus(const QString& text, int colour);
    void Reveal();

    QPlainTextEdit* log_;
    QLabel* status_line_;
    std::atomic<int> line_colour_{0};  // colour of the status message the next line belongs to
};

}  // namespace ui
