#pragma once

#include <string>

#include "export.h"

namespace platform {

// Icons and button sets of a modal message box. Answers use the classic numbers, which
// stored dialog logic compares against.
enum MessageIcon { kIconNone = 0, kIconInformation = 1, kIconExclamation = 2, kIconError = 3, kIconQuestion = 4 };
enum MessageButtons { kButtonsOk = 0, kButtonsOkCancel = 1, kButtonsYesNoCancel = 3, kButtonsYesNo = 4 };
enum MessageAnswer { kAnswerOk = 1, kAnswerCancel = 2, kAnswerYes = 6, kAnswerNo = 7 };

// Shows a modal box and returns the answer. The desktop application installs a handler that
// shows a real dialog; without one (batch runs, tests) the text goes to the log stream and the
// answer is taken from the queue of preset answers, else the default answer.
UNDALINE_API int MessageBox(const char* text, const char* title = "Undaline",
                            int icon = kIconExclamation, int buttons = kButtonsOk);

using MessageBoxHandler = int (*)(const char* text, const char* title, int icon, int buttons);
UNDALINE_API void SetMessageBoxHandler(MessageBoxHandler handler);

// Headless answers: queued answers are used first, one per box, then the default.
UNDALINE_API void QueueMessageBoxAnswer(int answer);
UNDALINE_API void SetDefaultMessageBoxAnswer(int answer);
// The texts shown since the last clear, newest last, so tests can check what was said.
UNDALINE_API const std::string& LastMessageBoxText();
UNDALINE_API int MessageBoxCount();
UNDALINE_API void ClearMessageBoxes();

}  // namespace platform
