#include "prepro/typedef_extraction.h"

#include <charconv>
#include <exception>

#include "run/work_folder.h"
#include "lex/classify.h"
#include "prepro/source_walk.h"
#include "platform/dir_listing.h"
#include "platform/encoding.h"
#include "platform/paths.h"
#include "prepro/prepro_stages.h"

namespace kv {
namespace {

constexpr size_t kLineBufferSize = 3000;  // lines are read with their newline, at most 2999 bytes

bool IsIdentifier(TokenKind kind) { return kind == kKindIdentifier; }
bool IsTypeName(TokenKind kind) { return kind == kKindTypeName; }

// atoi / strtol(…, 16) on the number token as written; digits that do not
// belong to the base end the value, as they would end the C conversion.
int64_t NumberValue(std::string_view token, int base) {
  if (base == 16) token.remove_prefix(2);
  int64_t value = 0;
  for (char c : token) {
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0) break;
    if (value > (INT64_MAX - digit) / base) break;  // saturate instead of overflowing
    value = value * base + digit;
  }
  return value;
}

}  // namespace

std::string EnumRecordPath(std::string_view file_name) {
  size_t dot = file_name.find('.');
  std::string base(file_name.substr(0, dot));
  return work::Path(std::string(work::kDef) + "/" + base + "_DEF_C.dat");
}

void TypedefExtractor::Walk(const std::string& folder, std::string_view pattern) {
  WalkSourceFiles(ctx_, folder, pattern, [this](const std::string& path, const std::string& name) {
    PathParts parts = SplitPath(name);
    if (!IsSourceExtension(parts.extension)) return;
    ctx_.position.current_file = parts.base;
    ExtractFile(path);
  });
}

int TypedefExtractor::ExtractFile(const std::string& path) {
  if (!input_.Open(path)) {
    ctx_.Message(SJ("ファイル開けず") + path);
    return 0;
  }
  if (!typedef_out_.Open(work::Path(work::kTypedef), WriteMode::kAppend)) {
    ctx_.Message(SJ("Typedef.txt作成失敗"));
    input_.Close();
    return 0;
  }
  enum_path_ = EnumRecordPath(SplitPath(path).name);
  state_ = kStart;
  depth_ = 0;
  counter_ = 0;
  prev_token_.clear();
  line_.Assign("");  // no comment is open at a file's start
  line_.clear_invalid_sjis_count();

  try {
    bool have_line = ReadLine();
    while (have_line) {
      uint32_t indent = 0;
      std::string_view token = line_.NextIndented(&indent);
      if (token == "\n") {  // the declaration goes on in the next line
        have_line = ReadLine();
        continue;
      }
      if (token.empty()) {  // a line without its newline: start again
        have_line = ReadLine();
        Reset();
        continue;
      }
      TokenKind kind = ClassifyLineDeclToken(line_, token, ctx_.types());
      if (line_.last_in_comment()) continue;
      Next next = Step(token, kind);
      prev_token_.assign(token);
      if (next == Next::kRestart) {
        have_line = ReadLine();
        Reset();
      }
    }
  } catch (const std::exception&) {
    ctx_.log.Finding(ctx_.position.current_file, ctx_.position.line_counter, line_text_, SJ("例外発生030"));
  }

  input_.Close();
  typedef_out_.Close();
  enum_out_.Close();
  ctx_.ReportInvalidShiftJis(path, line_.invalid_sjis_count(), "DEFINE ALS");
  return 0;
}

bool TypedefExtractor::ReadLine() {
  if (!input_.ReadLine(line_text_, kLineBufferSize)) return false;
  ++ctx_.position.line_counter;
  ctx_.position.current_line = line_text_;
  line_.AssignNextLine(line_text_);
  return true;
}

void TypedefExtractor::Record(std::string_view name) {
  typedef_out_.Write(name);
  typedef_out_.Write("\n");
  ctx_.types().FindOrAdd(name);
}

void TypedefExtractor::WriteEnumRecord(std::string_view name, std::string_view value) {
  if (!enum_out_.is_open() && !enum_out_.Open(enum_path_, WriteMode::kAppend)) return;
  enum_out_.Write(name);
  enum_out_.Write("\t");
  enum_out_.Write(value);
  enum_out_.Write("\n");
}

void TypedefExtractor::WriteEnumRecord(std::string_view name, int64_t value) {
  char text[24];
  auto result = std::to_chars(text, text + sizeof text, value);
  WriteEnumRecord(name, std::string_view(text, static_cast<size_t>(result.ptr - text)));
}

// One token of the declaration walk, as the typedef state table has it.
// "skip" keeps the state; "reset" returns to state 0 in the same line;
// "restart" reads the next line in state 0.
TypedefExtractor::Next TypedefExtractor::Step(std::string_view token, TokenKind kind) {
  switch (state_) {
    case kStart:
      if (token == "typedef") {
        depth_ = 0;
        state_ = kAfterTypedef;
      } else if (token == "struct" || token == "union") {
        state_ = kStruct;
      } else if (token == "enum") {
        counter_ = 0;
        state_ = kEnum;
      } else if (token == "#") {
        return Next::kRestart;
      }
      break;

    case kAfterTypedef:
      if (token == "struct" || token == "union") {
        state_ = kTypedefStruct;
      } else if (token == "enum") {
        counter_ = 0;
        state_ = kEnum;
      } else if (token == "unsigned" || token == "signed") {
        state_ = kTypedefSign;
      } else if (IsTypeName(kind) || IsIdentifier(kind)) {
        state_ = kDeclarator;
      } else if (kind == kKindBaseType) {
        state_ = kTypedefBaseType;
      }
      break;

    case kTypedefStruct:
      if (token == "{") {
        ++depth_;
        state_ = kTypedefStructBody;
      } else if (token == "}") {
        if (--depth_ <= 0) state_ = kDeclarator;
      } else if (IsTypeName(kind)) {
        state_ = kTypedefStructKnown;
      } else if (token == ";") {
        // "typedef struct tag NAME;" with a tag not seen before: NAME is the
        // type. Without this the state stayed open and took the next body's
        // closing brace and the word after it for a typedef.
        if (IsIdentifier(ClassifyDeclToken(prev_token_, ctx_.types()))) Record(prev_token_);
        Reset();
      }
      break;

    case kTypedefStructBody:
      if (token == "{") {
        ++depth_;
      } else if (token == "}") {
        if (--depth_ <= 0) state_ = kDeclarator;
      }
      break;

    case kTypedefStructKnown:
      if (IsIdentifier(kind)) state_ = kTypedefStructKnownName;
      break;

    case kTypedefStructKnownName:
      if (token == ";") {
        Record(prev_token_);
        Reset();
      } else if (token == "(") {
        state_ = kTypedefStructKnownParen;
      }
      break;

    case kTypedefStructKnownParen:
      if (token == ";") Reset();
      break;

    case kDeclarator:
      if (IsIdentifier(kind)) {
        Record(token);  // every name up to the ";" (POINT, *PPOINT)
      } else if (token == "(") {
        return Next::kRestart;  // function-pointer typedefs are not recorded
      } else if (token == ";") {
        Reset();
      }
      break;

    case kTypedefSign:
      if (kind == kKindBaseType) {
        state_ = kTypedefBaseType;
      } else if (kind == kKindQualifier) {
        state_ = kSignQualifier;
      }
      break;

    case kTypedefBaseType:
      if (IsIdentifier(kind)) {
        Record(token);
        Reset();
      } else if (token == "(") {
        return Next::kRestart;
      }
      break;

    case kSignQualifier:
      if (IsTypeName(kind)) {
        state_ = kSignQualifierType;
      } else if (IsIdentifier(kind)) {
        state_ = kSignQualifierName;
      }
      break;

    case kSignQualifierType:
      if (IsIdentifier(kind)) state_ = kSignQualifierName;
      break;

    case kSignQualifierName:
      if (token == ";") {
        Record(prev_token_);
        Reset();
      }
      break;

    case kEnum:
      if (token == "{") {
        ++depth_;
        state_ = kEnumBody;
      } else if (token == "}") {
        if (--depth_ <= 0) state_ = kAfterEnumBody;
      } else if (IsTypeName(kind) || IsIdentifier(kind)) {
        enum_tag_.assign(token);
        state_ = kEnumTag;
      }
      break;

    case kEnumBody:
      if (token == "{") {
        ++depth_;
      } else if (token == "}") {
        if (--depth_ <= 0) state_ = kAfterEnumBody;
      } else if (IsIdentifier(kind)) {
        enumerator_.assign(token);
        state_ = kEnumerator;
      }
      break;

    case kEnumerator:
      if (token == ",") {
        WriteEnumRecord(enumerator_, counter_);
        ++counter_;
        state_ = kEnumBody;
      } else if (token == "}") {
        WriteEnumRecord(enumerator_, counter_);
        ++counter_;
        --depth_;
        state_ = kAfterEnumBody;
      } else if (token == "=") {
        state_ = kEnumValue;
      }
      break;

    case kEnumValue:
      if (kind == kKindNumber || kind == kKindHexNumber) {
        counter_ = NumberValue(token, kind == kKindHexNumber ? 16 : 10);
        WriteEnumRecord(enumerator_, token);
        ++counter_;
        state_ = kEnumBody;
      } else if (IsIdentifier(kind)) {
        value_parens_ = 0;
        state_ = kEnumValueName;  // not a number: no record
      }
      break;

    case kEnumValueName:
      // The rest of a value expression: a "," or "}" inside its parentheses
      // belongs to it; the "}" after it ends the body as after any value.
      if (token == "(") {
        ++value_parens_;
      } else if (token == ")") {
        if (value_parens_ > 0) --value_parens_;
      } else if (value_parens_ == 0 && token == ",") {
        state_ = kEnumBody;
      } else if (value_parens_ == 0 && token == "}") {
        if (--depth_ <= 0) state_ = kAfterEnumBody;
      }
      break;

    case kAfterEnumBody:
      if (IsIdentifier(kind)) {
        Record(token);
      } else if (token == ";") {
        Reset();
      }
      break;

    case kEnumTag:
      if (token == "{") {
        Record(enum_tag_);
        ++depth_;
        state_ = kEnumBody;
      } else if (IsIdentifier(kind)) {
        state_ = kEnumTagName;
      } else {
        Reset();
      }
      break;

    case kEnumTagName:
      if (token == "(") Record(enum_tag_);
      Reset();
      break;

    case kStruct:
      if (IsIdentifier(kind) || IsTypeName(kind)) {
        struct_tag_.assign(token);
        state_ = kStructTag;
      }
      break;

    case kStructTag:
      if (token == "{") {
        Record(struct_tag_);
        ++depth_;
        state_ = kStructBody;
      } else {
        Reset();
      }
      break;

    case kStructBody:
      if (token == "{") {
        ++depth_;
      } else if (token == "}") {
        if (--depth_ <= 0) state_ = kAfterStructBody;
      }
      break;

    case kAfterStructBody:
      if (token == ";") return Next::kRestart;
      break;
  }
  return Next::kToken;
}

StageOutcome RunDefineAlsStage(RunContext& ctx) {
  TypedefExtractor extractor(ctx);
  try {
    extractor.Walk(ctx.mirror_root, "*.*");
  } catch (const std::exception&) {
    ctx.log.Finding(ctx.position.current_file, 0, ctx.mirror_root, "FILE OPEN ERROR");
  }
  return StageOutcome::kContinue;
}

}  // namespace kv
