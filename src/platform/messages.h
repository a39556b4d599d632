#pragma once

#include <string>

#include "export.h"

// The one channel for non-fatal events: a status line (latest text, red or blue) and an
// append-only, time-stamped log whose latest lines stay in memory. Safe to call from any
// thread.

// Status line in red (warnings and errors), and a log line.
UNDALINE_API void RedWarning(const char* text);
// Status line in blue (information), and a log line.
UNDALINE_API void BlueWarning(const char* text);
// The simulation threads' form: brings the log into view and logs " Warning: <text>"; the
// status line is left as it is.
UNDALINE_API void Warning(const char* text);

namespace platform {

enum StatusColour { kStatusNone = 0, kStatusRed = 1, kStatusBlue = 2 };

// Where messages are shown. The desktop application installs one that feeds its status bar
// and message window; the default prints log lines on standard error. Called with no lock
// held, possibly from the simulation thread.
class UNDALINE_API MessageSink {
public:
    virtual ~MessageSink();
    virtual void OnStatus(const std::string& text, int colour);
    virtual void OnLogLine(const std::string& line);
    virtual void OnShowLog();
};

// Installs a sink (null: the default one). The caller keeps ownership.
UNDALINE_API void SetMessageSink(MessageSink* sink);

// Appends one log line, stamped with the local time, without touching the status line.
UNDALINE_API void LogLine(const char* text);

// ">[h:m:s]text\r\n", hours, minutes and seconds without leading zeros.
UNDALINE_API std::string FormatLogLine(int hour, int minute, int second, const char* text);

UNDALINE_API std::string StatusText();
UNDALINE_API int StatusColour();
// A click in the viewport clears a status message that is still showing.
UNDALINE_API void ClearStatusOnClick();

// The lines of the log a message window keeps; older ones leave memory.
constexpr int kLogTailLines = 5000;
// The latest lines of the log (at least the last kLogTailLines), and a reset of status and
// log for a fresh start (tests, new runs).
UNDALINE_API std::string LogText();
UNDALINE_API void ResetMessages();

}  // namespace platform
