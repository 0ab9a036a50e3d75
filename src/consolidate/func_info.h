// FUNC INFO: the line counts the per-file analysis left in FILEINFO/INF_*
// gathered into FILEINFO/FileFuncInfo.txt, one block per ".c" source.
#pragma once

namespace kv {

class LineReader;
class TextWriter;

// One INF file's block: "[ファイル名] <name>" per "[FILENAME]" group, and per
// "[FUNCNAME]" group two blanks, the name, two tabs and the three counts
// (taken by position, labels unchecked) separated by tabs; one empty line at
// the end. Counts are copied as text; a group cut short by the end of the
// file gets empty values in the same tab layout.
void WriteFileFunctionInfo(LineReader& in, TextWriter& out);

}  // namespace kv
