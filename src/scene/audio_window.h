#pragma once

#include "export.h"
#include "platform/dialog.h"

class Envelope;

// The "Audio wave properties" window of the envelope editor, built on the dialog layer: the
// desktop application gives it real widgets through its dialog factory, tests drive the
// headless one. It loads a sound into the envelope, sets how the sound is measured and
// whether the value follows it.

enum AudioWindowControl {
    kIdAudioLoad = 5170,          // "Load audio WAV file"
    kIdAudioNote = 5171,          // "(recommended 8-bits mono)", under the load button
    kIdAudioFile = 5172,          // name of the loaded file
    kIdAudioClear = 5173,         // "Clear audio channel"
    kIdAudioGraph = 5174,         // "use as a envelope graph"
    kIdAudioTemplate = 5175,      // "use as a template"
    kIdAudioThreshold = 5176,
    kIdAudioOversampling = 5177,  // integer field
    kIdAudioOffset = 5178,
    kIdAudioScale = 5179,
    kIdAudioWave = 5180,          // where the window draws the sound and its measure
};

UNDALINE_API const platform::DialogTemplate* AudioWindowTemplate();
UNDALINE_API intptr_t AudioWindowProc(platform::Dialog* dialog, unsigned msg, uintptr_t wparam,
                                      intptr_t lparam);
// Opens the window on env, owned by the editor's dialog (which is repainted after every
// change of the sound). The caller destroys the dialog once it is closed.
UNDALINE_API platform::Dialog* OpenAudioWindow(Envelope* env, platform::Dialog* editor);

// The file dialog of "Load audio WAV file": fills path (size bytes) and returns true, or
// false when the user cancels. The desktop application installs a real one; without it the
// preset answer is given (none: cancelled).
using WaveFileChooser = bool (*)(char* path, int size);
UNDALINE_API void SetWaveFileChooser(WaveFileChooser chooser);
UNDALINE_API void SetWaveFileChooserAnswer(const char* path);
