#include "analysis/definition_shapes.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

std::vector<ShapedDefinition> Find(const std::string& text) {
  LineReader reader;
  reader.OpenText(text);
  return FindDefinitionsByShape(reader, 3000);
}

std::vector<std::string> Names(const std::string& text) {
  std::vector<std::string> names;
  for (const ShapedDefinition& d : Find(text)) names.push_back(d.name);
  return names;
}

using Strings = std::vector<std::string>;

TEST(DefinitionShapesTest, WhateverStandsBeforeTheNameTheLastIdentifierBeforeTheListIsTheName) {
  EXPECT_EQ(Names("static inline int twice(int a) { return a*2; }\n"
                  "static int __init board_init(void) { return 0; }\n"
                  "static struct dev *find_dev(int id) { return 0; }\n"
                  "static __always_inline noinline int clamp(int v) { return v; }\n"
                  "static ssize_t get_len(int fd) { return fd; }\n"
                  "static void ATTR((printf,1,2)) report(const char *f, ...) { }\n"
                  "static __printf(2, 3) void say(int l, const char *f, ...) { }\n"
                  "int stat(const char *p, struct stat *s) { return 0; }\n"
                  "int (*get_handler(void))(int) { return h; }\n"
                  "void die(void) __attribute__((noreturn)) { for (;;) ; }\n"
                  "int locked(void) __acquires(x) { return 0; }\n"),
            (Strings{"twice", "board_init", "find_dev", "clamp", "get_len", "report", "say", "stat", "get_handler",
                     "die", "locked"}));
}

TEST(DefinitionShapesTest, KnrDefinitionsTakeTheirTypesFromTheDeclarationList) {
  std::vector<ShapedDefinition> found = Find(
      "int add(a, b, c) int a; char *b; {\n return a; }\n"
      "main() { }\n"
      "copy(to, from) register char *to, *from; { }\n");
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(found[0].name, "add");
  EXPECT_EQ(found[0].arguments, (Strings{"int\ta\t", "char\t*\tb\t", "int\tc\t"}));
  EXPECT_EQ(found[1].name, "main");
  EXPECT_TRUE(found[1].arguments.empty());
  EXPECT_EQ(found[2].name, "copy");
  EXPECT_EQ(found[2].arguments, (Strings{"register\tchar\t*\tto\t", "register\tchar\t*\tfrom\t"}));
}

TEST(DefinitionShapesTest, ParameterTextsEndAtTheParameterName) {
  std::vector<ShapedDefinition> found =
      Find("void f(const char * restrict p, struct dev *d, int a[4], void (*cb)(int), unsigned, ...) {\n}\n"
           "void g(void) {\n}\n");
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].arguments, (Strings{"const\tchar\t*\trestrict\tp\t", "struct\tdev\t*\td\t", "int\ta\t",
                                         "void\t(\t*\tcb\t"}));
  EXPECT_TRUE(found[1].arguments.empty());
}

TEST(DefinitionShapesTest, AMacroCallWrappingABodyIsNamedAfterTheCallAsWritten) {
  std::vector<ShapedDefinition> found =
      Find("ISR(TIMER0_OVF_vect) { ticks++; }\n"
           "ISR(INT0_vect, ISR_NAKED)\n{\n}\n"
           "SIGNAL(SIG_UART_RECV, \"a*b\") { }\n"
           "SYSCALL_DEFINE2(read, unsigned int, fd) { }\n");
  ASSERT_EQ(found.size(), 4u);
  EXPECT_EQ(found[0].name, "ISR(TIMER0_OVF_vect)");
  EXPECT_EQ(found[0].header, (Strings{"ISR", "(", "TIMER0_OVF_vect", ")"}));
  EXPECT_TRUE(found[0].arguments.empty());
  EXPECT_EQ(found[1].name, "ISR(INT0_vect,ISR_NAKED)");
  EXPECT_EQ(found[2].name, "SIGNAL(SIG_UART_RECV,_a_b_)");  // no quote or "*" in a file name
  EXPECT_EQ(found[3].name, "SYSCALL_DEFINE2(read,unsigned_int,fd)");
  // Arguments after the name in (type, name) pairs are its parameters.
  EXPECT_TRUE(found[1].arguments.empty());
  EXPECT_TRUE(found[2].arguments.empty());
  EXPECT_EQ(found[3].arguments, (Strings{"unsigned\tint\tfd\t"}));
  EXPECT_EQ(Find("BPF_CALL_2(f, const char __user *, buf, u32, len) { }\n")[0].arguments,
            (Strings{"const\tchar\t__user\t*\tbuf\t", "u32\tlen\t"}));
  EXPECT_TRUE(Find("PAIRS(f, a, b + 1) { }\n")[0].arguments.empty());
}

// A header keeps its strings as written, for the return type taken from it.
TEST(DefinitionShapesTest, HeadersKeepTheirLiterals) {
  std::vector<ShapedDefinition> found = Find("int __attribute__ ((section (\".sys\"))) asm_open(int f) { return f; }\n");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].header[6], "\".sys\"");
}

TEST(DefinitionShapesTest, DeclarationsAggregatesAndInitialisersAreNoDefinitions) {
  EXPECT_TRUE(Names("struct device;\n"
                    "struct s { int (*op)(int); } ops;\n"
                    "static const struct ops o = { .probe = probe, };\n"
                    "int table[] = { f(1), 2 };\n"
                    "typedef int (*fn)(int);\n"
                    "enum { A, B };\n"
                    "int proto(int a);\n"
                    "DEFINE_MUTEX(lock);\n"
                    "__attribute__((section(\"x\"))) struct y { int a; };\n"
                    "FOO(x) struct z { int a; };\n")
                  .empty());
}

TEST(DefinitionShapesTest, BracesInCommentsLiteralsAndDirectivesDoNotCount) {
  std::vector<ShapedDefinition> found = Find(
      "/* it's { not a body */\n"
      "#define OPEN {\n"
      "#define LONG(x) \\\n"
      "   x }\n"
      "int first(void)\n"
      "{\n"
      "    char c = '}';  /* don't } */\n"
      "    puts(\"}\"); // }\n"
      "    if (x) { y(); }\n"
      "}\n"
      "int second(int a) { return a; } int third(void) { return 3; }\n");
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(found[0].name, "first");
  EXPECT_EQ(found[0].brace_line, 6);
  EXPECT_EQ(found[0].rest_of_line, "\n");
  EXPECT_EQ(found[1].name, "second");
  EXPECT_EQ(found[1].rest_of_line, " return a; } int third(void) { return 3; }\n");
  EXPECT_EQ(found[2].name, "third");
  EXPECT_EQ(found[2].rest_of_line, " return 3; }\n");
}

TEST(DefinitionShapesTest, MultiLineAsmStringsAndDeclarationsAfterAMissingSemicolon) {
  EXPECT_EQ(Names("\f\nint\nfirst(fd)\n     int fd;\n{\n}\n"
                  "asm(\"\n  { save }\n  ret\n\");\n"
                  "static void\nset_trap(enable)\n     int enable;\n{\n}\n"
                  "DECLARE_THING(x)\nstatic int probe(a) int a; { }\n"),
            (Strings{"first", "set_trap", "probe"}));
}

TEST(DefinitionShapesTest, ExternCBlocksKeepTheirDefinitionsAtFileLevel) {
  EXPECT_EQ(Names("extern \"C\" {\nint f(void) { return 0; }\n}\nint g(void) { return 1; }\n"),
            (Strings{"f", "g"}));
}

TEST(DefinitionShapesTest, BlankingKeepsPositionsAndCarriesBlockComments) {
  BlankState state;
  EXPECT_EQ(BlankCommentsAndLiterals("a /* b\n", state), "a     \n");
  EXPECT_TRUE(state.in_comment);
  EXPECT_EQ(BlankCommentsAndLiterals("c */ \"x\\\"y\" 'z' // w\n", state), "     \"xxxx\" 'x'     \n");
  EXPECT_FALSE(state.in_comment);
  EXPECT_EQ(BlankCommentsAndLiterals("asm(\"{ nop\n", state), "asm(\"xxxxx\n");
  EXPECT_TRUE(state.in_string);
  EXPECT_EQ(BlankCommentsAndLiterals("  } \");  'a\n", state), "xxxxx);  'x\n");
  EXPECT_FALSE(state.in_string);
  EXPECT_EQ(BlankCommentsAndLiterals("\f\vint\r\n", state), "  int \n");
}

}  // namespace
}  // namespace kv
