// Function definitions found by C's own shape, for the pass that follows the
// file-level scan: at file level, a declarator whose last identifier before
// the parameter list's "(" is the name, whatever stands before it (known
// types or not, attribute words, struct tags, pointers), then after the ")"
// optional K&R parameter declarations and attribute words, then "{". A
// `NAME(args) {` with a macro-like NAME (no lower-case letter) and nothing
// before it is a definition wrapped in a macro call (ISR(TIMER0_OVF_vect)),
// named after the call as written.
//
// The scan needs no type names: it reads the text with comments and the
// contents of literals blanked out, counts braces itself, and skips
// preprocessor lines with their continuations, so a body some other reader
// ends early does not desynchronise it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "analysis/token_list.h"
#include "platform/text_file.h"

namespace kv {

struct ShapedDefinition {
  std::string name;                 // the record's name (a safe file name)
  std::vector<std::string> header;  // the header's tokens before the "{"
  int name_index = 0;               // of the name token in `header`
  std::vector<std::string> arguments;  // argument texts ("int\tcount\t")
  long brace_line = 0;              // line (piece) number of the "{", from 1
  long end_line = 0;                // line of the "}" that closes the body (0: the file ends first)
  size_t resume_position = 0;       // reader position after that line
  std::string rest_of_line;         // what followed the "{" on its line
};

// Every definition of the text `reader` hands out, in file order. Lines are
// read as the file-level scan reads them (pieces of at most
// `line_buffer_size` - 1 bytes), so positions match its reader's.
std::vector<ShapedDefinition> FindDefinitionsByShape(LineReader& reader, size_t line_buffer_size);

// What a line leaves open for the next.
struct BlankState {
  bool in_comment = false;  // a block comment
  bool in_string = false;   // a string literal (old multi-line asm strings)
};
// The line with its comments and the contents of its string and character
// literals replaced by blanks and "x" (same length, so positions hold).
std::string BlankCommentsAndLiterals(std::string_view line, BlankState& state);

// The file-level scan took an attribute macro's name for the function's:
// the "(" after tokens[name_index] opens no parameter list (it holds "(", a
// number or a literal first: ATTR((printf, 1, 2)), __printf(2, 3)), or
// another NAME( group follows it before the "{" at `brace_index`
// (static ATTR(x) int clamp(int v) {).
bool NamesAnAttribute(const TokenList& tokens, int name_index, int brace_index);

// `text` with every character a file name cannot hold replaced by "_".
std::string SafeFileName(std::string_view text);

}  // namespace kv
