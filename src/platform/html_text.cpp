#include "platform/html_text.h"

namespace kv {
namespace {

std::string_view Entity(char c) {
  switch (c) {
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    default: return {};
  }
}

// Calls `plain` for each run without special characters and `entity` for
// each replaced character, in text order.
template <typename Sink>
void Escape(std::string_view text, Sink&& sink) {
  size_t from = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    std::string_view entity = Entity(text[i]);
    if (entity.empty()) continue;
    if (i > from) sink(text.substr(from, i - from));
    sink(entity);
    from = i + 1;
  }
  if (from < text.size()) sink(text.substr(from));
}

}  // namespace

std::string HtmlText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  Escape(text, [&out](std::string_view piece) { out += piece; });
  return out;
}

void WriteHtmlText(TextWriter& out, std::string_view text) {
  Escape(text, [&out](std::string_view piece) { out.Write(piece); });
}

}  // namespace kv
