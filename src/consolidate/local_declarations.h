// The parameters and locals of one function record, from its "[引数定義]"
// and "[テンポラリ変数]" lines, and the test the passes make with them: an
// entry of the read, write or access lists is based on a local when the
// variable it starts with is one of them (p->count, *p, buf[i], s.f and p
// itself are all based on p).
#pragma once

#include <string>
#include <string_view>
#include <unordered_set>

namespace kv {

// The name a declaration line declares: the word its last field begins
// with ("int\tcount\t" count, "unsigned\tchar\tbuf[4]" buf, "int\t(\t*\tfp)(int)"
// fp); "" for the "void" of a function without parameters, "NONE", and the
// member lines of a local struct body ("struct int\ta"), which declare no
// variable.
std::string_view DeclaredName(std::string_view declaration);

// The variable an entry or access line starts with, past any "*", "&",
// "(" or sign before it ("" when it starts with no name: a number, a literal).
std::string_view EntryBase(std::string_view entry);

class LocalDeclarations {
 public:
  void Add(std::string_view declaration);
  // The entry's base is a parameter or local.
  bool Declares(std::string_view entry) const;
  // The entry's base is a parameter or local of a struct or union type
  // (struct smi_info *p, const union u v), pointer or not.
  bool DeclaresAggregate(std::string_view entry) const;
  bool empty() const { return names_.empty(); }
  void Clear() {
    names_.clear();
    aggregates_.clear();
  }

 private:
  std::unordered_set<std::string> names_;
  std::unordered_set<std::string> aggregates_;
};

}  // namespace kv
