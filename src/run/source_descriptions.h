// What the comments of the sources say, in the two forms the stages hand on:
//
// * the description file COMMENT/<source file name> that FILE ALS writes for
//   every source file it scans: the file's header comment, its functions
//   (definitions and commented prototypes) with their descriptions, and its
//   file-level variables, constants, #defines and enumerators;
// * the description sections that CALL LIST appends to every final record,
//   after the sections every other reader knows ("[コール元]" last among
//   them), so that no existing reader sees them.
//
// Both are tagged text like the records: a tag line, one entry per line, one
// empty line; "NONE" for a section without entries. Texts are CP932 lines as
// the comment has them, without the comment's markers; an empty line of a
// comment is not kept (an empty line ends a section). Entries that belong to
// a name are "name<TAB>line", one per line of their text: consecutive
// entries of the same name are one text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kv {

using TextLines = std::vector<std::string>;

// The text of one parameter, local, return value or item.
struct NamedText {
  std::string name;  // "" for a return value's general text
  TextLines lines;
  bool operator==(const NamedText&) const = default;
};

// A function's description, sorted by the headings of its design document.
struct FunctionDescription {
  TextLines summary;                // 機能/概要, @brief, plain text
  TextLines details;                // 処理, @details
  std::vector<NamedText> returns;   // 戻り値, @return (general), @retval VALUE
  std::vector<NamedText> parameters;
  std::vector<NamedText> locals;
  TextLines notes;                  // 備考, @note and the like
  bool empty() const;
  bool operator==(const FunctionDescription&) const = default;
};

// The six record sections, in the order they are written.
namespace description_tag {
const std::string& Summary();     // "[関数説明]"
const std::string& Details();     // "[処理説明]"
const std::string& Returns();     // "[戻り値説明]"
const std::string& Parameters();  // "[引数説明]"
const std::string& Locals();      // "[テンポラリ変数説明]"
const std::string& Notes();       // "[備考]"
// True for any of the six.
bool IsDescriptionTag(std::string_view line);
}  // namespace description_tag

// Appends the six sections of `d` (each tag, its entries or "NONE", and one
// empty line) to `out`, lines ending in "\n".
void AppendDescriptionSections(std::string& out, const FunctionDescription& d);

// Takes one section (its tag and its entry lines, "NONE" included) into `d`;
// false when `tag` is none of the six.
bool ReadDescriptionSection(std::string_view tag, const std::vector<std::string>& entries, FunctionDescription& d);

// A file-level name the module-definition sheet lists.
enum class ItemKind {
  kPublicVariable,    // 公開変数
  kInternalVariable,  // 内部変数 (static)
  kConstant,          // 固定定数 (const), enumerators too
  kExternal,          // 外部変数 (extern declarations)
  kDefine,            // define
};

struct DescribedItem {
  ItemKind kind = ItemKind::kPublicVariable;
  std::string name;   // with its array dimensions, a macro with its parameters
  std::string type;   // the declared type (a constant's enum type), "" for a #define
  std::string value;  // a #define's value, blanks collapsed
  TextLines lines;
  bool operator==(const DescribedItem&) const = default;
};

struct DescribedFunction {
  std::string name;         // as its record is named
  bool is_static = false;   // defined static: an internal function
  FunctionDescription description;
  // The leading white space (columns, tab stops every 4) of each line of the
  // body after the "{" line that holds anything, the line of the closing "}"
  // included: one entry per line of the body text after its header line in
  // SOURCE/<name>.
  std::vector<int> indents;
  bool operator==(const DescribedFunction&) const = default;
};

struct FileDescriptions {
  std::string file_name;    // main.c
  std::string folder_name;  // as the records give it (upper-cased)
  std::string path;         // below the source folder, "/" between the parts
  TextLines summary;        // the header comment: what the file is
  TextLines notes;          // the header comment: everything else
  std::vector<DescribedFunction> functions;   // definitions, in file order
  std::vector<DescribedFunction> prototypes;  // prototypes with a comment above them
  std::vector<DescribedItem> items;           // in file order
  bool operator==(const FileDescriptions&) const = default;
};

// The description file's text ("\n" line ends) and back. Parsing never
// fails: what it cannot place is passed over.
std::string FormatDescriptionFile(const FileDescriptions& file);
FileDescriptions ParseDescriptionFile(std::string_view text);

// The description file of the n-th scanned source file of this name (n from
// 1; names compared ignoring case): COMMENT/main.c, COMMENT/main.c~2, ...
std::string DescriptionFilePath(std::string_view file_name, int n);

// The word naming an item kind in the description file ("公開変数" ...,
// "define"), CP932: the label of its table on the module-definition sheet.
const std::string& ItemKindName(ItemKind kind);

}  // namespace kv
