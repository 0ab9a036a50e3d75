// The text of a comment as a reader sees it: the comment markers, the
// decoration of boxed header blocks and the common indentation taken away,
// the words and line breaks left as written (CP932).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "run/source_descriptions.h"

namespace kv {

// `pieces`: the comment part of each source line a comment block covers, in
// order, markers included ("/* text", " * more", " */", "// text", a whole
// "/** text */"). The result: one line per line of text, "" where a
// paragraph ends; markers (/* */ // /// //! /** /*! and the "<" of a
// trailing doxygen comment), a leading "*" on continuation lines, lines of
// decoration only (*****, -----, =====, box-drawing characters), runs of
// three or more decoration characters at either end of a line, and the
// right-hand border of a boxed block removed; tabs become blanks (stops
// every 4); the indentation the lines share removed; no blank line first or
// last, none doubled.
TextLines CleanCommentText(const std::vector<std::string>& pieces);

// Bytes of the character at `i` of CP932 text: 2 for a lead byte followed by
// a trail byte, else 1.
size_t CharLengthAt(std::string_view text, size_t i);

// Leading white space of `text` in columns, a tab going to the next stop of 4.
int IndentWidth(std::string_view text);

// `text` without blanks and tabs at either end.
std::string_view TrimBlanks(std::string_view text);

}  // namespace kv
