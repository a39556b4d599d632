#pragma once

#include <cstdint>

#include "export.h"

class Envelope;

// The envelope record: key count, the keys in list order (33 bytes each), the view, the
// limits, loop, frames, show_flag and grid, little-endian. It is part of every animated
// parameter's workspace record and the body of envelope files.

// Envelope files (".env"): the tag, the version 2.0 as a float, one envelope record.
constexpr uint32_t kEnvelopeFileTag = 0xCCDDCCDDu;
constexpr float kEnvelopeFileVersion = 2.0f;
constexpr const char* kEnvelopeFileFilter = "Envelope files (*.env)|*.env|";
constexpr const char* kLoadEnvelopeTitle = "Load envelope";
constexpr const char* kSaveEnvelopeTitle = "Save envelope";

// On the current workspace file. Loading replaces the keys, view, limits, loop, frames,
// show_flag and grid of env, re-samples it and refills its audio table when a sound drives
// it; a short or broken record (no keys, more keys than bytes left, frames outside
// 0..kMaxEnvelopeFrames) gives 0 and leaves env as it was.
UNDALINE_API int SaveEnvelopeRecord(const Envelope* env);
UNDALINE_API int LoadEnvelopeRecord(Envelope* env);

// Every envelope of one workspace together may hold as many frames as one envelope may:
// without a shared cap a small file could ask for gigabytes of sample tables.
constexpr long long kWorkspaceEnvelopeFrames = 1000000;
constexpr const char* kMsgEnvelopeBudget =
    "The animated parameters of this workspace hold more than %lld frames in all";
// While a workspace is read, the envelope records read on this thread share a budget of
// frames; a record beyond it is refused, with the message above, before anything is
// allocated for it. A negative budget ends the count.
UNDALINE_API void SetEnvelopeFrameBudget(long long frames);

// Writes the file whole: a failed save leaves an earlier file as it was.
UNDALINE_API bool SaveEnvelopeFile(const char* path, const Envelope* env);
// Reads an envelope file into env. A different tag or a broken record shows "Not a valid
// envelope file", another version "Old envelope file", and env is left as it was.
UNDALINE_API bool LoadEnvelopeFile(const char* path, Envelope* env);
