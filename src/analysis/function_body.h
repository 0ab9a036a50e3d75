// AnalyzeFunctionBody: reads one function's body from the still open source
// file, statement by statement, and writes the function's four files:
// func_als/<f> (the section-tagged record every later stage reads),
// SOURCE/<f> (the body as tokens), SOURCE2/<f> (one line of pieces per
// statement) and HTML/<f>.html (the body as a page, comments in blue, a ◆
// link after every call); then the line counts in the INF file.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "analysis/body_lists.h"
#include "analysis/token_list.h"
#include "run/member_names.h"
#include "run/run_context.h"
#include "lex/token_kind.h"
#include "lex/tokenizer.h"
#include "platform/text_file.h"

namespace kv {

inline constexpr int kMaxArguments = 30;

// What the file scanner hands over for each definition.
struct FunctionHeader {
  int name_index = 0;      // of the function name in the header's TokenList
  int argument_count = 0;  // 0 for "(void)" and "()"
  std::string file_path;   // full path of the input file
  std::string file_name;   // with extension, as found on disk (main.c)
  std::string folder_name; // the folder holding the file, upper-cased
  std::array<std::string, kMaxArguments> arguments;  // "int\tcount\t"
  int brace_index = 0;     // of the "{" that opens the body
  // Set for a definition the file-level scan missed and its shape revealed:
  // its body registers no type names (the scan's own records stay as they
  // were), and `record_name`, when not empty, names its files instead of the
  // name token (a body wrapped in a macro call: ISR(TIMER0_OVF_vect)).
  bool recovered = false;
  std::string record_name;
};

// Which per-function files this run has written. Names are matched ignoring
// ASCII case, as the files collide on a case-insensitive disk; the spelling
// met first is the one on disk.
//
// Every definition gets files of its own. While the walk goes on, the first
// definition of a name writes under the name and each later one under a
// stand-in (name + "@" + its number); FinishWalk then gives the definitions
// of a name met more than once their lasting names (run/definition_index.h),
// renames their files and points the ◆ links of their callers' pages at the
// definition each caller's file links to.
class FunctionFileRegistry {
 public:
  struct Claim {
    std::string file_name;  // the name to use for the files now
  };
  // A function's files are about to be written from `source_path` (the path
  // below the project folder, "/" between folders).
  Claim ClaimFunction(std::string_view name, std::string_view source_path, bool is_static = false);
  // The spelling of the page file HTML/<spelling>.html for a callee
  // `name`. `created` is set when no function page and no placeholder of that
  // name existed yet: the caller creates the placeholder now.
  const std::string& PageName(std::string_view name, bool* created);
  // The function claimed last links to the page of `page_name`.
  void NoteLink(const std::string& page_name);
  // `path` has an #include of `header` (as written).
  void NoteInclude(std::string path, std::string header);
  // A file-level variable (its name as written) defined in `path`.
  void NoteVariable(std::string name, std::string path, bool is_static);
  // The names the bodies use as members (MemberNames.txt at the walk's end).
  MemberNames& members() { return members_; }

  // After the walk: the lasting names, the files renamed, the links
  // followed, FuncList_Records.txt written; each renamed record logged.
  void FinishWalk(RunContext& ctx);

 private:
  struct Entry {
    std::string spelling;
    std::vector<size_t> definitions;  // into defined_; none for a placeholder page
  };
  struct Defined {
    std::string name;
    std::string path;
    bool is_static = false;
    std::string written;  // the files' name during the walk
    std::string record;   // the lasting name
    std::vector<std::string> links;  // pages its page links to
  };
  std::vector<std::string> NameVariables(RunContext& ctx) const;

  std::unordered_map<std::string, Entry> entries_;
  std::vector<Defined> defined_;
  std::vector<std::pair<std::string, std::string>> includes_;
  struct Variable {
    std::string name;
    std::string path;
    bool is_static = false;
  };
  std::vector<Variable> variables_;
  MemberNames members_;
};

// ASCII letters upper-cased; the second byte of a Shift-JIS character is
// left alone.
std::string UpperCaseSjis(std::string_view text);

class FunctionBodyAnalyzer {
 public:
  // The statement states; the numbers are those the log shows (the step
  // text). States the table leaves to the pattern have numbers of their own
  // next to their siblings.
  enum State : int {
    kStart = 0,
    kDeclType = 10,          // after a type: the name, then ; , =
    kDeclNext = 11,          // after a ",": the next name of the same type
    kAggregate = 15,         // "struct" / "union" first
    kAggregateBody = 16,
    kAggregateMember = 17,
    kAggregateClosed = 18,
    kAggregateName = 19,
    kParenFirst = 25,        // "(" first
    kParenClosed = 26,
    kIncrementFirst = 30,    // "++" / "--" first
    kIncrementName = 31,
    kDerefFirst = 40,        // "*" first
    kDerefParen = 41,
    kDerefName = 42,
    kIdentifier = 70,        // identifier first
    kIdentifierStepped = 71, // after x++ / x--
    kMemberName = 73,        // after "." or "->"
    kSubscript = 75,         // [ … ] after the identifier
    kUnknownTypeDecl = 77,   // "T x" with T not yet a type name
    kCallArgs = 80,          // statement call: between arguments
    kCallDone = 81,
    kCallArg = 82,           // statement call: inside an identifier argument
    kRhs = 100,              // right-hand side
    kRhsParen = 103,
    kRhsValue = 110,
    kRhsSubscript = 111,
    kRhsAfterParen = 115,
    kRhsCallArgs = 120,      // call inside a value (and nested calls)
    kRhsAfterCall = 121,
    kRhsCallArg = 122,
    kIf = 200,
    kCondition = 201,
    kConditionValue = 205,
    kConditionSubscript = 206,
    kConditionCallArgs = 207,
    kConditionAfterCall = 208,
    kConditionCallArg = 209,
    kConditionDone = 210,
    kWhile = 300,
    kFor = 400,
    kForInit = 410,
    kForInitTarget = 411,
    kForInitValue = 412,
    kForInitValueText = 413,
    kForSubscript = 420,
    kForCondition = 430,
    kForConditionLeft = 431,
    kForConditionRight = 432,
    kForConditionRightText = 433,
    kForStep = 445,
    kForStepName = 446,
    kForStepDone = 447,
    kForTail = 448,
    kDo = 500,
    kSwitch = 600,
    kSwitchExpression = 601,
    kSwitchValue = 602,
    kSwitchDone = 603,
    kCase = 650,
    kReturn = 750,
    kReturnParen = 751,
    kReturnParenValue = 752,
    kReturnValue = 753,
    kReturnAfterParen = 754,
    kContinue = 800,
    kSkipStatement = 900,
    kSkipComment = 950,
    kSkipAsm = 960,          // asm ( … ); up to its ";"
    kSkipAsmBlock = 970,     // __asm … __endasm;
    kDirective = 1000,
  };

  static constexpr int kReportIndex = 3000;  // "メモリオーバー" past this index

  explicit FunctionBodyAnalyzer(RunContext& ctx);

  // AnalyzeFunctionBody: `input` is positioned after the line that holds the
  // body's "{", `line` holds what followed the "{". 1 when the body was
  // analysed, 255 when an output file did not open (nothing is read then).
  // `inf` is the open INF file of the source (the counts are appended).
  int Analyze(LineReader& input, LineTokenizer& line, const TokenList& header_tokens, const FunctionHeader& header,
              TextWriter& inf);
  FunctionFileRegistry& files() { return files_; }

 private:
  struct CallFrame {
    int name = 0;     // first token of the call text
    int callee = 0;   // the token before the "(": the page the link names
    int arg = -1;     // start of the operand being read
    int depth = 1;    // parentheses open inside this call
    int brackets = 0;  // [ ] open in the operand
    bool after_paren = false;  // the operand began right after a "(" (a cast's type?)
    bool tag_next = false;     // after struct, union or enum
    bool no_reads = false;     // offsetof(type, member)
    bool arg_is_type = false;      // the argument so far holds a type word
    bool arg_has_operand = false;  // ... or an operand
    bool members_follow = false;   // an argument was a type: members follow
    int args_state = kCallArgs;
    int arg_state = kCallArg;
    int return_state = kCallDone;
  };

  bool OpenOutputs(const std::string& file_name);
  void WriteHeads(const TokenList& header_tokens, const FunctionHeader& header);
  void WriteRecordTail();
  void CloseOutputs();
  bool ReadBodyLine();
  static size_t ContinuedLiteralEnd(std::string_view line, bool* closed);

  void CopyToken(std::string_view token, TokenKind kind, bool spaced);
  void CopyComment(std::string_view token, TokenKind kind, bool spaced);
  void Step(std::string_view token, TokenKind kind);
  void StepStart(std::string_view token, TokenKind kind);
  bool StepDeclaration(std::string_view token, TokenKind kind);
  bool StepStatementHead(std::string_view token, TokenKind kind);
  bool StepRightHandSide(std::string_view token, TokenKind kind);
  bool StepCondition(std::string_view token, TokenKind kind);
  bool StepFor(std::string_view token, TokenKind kind);
  bool StepOther(std::string_view token, TokenKind kind);
  void StepCall(std::string_view token, TokenKind kind);
  void StepSubscript(std::string_view token, TokenKind kind);
  void EndStatement();
  void BeginInitialiser();
  bool StepInitialiser(std::string_view token);

  void BeginCall(int args_state, int arg_state, int return_state);
  void CloseCallParenthesis();
  void EndArgument(CallFrame& frame, bool written);
  int ChainStart(int last) const;
  bool StepDeclarator(std::string_view token, TokenKind kind);
  int NameEnd(int i) const;
  int FirstOfTrailing(int i, std::string_view token) const;
  bool StartsOperand(std::string_view token, TokenKind kind) const;
  bool EndsOperand(std::string_view token, TokenKind kind) const;
  int MatchingOpen(int close) const;
  void BeginSubscript(int subscript_state, int return_state);
  bool IsCallArgsState(int state) const;
  bool IsCallArgState(int state) const;

  // What a token means here: a name the function declares is a variable
  // even where the project-wide type-name table holds it.
  TokenKind Meaning(std::string_view token, TokenKind kind) const;
  void ScopeArguments(const FunctionHeader& header);
  bool InScope(std::string_view name) const { return scope_.count(std::string(name)) != 0; }
  bool IsDeclaredName(std::string_view token, TokenKind kind, int i) const;
  bool FollowedByAnOperand() const;

  void RecordTemporary(int type_start, int type_end, int name_start, int name_end, std::string_view prefix = {});
  void RecordRead(int a, int b);
  void RecordWrite(int a, int b);
  void RecordReturn(int a, int b);
  void RecordCall(int a, int b, int callee);
  void RegisterTypeName(int index);
  bool LineGoesOnWith(std::string_view chars) const;
  bool LineGoesOnWithArrow() const;
  bool LineGoesOnWithQualifier() const;
  bool IsCompoundOperator(TokenKind kind) const;
  bool LineGoesOnWithOperand() const;
  std::string StepText() const;

  RunContext& ctx_;
  TokenList tokens_;
  BodyLists lists_;
  FunctionFileRegistry files_;
  bool folders_made_ = false;
  bool write_files_ = false;
  bool register_types_ = true;

  TextWriter record_, page_, source_, source2_, placeholder_;
  std::string function_name_;
  std::string html_folder_;

  LineReader* input_ = nullptr;
  LineTokenizer* line_ = nullptr;
  std::string body_line_;  // BodyLine

  // Token loop.
  int depth_ = 1;          // brace depth of the body
  bool in_comment_ = false;
  bool new_line_ = false;  // the new-line flag of the code-line count
  bool first_on_line_ = false;
  bool source_line_open_ = false;  // something written on the SOURCE line
  bool on_brace_line_ = true;      // still on the line of the body's "{"
  bool literal_goes_on_ = false;   // a string literal continued with a backslash
  long lines_read_ = 0, code_lines_ = 0, comment_lines_ = 0;

  // Statement.
  int state_ = kStart;
  int idx_ = 0;
  bool advance_ = true;
  int paren_ = 0;
  int aggregate_ = 0;
  bool aggregate_union_ = false;
  int type_start_ = -1, type_end_ = -1, name_start_ = -1;
  int ident_start_ = -1;
  int value_start_ = -1;
  bool value_cast_ = false;
  int deref_paren_ = 0;
  int member_type_start_ = -1, member_type_end_ = -1, member_name_start_ = -1;
  int sub_depth_ = 0, sub_pending_ = -1, sub_return_ = kStart;
  bool in_initialiser_ = false;  // the right-hand side is a declaration's initialiser
  int initialiser_braces_ = 0;   // { } open in it
  int step_bracket_ = 0;
  bool step_prefix_ = false;
  std::vector<CallFrame> calls_;
  int decl_brackets_ = 0;  // [ ] or ( ) after the name open in a declarator
  int name_end_ = -1;      // the declarator's last token, when an attribute follows it
  bool aggregate_tagged_ = false;

  // The function's parameters and locals declared so far.
  std::unordered_set<std::string> scope_;
};

}  // namespace kv
