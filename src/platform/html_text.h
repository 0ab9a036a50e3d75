// Text from sources, records and lists written into a report page: "&",
// "<" and ">" become entities so that a comparison in the code or a mail
// address in a comment shows as written instead of opening a tag. The three
// bytes never occur inside a Shift-JIS character (trail bytes start at
// 0x40), so CP932 text is escaped byte by byte. Link targets (file names)
// are written as they are.
#pragma once

#include <string>
#include <string_view>

#include "platform/text_file.h"

namespace kv {

std::string HtmlText(std::string_view text);
// Writes HtmlText(text) without building the string.
void WriteHtmlText(TextWriter& out, std::string_view text);

}  // namespace kv
