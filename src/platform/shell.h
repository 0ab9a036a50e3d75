// The Windows shell's "open" verb and the C runtime's local-time formatting.
#pragma once

#include <string>
#include <string_view>

namespace kv {

// Opens an internal (CP932) path with the desktop's associated program
// (xdg-open). False when xdg-open is missing or reports failure.
bool OpenWithDesktop(std::string_view path);

// The current local time formatted with strftime; `format` and the result are
// CP932 (CP932 never holds a "%" byte inside a two-byte character).
std::string FormatLocalTime(const std::string& format);

// The current directory as an internal path.
std::string CurrentDirectory();

}  // namespace kv
