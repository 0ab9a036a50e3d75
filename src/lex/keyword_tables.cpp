#include "lex/keyword_tables.h"

#include <algorithm>

namespace kv {

// The C99/C11 and common compiler words follow the five classic ones: a
// declaration that opens with "static inline" or has "char *restrict p" among
// its parameters is read like one with "static" or "const" there.
const std::vector<std::string_view> kQualifierTable = {
    "static", "const",  "volatile",   "unsigned",  "signed",     "inline",
    "__inline", "__inline__", "_Noreturn", "restrict", "__restrict", "__restrict__"};
const std::vector<std::string_view> kBaseTypeTable = {"char", "int", "short", "long", "BOOL", "void"};
const std::vector<std::string_view> kStatementKeywordTable = {
    "if", "else", "for", "switch", "case", "break", "while", "do", "return", "goto", "default", "continue"};
const std::vector<std::string_view> kArithmeticOperatorTable = {"&", "|", "+", "-", "/", "*", "!", "~", "^"};
const std::vector<std::string_view> kComparisonOperatorTable = {"==", "||", "&&", "!=", "<=", ">=",
                                                                "<",  ">",  ">>", "<<", ">>=", "<<="};

bool InTable(const std::vector<std::string_view>& table, std::string_view token) {
  return std::find(table.begin(), table.end(), token) != table.end();
}

NameList::NameList(size_t capacity, std::initializer_list<std::string_view> names) : capacity_(capacity) {
  for (std::string_view n : names) FindOrAdd(n);
}

int NameList::Find(std::string_view name) const {
  auto it = index_.find(name);
  return it == index_.end() ? -1 : it->second;
}

int NameList::FindOrAdd(std::string_view name) {
  int found = Find(name);
  if (found >= 0) return found;
  if (names_.size() + 1 >= capacity_) return kFull;
  int index = static_cast<int>(names_.size());
  names_.emplace_back(name);
  index_.emplace(std::string(name), index);
  return index;
}

int NameList::AddIfAbsent(std::string_view name) {
  if (Find(name) >= 0) return 1;
  return FindOrAdd(name) == kFull ? kFull : 0;
}

void NameList::Clear() {
  names_.clear();
  index_.clear();
}

void NameList::Truncate(size_t count) {
  if (count >= names_.size()) return;
  names_.resize(count);
  index_.clear();
  for (size_t i = 0; i < names_.size(); ++i) index_.emplace(names_[i], static_cast<int>(i));
}

TypeNameTable::TypeNameTable()
    : list_(kCapacity, {"CHAR", "UCHAR", "SHORT", "USHORT", "LONG", "ULONG", "BOOL", "char", "short", "long", "void",
                        "int", "ResType", "MSG_IF2NAVI_COM", "st_dd_can_msginitbl_canmsg"}) {}

void TypeNameTable::Reset() {
  list_.Clear();
  for (std::string_view n : {"BOOL", "char", "short", "long", "void", "int"}) list_.FindOrAdd(n);
}

int TypeNameTable::FindOrAdd(std::string_view name) {
  int index = list_.FindOrAdd(name);
  if (index == NameList::kFull && on_full) on_full(name);
  return index;
}

void SplitTypeAndName(std::string_view declaration, std::string& type, std::string& name) {
  std::string text(declaration);
  if (text == "void") {
    type = "void";
    name = "void";
    return;
  }
  if (text.find("struct") != std::string::npos) {
    size_t last_tab = text.rfind('\t');
    if (last_tab != std::string::npos) text.erase(last_tab);
    size_t tab = text.rfind('\t');
    name = tab == std::string::npos ? text : text.substr(tab + 1);
    type = "struct";
    return;
  }
  size_t open = text.find('[');
  if (open != std::string::npos && text.find(']') != std::string::npos) {
    // Delete from the "[" up to the last character; when that last character
    // is the "]" itself (a local declaration such as buf[10]) it goes too, so
    // the name does not keep a stray bracket.
    size_t stop = text.size() - 1;
    if (text.back() == ']') stop = text.size();
    if (stop > open) text.erase(open, stop - open);
    if (open > 0 && text[open - 1] == ' ') text.erase(open - 1, 1);
  }
  text.erase(std::remove(text.begin(), text.end(), ';'), text.end());
  if (!text.empty() && text.back() == '\t') text.pop_back();
  size_t tab = text.rfind('\t');
  if (tab == std::string::npos) {
    type.clear();
    name = text;
  } else {
    type = text.substr(0, tab);
    name = text.substr(tab + 1);
  }
}

}  // namespace kv
