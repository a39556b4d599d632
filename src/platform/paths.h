#pragma once

#include <string>

#include "export.h"

namespace platform {

// The one path joiner: dir and name with a single '/' between them.
UNDALINE_API std::string JoinPath(const std::string& dir, const std::string& name);

// A path read from a scene file may carry '\' separators and a drive letter ("C:\scenes\a.lwo");
// gives the same path with '/' separators and no drive letter.
UNDALINE_API std::string LocalPath(const std::string& stored);

// The part after the last separator, either kind.
UNDALINE_API std::string BaseName(const std::string& path);

// The directory of the running executable, where the program's files live; settable so a
// host program or a test can point it elsewhere.
UNDALINE_API std::string AppDir();
UNDALINE_API void SetAppDir(const std::string& dir);

}  // namespace platform
