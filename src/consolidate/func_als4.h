// FUNC ALS4: the final records. Repeats are removed from exactly five
// sections (reads, writes, calls, returns, calls of defined functions); every
// other line, other sections' repeats included, is copied as it stands.
#pragma once

#include <string>

namespace kv {

class LineReader;
class TextWriter;
class RunContext;

// The runaway guard of the duplicate check: the in-order scan of one entry
// past this many comparisons is logged.
inline constexpr size_t kDuplicateCheckLimit = 65536;

// One record of func_als3 copied into FunctionList4.
void OptimiseRecord(RunContext& ctx, LineReader& in, TextWriter& out);

}  // namespace kv
