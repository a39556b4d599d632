#pragma once

// The one export macro: what it marks is the library's interface, for plug-ins and for the
// desktop application; everything else is hidden.
#if defined(__GNUC__) || defined(__clang__)
#define UNDALINE_API __attribute__((visibility("default")))
#else
#define UNDALINE_API
#endif
