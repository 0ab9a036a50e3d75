// DEFINE ALS: the type names that declarations of the preprocessed copy
// introduce (typedef names, struct / union / enum tags), appended to
// Typedef.txt and registered in the type-name table, and the enumeration
// constants appended as "name<TAB>value" records to DEF/<base>_DEF_C.dat.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "run/run_context.h"
#include "lex/token_kind.h"
#include "lex/tokenizer.h"
#include "platform/text_file.h"

namespace kv {

class TypedefExtractor {
 public:
  // The states of the declaration walk; the numbers are those of the
  // typedef state table and appear in nothing but this file's logic.
  enum State : int {
    kStart = 0,
    kAfterTypedef = 1,
    kTypedefStruct = 2,
    kTypedefStructBody = 3,
    kTypedefStructKnown = 5,
    kTypedefStructKnownName = 6,
    kTypedefStructKnownParen = 7,
    kDeclarator = 10,
    kTypedefSign = 20,
    kTypedefBaseType = 30,
    kSignQualifier = 40,
    kSignQualifierType = 41,
    kSignQualifierName = 42,
    kEnum = 102,
    kEnumBody = 103,
    kEnumerator = 105,
    kEnumValue = 108,
    kEnumValueName = 109,
    kAfterEnumBody = 110,
    kEnumTag = 120,
    kEnumTagName = 121,
    kStruct = 150,
    kStructTag = 151,
    kStructBody = 152,
    kAfterStructBody = 153,
  };

  explicit TypedefExtractor(RunContext& ctx) : ctx_(ctx) {}

  // The definition walk: every file of `folder` matching `pattern`, folders
  // recursively, in listing order; the stop flag is tested before each entry.
  // False when the stop flag ended the walk.
  void Walk(const std::string& folder, std::string_view pattern);

  // The extraction of one file; always 0 (failures are reported).
  int ExtractFile(const std::string& path);

 private:
  enum class Next { kToken, kRestart };

  Next Step(std::string_view token, TokenKind kind);
  // "record": the name to Typedef.txt and to the type-name table.
  void Record(std::string_view name);
  void WriteEnumRecord(std::string_view name, std::string_view value);
  void WriteEnumRecord(std::string_view name, int64_t value);
  bool ReadLine();
  void Reset() { state_ = kStart; }

  RunContext& ctx_;
  LineReader input_;
  LineTokenizer line_;
  TextWriter typedef_out_;
  TextWriter enum_out_;
  std::string enum_path_;
  std::string line_text_;
  std::string prev_token_;  // the token before the current one
  std::string enumerator_;  // the enumerator of states 105 and 108
  std::string enum_tag_;    // the tag of states 120 and 121
  std::string struct_tag_;  // the tag of states 150 and 151
  int state_ = kStart;
  int depth_ = 0;
  int value_parens_ = 0;  // parentheses open in an enumerator's value (state 109)
  int64_t counter_ = 0;
};

// The file's enumeration-record file: DEF/ + the name up to its first "." +
// "_DEF_C.dat" (headers too).
std::string EnumRecordPath(std::string_view file_name);

}  // namespace kv
