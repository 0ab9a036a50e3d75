// FUNC ALS2: repeated entries of the read, write and call sections removed,
// the first of each kept in place.
#pragma once

namespace kv {

class LineReader;
class TextWriter;

// One record of func_als1_5 copied into func_als2.
void RemoveRepeatedEntries(LineReader& in, TextWriter& out);

}  // namespace kv
