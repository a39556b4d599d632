#pragma once

#include <string>

#include "export.h"

namespace platform {

// Whether a file can be handed to the dynamic loader without the loader reading past its end:
// an ELF shared object of this machine's word size and byte order whose program headers,
// segments and section headers all lie within the file. A partial copy of a library fails
// here instead of faulting inside the loader. Empty when the file fits, else why it does not.
UNDALINE_API std::string CheckLibraryFile(const std::string& path);

}  // namespace platform
