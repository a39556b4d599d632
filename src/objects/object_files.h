#pragma once

#include <string>

#include "export.h"

class Body;

// Object files on disk: their type codes, the open dialog's filters, the directory the
// dialog starts in, and what happens when a file an object needs is missing.

// Type codes given by a file's extension, compared ignoring the case of ASCII letters.
enum ObjectFileType {
    kTypeUnknown = 0,
    kTypeAsc = 1,
    kTypeLwo = 2,
    kTypeLws = 4,
    kTypeSd = 6,
    kTypeAse = 9,
    kTypeObj = 10,
    kTypeDxf = 14,
    kType3ds = 16,
};
UNDALINE_API int FileTypeOfPath(const char* path);

// The "Import Object" dialog's filters for the host platform's family (1 Lightwave,
// 2 3D Studio MAX, 3 Softimage and Maya), and the one-format filter of a type code used when a
// missing file is replaced ("" for a type without one).
UNDALINE_API const char* ImportObjectFilter(int family);
UNDALINE_API const char* SingleTypeFilter(int type);

// The objects directory (where the open dialog starts, and where the workspace loader looks
// for a missing object file). The configuration, which keeps it, installs where it is read
// from; without it, or while it is empty, it is "objects" in the application directory.
UNDALINE_API std::string ObjectsDirectory();
UNDALINE_API void SetObjectsDirectorySource(const char* (*source)());

// The modal "File not found" dialog: the text "File not found: <path>" and the buttons "Skip"
// and "Choose another file...". The desktop application installs the real dialog; without it
// the preset answer is given (Skip unless set otherwise).
enum FileNotFoundAnswer { kFileSkip = 0, kFileChooseAnother = 1 };
using FileNotFoundHandler = int (*)(const char* text);
UNDALINE_API void SetFileNotFoundHandler(FileNotFoundHandler handler);
UNDALINE_API void SetFileNotFoundAnswer(int answer);
// How many times the dialog was shown since the last reset, for tests.
UNDALINE_API int FileNotFoundCount();
UNDALINE_API void ResetFileNotFound();

// The missing-file path every reader takes before it opens its file. When *path cannot be
// read, asks the "File not found" dialog; "Choose another file..." opens the file dialog of
// type's one-format filter, and a chosen file replaces *path and its file name *name. false
// when the user skips or chooses nothing.
UNDALINE_API bool LocateObjectFile(std::string* path, std::string* name, int type);

// Reads path into b with the object reader of type (ASC, LWO, OBJ or DXF); false for any other
// type, or when the reader refuses the file.
UNDALINE_API bool LoadObjectFile(Body* b, int type, const char* path, const char* name);
