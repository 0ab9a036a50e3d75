// Finding a name inside a text so that the name stands whole.
//
// The consolidation passes and the reports look for function and variable
// names inside record lines ("reset(x)" must not count as a call of set,
// "g_cnt [R]" is not an access of cnt, nor is "st.cnt"). A name stands whole
// when the character before it is not a letter, digit or "_", nor the "." or
// "->" of a member access; and, when nothing follows the name in the key, the
// character after it is not a letter, digit or "_" either.
#pragma once

#include <string_view>

namespace kv {

bool IsIdentifierChar(char c);

// True when a name starting at `pos` of `text` passes the test of the
// character before it: not a letter, digit or "_", nor the "." or "->" of a
// member access. (Indexes over identifier runs use this same test, so their
// answers agree with FindWholeName.)
bool StandsWholeAfter(std::string_view text, size_t pos);

// Position of the first occurrence of name + suffix in `text` whose name
// stands whole (at or after `from`); npos when there is none. With an empty
// suffix the character after the name is tested too.
size_t FindWholeName(std::string_view text, std::string_view name, std::string_view suffix = {}, size_t from = 0);

inline bool ContainsWholeName(std::string_view text, std::string_view name, std::string_view suffix = {}) {
  return FindWholeName(text, name, suffix) != std::string_view::npos;
}

}  // namespace kv
