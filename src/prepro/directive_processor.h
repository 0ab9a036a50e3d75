// The directive processor: reads one source file line by line, acts on its
// #include, #define and conditional directives, and writes the preprocessed
// copy of the file and one definition record per #define it keeps.
//
// Lines are read as a 2000-byte fgets read them (a longer line comes in
// pieces) and cut with NextToken.
//
// Outside conditional blocks a "#" anywhere on the line, outside quotes and
// comments, starts a directive:
//   include  the file is processed (its copy goes to DEF/TMP); the line is
//            copied;
//   ifdef / ifndef / if
//            a conditional block opens; the directive line is not copied; the
//            rest of the line is taken up again when the block has closed;
//   define   the definition is recorded; the define step copies the line and
//            its continuation lines;
//   anything else (endif, else, elif, undef, pragma ...): the line is copied.
// Inside a block only a line's first token is looked at:
//   not "#"  copied when the block's lines are kept;
//   include  processed and copied only where lines are kept (#ifdef and
//            #ifndef blocks copy the line as read, #if blocks its tokens
//            joined by tabs);
//   define   recorded only where lines are kept;
//   ifdef / ifndef / if    a nested block;
//   elif / else / endif    the chain (below);
//   other    copied when kept.
// Conditional directive lines are never copied.
//
// A chain #if / #ifdef / #ifndef ... #elif ... #else ... #endif keeps exactly
// one branch, the first whose condition holds, and only inside a kept
// block; conditions of branches that cannot be kept are not evaluated.
//
// Definition records (name, then each value token preceded by a tab, then a
// tab and the line end) go to the definition file and, without their
// newline, to the define table. The table holds 10000 records: a record past
// that is refused with a log line and written nowhere.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "run/run_context.h"
#include "lex/tokenizer.h"
#include "platform/text_file.h"
#include "prepro/define_table.h"
#include "prepro/header_index.h"
#include "prepro/output_files.h"
#include "prepro/source_cache.h"

namespace kv {

inline constexpr size_t kPreproLineBuffer = 2000;     // fgets buffer: 1999 bytes a read
inline constexpr int kDirectiveTokenSlots = 1000;     // token positions of one line
inline constexpr size_t kConditionTokens = 1000;      // condition tokens, times MemoryFactor
inline constexpr size_t kDefineValueTokens = 65536;   // value tokens of one #define
inline constexpr size_t kMaxIncludeDepth = 200;       // files open one inside the other
// Lines one top-level file may read, its includes counted, before further
// includes are skipped. Headers without guards that include each other twice
// grow the work exponentially with their depth; guarded real projects stay
// far below this.
inline constexpr uint64_t kSourceLineBudget = 5'000'000;

class DirectiveProcessor {
 public:
  DirectiveProcessor(RunContext& ctx, DefineTable& table, const HeaderIndex& headers, SourceCache& sources,
                     OutputFiles& outputs);

  // Before each top-level file: the current base name (log lines), the
  // mirror folder that receives its copy, and its definition file (may be a
  // writer that failed to open: records then reach only the table).
  void BeginTopLevelFile(std::string base_name, std::string mirror_folder, TextWriter* definitions);

  // PreprocessFile: 0 when the file was read to its end, 1 when it could not
  // be opened or the stop flag ended it. A top-level file's copy goes to the
  // mirror folder, an included file's copy to DEF/TMP/<file name>.
  int PreprocessFile(const std::string& path, bool top_level);

  // A header included again is copied again from its start, so only its
  // last copy stays in DEF/TMP: the copies are kept here and written once,
  // by this call at the end of the stage.
  void FlushIncludeCopies();

  // PreproLog: "プリプロ解析 " + where + ": " + text + " : " + detail as one
  // line of the log. `where` is "FILE:LINE" of the line being read (in an
  // included file: that file and its line); a newline inside the text is
  // dropped, so that every entry stays one line a reader can go to.
  void PreproLog(std::string_view text, std::string_view detail);
  // The same for a place given as "FILE:LINE" (or a file alone).
  void PreproLogAt(std::string_view where, std::string_view text, std::string_view detail);
  const PreproLogFn& log_fn() const { return log_fn_; }

 private:
  enum class BlockKind { kIfdef, kIfndef, kIf };
  struct Block {
    BlockKind kind;
    bool parent;  // the enclosing block keeps its lines
    bool flag;    // this branch's lines are kept
    bool taken;   // some branch of the chain has been kept
    long opened_at;  // line of the directive that opened it
  };
  // A top-level line being taken apart; kept while a block it opened is open.
  struct TopLine {
    std::string copy;
    LineTokenizer tokens;
    bool write = true;
    int position = 0;
  };
  // Where a file's copy goes: its file, or the kept text of an include copy.
  struct CopySink {
    TextWriter file;
    std::string* memory = nullptr;
    void Write(std::string_view text) {
      if (memory != nullptr) {
        memory->append(text);
      } else {
        file.Write(text);
      }
    }
  };
  struct IncludeCopy {
    std::string name;  // as first written: later names in another case land in it
    std::string text;
  };
  struct FileState {
    std::string path;
    SourceLineReader reader;
    CopySink out;
    std::vector<Block> blocks;
    std::optional<TopLine> top;
    long invalid_sjis = 0;
    // Block comments over lines: whether the line last read starts inside
    // one, and whether one is open after it.
    bool line_in_comment = false;
    bool in_comment = false;
    // The source line last read, counted from 1 (a line longer than the read
    // buffer comes in pieces and counts once), and where the open comment
    // began.
    long line_number = 0;
    bool at_line_start = true;
    long comment_opened_at = 0;
  };
  enum OnceMessage { kTmpArrayOver, kMemoryOver, kConditionOver, kOnceMessageCount };

  int Process(const std::string& path, const SourceFile& file, bool top_level);
  bool ReadSourceLine(FileState& f, std::string& line);
  int RunLines(FileState& f);
  void TopLevelLine(FileState& f, const std::string& line);
  void ContinueTopLine(FileState& f);
  void BlockLine(FileState& f, const std::string& line);

  // IfdefBlock / IfndefBlock / IfBlock open a conditional block with the
  // parent flag given; BlockLine then takes its lines up to the #endif.
  void IfdefBlock(FileState& f, std::string_view name, bool parent);
  void IfndefBlock(FileState& f, std::string_view name, bool parent);
  void IfBlock(FileState& f, std::string_view rest, bool parent, const std::string& line);
  // `opened_at`: the directive's line when the condition took more lines (0:
  // the line last read).
  void OpenBlock(FileState& f, BlockKind kind, bool parent, bool condition, long opened_at = 0);
  void CloseBlock(FileState& f);
  std::string GatherCondition(FileState& f, std::string_view rest);
  bool Condition(const FileState& f, long at, std::string_view condition, const std::string& line);

  void ProcessInclude(FileState& f, std::string_view token, const std::string& line);

  void DefineDirective(FileState& f, LineTokenizer& tokens, const std::string& line);
  void CollectDefineValues(FileState& f, LineTokenizer& tokens, const std::string& line,
                           std::vector<std::string>& values);
  bool NextDefineLine(FileState& f, LineTokenizer& tokens, std::string& current);
  bool ResolveNames(std::vector<std::string>& values, const std::string& line);
  void BackSubstitute(const std::string& name, const std::string& value);

  void CountSjis(FileState& f, LineTokenizer& tokens);
  void ReportInvalidSjis(const FileState& f, const FileId& id);
  void ReportEncodingFindings(const std::string& path, const SourceFile& file);
  void MessageOnce(OnceMessage which, const std::string& text);
  static std::string Where(const FileState& f, long line);

  RunContext& ctx_;
  DefineTable& table_;
  const HeaderIndex& headers_;
  SourceCache& sources_;
  OutputFiles& outputs_;
  PreproLogFn log_fn_;
  std::map<std::string, IncludeCopy> include_copies_;  // by lower-cased file name

  std::string base_name_;
  std::string mirror_folder_;
  TextWriter* definitions_ = nullptr;
  std::vector<FileId> include_stack_;
  FileState* current_ = nullptr;  // the file whose line is being read
  uint64_t lines_read_ = 0;  // by the current top-level file and its includes
  bool line_budget_logged_ = false;
  bool shown_[kOnceMessageCount] = {};
  std::unordered_set<FileId, FileIdHash> sjis_reported_;
  std::unordered_set<FileId, FileIdHash> encoding_reported_;
};

}  // namespace kv
