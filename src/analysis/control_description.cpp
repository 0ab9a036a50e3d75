#include "analysis/control_description.h"

#include <charconv>
#include <exception>

#include "run/work_folder.h"
#include "lex/classify.h"
#include "platform/encoding.h"
#include "platform/paths.h"

namespace kv {
namespace {

constexpr size_t kLineBufferSize = 3000;
constexpr int kNumberEntries = 20;

// Entry n of the number table: "1" to "20" for n = 0 to 19, then empty.
std::string Number(int n) { return n >= 0 && n < kNumberEntries ? std::to_string(n + 1) : std::string(); }

}  // namespace

const std::string& DesignTags::Processing() { return SJ("[処理] "); }
const std::string& DesignTags::If() { return SJ("[条件 IF] "); }
const std::string& DesignTags::ElseIf() { return SJ("[条件 ELIF] "); }
const std::string& DesignTags::Else() { return SJ("[条件 ELSE] "); }
const std::string& DesignTags::Loop() { return SJ("[繰返し] "); }
const std::string& DesignTags::Switch() { return SJ("[ケース条件] "); }
const std::string& DesignTags::Case() { return SJ("[ケース] "); }
const std::string& DesignTags::Default() { return SJ("[デフォルト] "); }
const std::string& DesignTags::Break() { return SJ("[ブレイク] "); }
const std::string& DesignTags::Return() { return SJ("[終了] "); }

ControlDescriptionExtractor::ControlDescriptionExtractor(RunContext& ctx) : ctx_(ctx) {
  const int factor = ctx.memory_factor() < 1 ? 1 : ctx.memory_factor();
  tokens_.Resize(static_cast<size_t>(factor) * 3000);
}

std::string ControlDescriptionExtractor::SetDesignTAG(const std::string& tag, int depth) {
  std::string piece;
  try {
    piece.assign(static_cast<size_t>(depth < 0 ? 0 : depth) + 1, '\t');
    if (tag == DesignTags::If()) {
      piece += SJ("[条件分岐") + Number(depth) + "] ";
      elif_counter_ = 0;
    } else if (tag == DesignTags::ElseIf()) {
      piece += SJ("[条件分岐") + Number(depth) + "-" + Number(elif_counter_) + "] ";
      ++elif_counter_;
    } else if (tag == DesignTags::Else()) {
      piece += SJ("[上記以外]");
      elif_counter_ = 0;
    } else {
      piece += tag;
    }
  } catch (const std::exception&) {
    ctx_.log.Finding("SetDesignTAG", 0, SJ("例外発生170"), "-");
  }
  return piece;
}

std::string ControlDescriptionExtractor::StepText() const {
  char text[16];
  auto result = std::to_chars(text, text + sizeof text, state_);
  return std::string(text, static_cast<size_t>(result.ptr - text));
}

bool ControlDescriptionExtractor::ReadLine() {
  if (!input_.ReadLine(line_text_, kLineBufferSize)) return false;
  ++ctx_.position.line_counter;
  line_.AssignNextLine(line_text_);
  return true;
}

void ControlDescriptionExtractor::AddPiece(std::string_view piece) {
  if (spec_line_.size() < kSpecLineCapacity) spec_line_.emplace_back(piece);
}

// Statement start: the pieces gathered so far become one line.
void ControlDescriptionExtractor::EndStatement() {
  idx_ = -1;  // the loop's advance makes it 0
  paren_ = 0;
  state_ = kStart;
  if (spec_line_.empty()) return;
  std::string line;
  for (const std::string& piece : spec_line_) {
    line += piece;
    line += SJ("　");
  }
  line += '\n';
  output_.Write(line);
  spec_line_.clear();
}

int ControlDescriptionExtractor::Extract(const std::string& source_path, const std::string& function_name) {
  ctx_.position.current_file = function_name;
  state_ = kStart;
  elif_counter_ = 0;
  if (!input_.Open(source_path)) return 255;
  if (!output_.Open(JoinPath(work::Path(work::kSource3), function_name), WriteMode::kTruncate, ctx_.deferred_files)) {
    input_.Close();
    return 255;
  }
  line_.clear_invalid_sjis_count();
  idx_ = 0;
  paren_ = 0;
  tag_depth_ = 0;
  body_depth_ = 1;
  spec_line_.clear();

  try {
    // "[SOURCE]" and the header line are dropped, whatever their length.
    std::string dropped;
    input_.ReadLineNoEol(dropped);
    input_.ReadLineNoEol(dropped);
    line_.Assign("");  // no comment is open at the body's start
    bool have_line = ReadLine();
    if (!have_line) line_.Assign("");
    for (;;) {
      if (idx_ > kReportIndex || idx_ >= static_cast<int>(tokens_.capacity())) {
        ctx_.log.Finding(ctx_.position.current_file, ctx_.position.line_counter, line_text_,
                         SJ("メモリオーバーWordAlsFuncltion_Als3") + StepText());
        idx_ = 0;
      }
      uint32_t indent = 0;
      std::string_view token = line_.NextIndented(&indent);
      if (token.empty()) break;  // ends the analysis, as the closing brace does
      if (token == "\n") {
        if (state_ == kDirective && !(idx_ > 0 && tokens_[static_cast<size_t>(idx_ - 1)] == "\\")) {
          EndStatement();
          idx_ = 0;
        }
        do {
          if (!ReadLine()) break;
          token = line_.NextIndented(&indent);
        } while (token == "\n");
        if (token.empty() || token == "\n") break;
      }
      const TokenKind kind = ClassifyLineToken(line_, token, ctx_.types());
      // Words inside a block comment are no code: no brace, no parenthesis.
      if (kind == kKindComment || kind == kKindCommentText) continue;
      tokens_.Set(static_cast<size_t>(idx_), token);
      if (token == "(") ++paren_;
      if (token == ")") --paren_;
      if (token == "{") {
        ++tag_depth_;
        ++body_depth_;
      }
      if (token == "}") {
        --tag_depth_;
        if (--body_depth_ < 1) break;
      }
      Step(token, kind);
      ++idx_;
    }
  } catch (const std::exception&) {
    ctx_.log.Finding(ctx_.position.current_file, ctx_.position.line_counter, line_text_,
                     SJ("例外発生150-") + StepText());
  }
  output_.Close();
  input_.Close();
  ctx_.ReportInvalidShiftJis(source_path, line_.invalid_sjis_count(), "WordAlsFuncltion_Als3");
  return 1;
}

// One token, in the order of the statement table.
void ControlDescriptionExtractor::Step(std::string_view token, TokenKind kind) {
  switch (state_) {
    case kStart:
      if (token == "if") {
        state_ = kIfHead;
      } else if (token == "else") {
        else_depth_ = tag_depth_;
        state_ = kElse;
      } else if (token == "while") {
        state_ = kWhileHead;
      } else if (token == "for") {
        state_ = kForHead;
      } else if (token == "switch") {
        state_ = kSwitchHead;
      } else if (token == "case") {
        state_ = kCaseHead;
      } else if (token == "default") {
        state_ = kDefaultHead;
      } else if (token == "break") {
        state_ = kBreakHead;
      } else if (token == "return") {
        state_ = kReturnHead;
      } else if (token == "#") {
        state_ = kDirective;
      } else if (token == "do" || token == "{" || token == "}" || token == ";") {
        EndStatement();
      } else if (token == "\\" || kind == kKindCommentClose) {
        // passed over
      } else if (kind == kKindCommentOpen) {
        state_ = kSkipComment;
      } else if (kind == kKindIdentifier || token == "*" || token == "**" || token == "++" || token == "--" ||
                 token == "(") {
        AddPiece(SetDesignTAG(DesignTags::Processing(), tag_depth_));
        if (token != "(") AddPiece(token);
        state_ = kProcessing;
      } else {
        state_ = kSkipStatement;  // a declaration, "continue", "goto", …: no line
      }
      return;

    case kProcessing:
      if (token == ";") return EndStatement();
      AddPiece(token);
      return;

    case kIfHead:
    case kElseIfHead:
      if (token == "(") {
        AddPiece(SetDesignTAG(state_ == kIfHead ? DesignTags::If() : DesignTags::ElseIf(), tag_depth_));
        state_ = kCondition;
      }
      return;

    case kElse:
      if (token == "if") {
        state_ = kElseIfHead;
      } else if (token == "{") {
        AddPiece(SetDesignTAG(DesignTags::Else(), else_depth_));
        EndStatement();
      } else if (token == ";") {
        EndStatement();
      } else {
        state_ = kSkipStatement;  // an else without braces: its statement gets no line
      }
      return;

    case kWhileHead:
    case kSwitchHead:
      if (token == "(") {
        AddPiece(SetDesignTAG(state_ == kWhileHead ? DesignTags::Loop() : DesignTags::Switch(), tag_depth_));
        state_ = kCondition;
      }
      return;

    case kForHead:
      if (token == "(") {
        AddPiece(SetDesignTAG(DesignTags::Loop(), tag_depth_));
        AddPiece(token);
        state_ = kForParts;
      }
      return;

    case kCondition:
      if (token == ")" && paren_ <= 0) {
        state_ = kConditionClosed;
        return;
      }
      AddPiece(token);
      return;

    case kForParts:
      AddPiece(token);
      if (token == ")" && paren_ <= 0) state_ = kConditionClosed;
      return;

    case kConditionClosed:
      // A statement the condition controls without braces gets no line.
      if (token == "{" || token == ";") EndStatement();
      return;

    case kCaseHead:
    case kDefaultHead:
      AddPiece(SetDesignTAG(state_ == kCaseHead ? DesignTags::Case() : DesignTags::Default(), tag_depth_));
      if (state_ == kCaseHead) {
        if (token == ":") return EndStatement();
        AddPiece(token);
        state_ = kCaseValue;
      } else {
        AddPiece(token);
        if (token == ":") return EndStatement();
        state_ = kDefaultRest;
      }
      return;

    case kCaseValue:
    case kDefaultRest:
      if (token == ":") return EndStatement();
      AddPiece(token);
      return;

    case kBreakHead:
    case kReturnHead:
      AddPiece(state_ == kBreakHead ? SetDesignTAG(DesignTags::Break(), tag_depth_ + 1)
                                    : SetDesignTAG(DesignTags::Return(), tag_depth_));
      AddPiece(token);
      if (token == ";") return EndStatement();
      state_ = state_ == kBreakHead ? kBreakRest : kReturnValue;
      return;

    case kBreakRest:
    case kReturnValue:
      if (token == ";") return EndStatement();
      AddPiece(token);
      return;

    case kSkipStatement:
      if (token == ";") EndStatement();
      return;

    case kSkipComment:
      if (token.find("*/") != std::string_view::npos) EndStatement();
      return;

    case kDirective:
      return;  // ends at the line end
  }
}

}  // namespace kv
