// SPEC LIST: WordAlsFuncltion_Als3 turns a function's SOURCE file into its
// control description (制御仕様) SOURCE3/<f>: one line per statement, a tag saying
// what kind of step it is ([処理], [条件分岐1], [繰返し], [ケース], …),
// indented by the statement's depth with tabs, followed by the statement's
// tokens, each piece followed by a full-width space.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "analysis/token_list.h"
#include "run/run_context.h"
#include "lex/token_kind.h"
#include "lex/tokenizer.h"
#include "platform/text_file.h"

namespace kv {

// The tag texts SetDesignTAG takes.
struct DesignTags {
  static const std::string& Processing();  // "[処理] "
  static const std::string& If();          // "[条件 IF] "
  static const std::string& ElseIf();      // "[条件 ELIF] "
  static const std::string& Else();        // "[条件 ELSE] "
  static const std::string& Loop();        // "[繰返し] "
  static const std::string& Switch();      // "[ケース条件] "
  static const std::string& Case();        // "[ケース] "
  static const std::string& Default();     // "[デフォルト] "
  static const std::string& Break();       // "[ブレイク] "
  static const std::string& Return();      // "[終了] "
};

class ControlDescriptionExtractor {
 public:
  // The statement states; the numbers are those the log shows.
  enum State : int {
    kStart = 0,
    kProcessing = 10,      // up to the ";"
    kIfHead = 20,          // "if": waits for its "("
    kElseIfHead = 21,      // "else if": waits for its "("
    kElse = 22,            // "else": waits for "if" or "{"
    kWhileHead = 25,
    kForHead = 30,
    kSwitchHead = 35,
    kCondition = 40,       // up to the ")" that closes the condition
    kForParts = 41,        // the three parts, up to the closing ")"
    kConditionClosed = 45, // then up to "{" or ";"
    kCaseHead = 50,
    kCaseValue = 51,       // up to the ":"
    kDefaultHead = 55,
    kDefaultRest = 56,
    kBreakHead = 60,
    kBreakRest = 61,
    kReturnHead = 65,
    kReturnValue = 66,     // up to the ";"
    kSkipStatement = 900,  // a statement that produces no line, up to its ";"
    kSkipComment = 950,    // a block comment, up to its "*/"
    kDirective = 1000,     // up to the line end (past a backslash)
  };

  static constexpr int kReportIndex = 3000;
  static constexpr size_t kSpecLineCapacity = 1000;

  explicit ControlDescriptionExtractor(RunContext& ctx);

  // WordAlsFuncltion_Als3: 1 when the body's closing brace (or the end of
  // the file) was reached, 255 when the input or the output did not open.
  int Extract(const std::string& source_path, const std::string& function_name);

  // SetDesignTAG: depth + 1 tabs and the tag's text; the branch tags number
  // the branch by depth and count the "else if" branches.
  std::string SetDesignTAG(const std::string& tag, int depth);

  int elif_counter() const { return elif_counter_; }

 private:
  bool ReadLine();
  void Step(std::string_view token, TokenKind kind);
  void AddPiece(std::string_view piece);
  void EndStatement();
  std::string StepText() const;

  RunContext& ctx_;
  TokenList tokens_;
  LineReader input_;
  LineTokenizer line_;
  TextWriter output_;
  std::string line_text_;
  std::vector<std::string> spec_line_;  // SpecLine
  int elif_counter_ = 0;                // ElifCounter
  int state_ = kStart;
  int idx_ = 0;
  int paren_ = 0;
  int tag_depth_ = 0;
  int body_depth_ = 1;
  int else_depth_ = 0;
};

}  // namespace kv
