#include "consolidate/func_als15.h"

#include <gtest/gtest.h>

#include "consolidate/consolidate_test_support.h"
#include "lex/keyword_tables.h"

namespace kv {
namespace {

using testing::RewriteText;
using testing::ScratchFolder;

struct Expansion {
  std::string entry;
  std::vector<std::string> extra;
  std::string rewritten;
};

TEST(SubscriptExpanderTest, SubscriptVariablesBecomeEntriesOfTheirOwn) {
  TypeNameTable types;
  types.Reset();
  SubscriptExpander expander(types);
  const Expansion cases[] = {
      {"a[i]", {"i"}, "a[]"},
      {"a[i+j]", {"i", "j"}, "a[]"},
      {"m[x][y]", {"x", "y"}, "m[][]"},
      {"a[3]", {}, "a[]"},
      {"a[f(x)]", {"x)"}, "a[]"},  // the run starts at the last identifier
      {"tbl[n+1].x", {"n"}, "tbl[].x"},
      {"a[b[i]]", {"i", "b[]"}, "a[]"},
      {"s.t[k]", {"k"}, "s.t[]"},
      {"a[p->q]", {"p->q"}, "a[]"},
      {"ats[r.base+r.count-1]", {"r.base", "r.count"}, "ats[]"},
      {"a[(int)x<<2]", {"x"}, "a[]"},  // int is a type name: no run starts there
      {"hex[c%16]", {"c"}, "hex[]"},
      {"a[n?i:j]", {"n", "i", "j"}, "a[]"},
      {"a[i", {}, "a["},               // not closed: the entry keeps what it had
  };
  for (const Expansion& c : cases) {
    std::vector<std::string> extra;
    EXPECT_EQ(expander.Rewrite(c.entry, extra), c.rewritten) << c.entry;
    EXPECT_EQ(extra, c.extra) << c.entry;
  }
}

TEST(SubscriptExpanderTest, AVariableNamedLikeATypeKeepsItsMembers) {
  // struct smi_info *smi_info: the tag makes the word a type name project-wide,
  // yet before "->" or "." it can only be the variable.
  TypeNameTable types;
  types.Reset();
  types.FindOrAdd("smi_info");
  types.FindOrAdd("io");  // struct io { … } io;
  SubscriptExpander expander(types);
  std::vector<std::string> extra;
  EXPECT_EQ(expander.Rewrite("tbl[smi_info->io.si_type]", extra), "tbl[]");
  EXPECT_EQ(extra, std::vector<std::string>{"smi_info->io.si_type"});
  EXPECT_EQ(expander.Rewrite("tbl[(smi_info)x+smi_info.n]", extra), "tbl[]");
  EXPECT_EQ(extra, (std::vector<std::string>{"x", "smi_info.n"}));
}

TEST(SubscriptExpanderTest, HostileSubscriptsEndWithoutExhaustingAnything) {
  TypeNameTable types;
  SubscriptExpander expander(types);
  std::vector<std::string> extra;
  // 50,000 nested brackets in a 100 kB line: the nesting is bounded, and
  // everything inside the outermost subscript is its contents.
  std::string deep = "a" + std::string(50000, '[') + "i" + std::string(50000, ']') + ".x";
  EXPECT_EQ(expander.Rewrite(deep, extra), "a[].x");
  // Past 500 tokens the extraction stops collecting but still closes.
  std::string wide = "a[";
  for (int i = 0; i < 400; ++i) wide += "v" + std::to_string(i) + "+";
  wide += "w].x";
  EXPECT_EQ(expander.Rewrite(wide, extra), "a[].x");
  EXPECT_EQ(extra.size(), 250u);
  EXPECT_EQ(extra.front(), "v0");
}

TEST(ExpandSubscriptsTest, OnlyTheReadSectionIsRewritten) {
  ScratchFolder scratch;
  TypeNameTable types;
  SubscriptExpander expander(types);
  auto expand = [&](LineReader& in, TextWriter& out) { ExpandSubscripts(in, out, expander); };
  EXPECT_EQ(RewriteText("[書込み変数]\nb[i]\n\n[参照変数]\nb[i]\nc\n\n[戻り値]\nd[j]\n\n", expand),
            "[書込み変数]\nb[i]\n\n[参照変数]\ni\nb[]\nc\n\n[戻り値]\nd[j]\n\n");
  // "NONE" gets the section's empty line, then the record's own follows.
  EXPECT_EQ(RewriteText("[参照変数]\nNONE\n\n[戻り値]\n", expand), "[参照変数]\nNONE\n\n\n[戻り値]\n");
  // A section cut off by the end of the record is still closed.
  EXPECT_EQ(RewriteText("[参照変数]\na[k]", expand), "[参照変数]\nk\na[]\n\n");
}

}  // namespace
}  // namespace kv
