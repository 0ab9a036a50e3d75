// Which comment describes what, in one file of the preprocessed copy:
//
// * the comment block above a function definition (blank lines may stand
//   between), or above a prototype (kept for a definition without one; the
//   consolidation looks it up across files);
// * the comment after a parameter, a local variable, a file-level variable,
//   a #define or an enumerator on the same line (a block comment that goes
//   on, or "//" comments lined up below it, included); without one, the
//   comment block right above its declaration;
// * the comment after a header that stands on one line ("void f(void) /* … */"),
//   for a function without a block above it;
// * the comment at the top of the file, before any code (the last block is
//   the first declaration's when no blank line parts them).
//
// The file is read as the definition scan reads it (the same pieces, the
// same blanking of comments and literals); the definitions are the ones
// that scan found, so each description lands under the record's name.
#pragma once

#include <string>
#include <vector>

#include "analysis/definition_shapes.h"
#include "platform/text_file.h"
#include "run/source_descriptions.h"

namespace kv {

struct SourceFileIdentity {
  std::string file_name;    // main.c
  std::string folder_name;  // the records' [フォルダ名]
  std::string path;         // below the source folder, "/" between the parts
};

// Reads `input` from its start (lines of at most `line_buffer_size` - 1
// bytes, as the scans read them). A statement is a declaration when words
// stand before its declarators ("T x;", "static T *p[4];", "T f(void);"),
// known type names or not.
FileDescriptions ReadSourceDescriptions(LineReader& input, size_t line_buffer_size,
                                        const std::vector<ShapedDefinition>& definitions,
                                        const SourceFileIdentity& identity);

}  // namespace kv
