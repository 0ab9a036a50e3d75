#include "analysis/comment_attachment.h"

#include <gtest/gtest.h>

#include "platform/encoding.h"

namespace kv {
namespace {

using Lines = std::vector<std::string>;

constexpr size_t kLineBuffer = 3000;

// The descriptions of a file given in UTF-8 (converted to CP932, as the
// preprocessed copy holds it).
FileDescriptions Describe(const std::string& utf8) {
  LineReader reader;
  reader.OpenText(ToCp932(utf8));
  const std::vector<ShapedDefinition> definitions = FindDefinitionsByShape(reader, kLineBuffer);
  return ReadSourceDescriptions(reader, kLineBuffer, definitions, {"f.c", "SRC", "src/f.c"});
}

Lines Utf8(const TextLines& lines) {
  Lines out;
  for (const std::string& l : lines) out.push_back(ToUtf8(l));
  return out;
}

std::string Utf8Named(const std::vector<NamedText>& texts) {
  std::string out;
  for (const NamedText& t : texts) {
    out += ToUtf8(t.name) + "=";
    for (size_t i = 0; i < t.lines.size(); ++i) out += (i ? "/" : "") + ToUtf8(t.lines[i]);
    out += ";";
  }
  return out;
}

const DescribedFunction& Function(const FileDescriptions& f, const std::string& name) {
  for (const DescribedFunction& d : f.functions)
    if (d.name == name) return d;
  static const DescribedFunction none;
  ADD_FAILURE() << "no function " << name;
  return none;
}

// kind:name:type:value=text, one item a line.
std::string Items(const FileDescriptions& f) {
  std::string out;
  for (const DescribedItem& item : f.items) {
    out += ToUtf8(ItemKindName(item.kind)) + ":" + item.name + ":" + item.type + ":" + item.value + "=";
    for (size_t i = 0; i < item.lines.size(); ++i) out += (i ? "/" : "") + ToUtf8(item.lines[i]);
    out += "\n";
  }
  return out;
}

TEST(CommentAttachmentTest, HeaderBlockBlockAboveAndLocals) {
  FileDescriptions f = Describe(
      "/* f.c : 入出力 */\n"
      "#include \"x.h\"\n"
      "\n"
      "/* 初期化 */\n"
      "\n"
      "static void init(void)\n"
      "{\n"
      "    int i;            /* ループ */\n"
      "    UCHAR *p, *q;     // ポインタ\n"
      "    /* 上の説明 */\n"
      "    long n;\n"
      "    /* 処理の説明 */\n"
      "    long m = start();\n"
      "    i = 0;            /* 代入 */\n"
      "}\n"
      "int run(void) { return 0; }\n");
  EXPECT_EQ(Utf8(f.summary), (Lines{"f.c : 入出力"}));
  ASSERT_EQ(f.functions.size(), 2u);
  const DescribedFunction& init = Function(f, "init");
  EXPECT_TRUE(init.is_static);
  EXPECT_EQ(Utf8(init.description.summary), (Lines{"初期化"}));
  EXPECT_EQ(Utf8Named(init.description.locals), "i=ループ;p=ポインタ;q=ポインタ;n=上の説明;");
  // The body lines after the "{" line: their indentation, blank lines left out.
  EXPECT_EQ(init.indents, (std::vector<int>{4, 4, 4, 4, 4, 4, 4, 0}));
  const DescribedFunction& run = Function(f, "run");
  EXPECT_FALSE(run.is_static);
  EXPECT_TRUE(run.description.empty());
  EXPECT_TRUE(run.indents.empty());
}

TEST(CommentAttachmentTest, TopBlockRightAboveADefinitionIsTheFunctions) {
  FileDescriptions f = Describe("/* 最初の関数 */\nvoid first(void)\n{\n}\n");
  EXPECT_TRUE(f.summary.empty());
  EXPECT_EQ(Utf8(Function(f, "first").description.summary), (Lines{"最初の関数"}));
  // Blocks before it, parted by a blank line, are the file's.
  f = Describe("/* ライセンス */\n\n/* ファイル説明 */\n\n/* 関数 */\nvoid g(void) {\n}\n");
  EXPECT_EQ(Utf8(f.summary), (Lines{"ライセンス"}));
  EXPECT_EQ(Utf8(f.notes), (Lines{"ファイル説明"}));
  EXPECT_EQ(Utf8(Function(f, "g").description.summary), (Lines{"関数"}));
}

TEST(CommentAttachmentTest, ParametersOnTheirLinesAndOneLineHeaders) {
  FileDescriptions f = Describe(
      "int add(int a,   /* 左 */\n"
      "        int b)   /* 右 */\n"
      "{\n"
      "    return a + b;\n"
      "}\n"
      "\n"
      "void stop(void)  /* 停止する */\n"
      "{\n"
      "}\n"
      "/** @param x 座標 */\n"
      "void move(int x, /* 使われない */\n"
      "          int y) /* 縦 */\n"
      "{\n"
      "}\n"
      "int old(a, b)\n"
      "int a;  /* 旧形式 */\n"
      "int b;\n"
      "{\n"
      "}\n");
  EXPECT_EQ(Utf8Named(Function(f, "add").description.parameters), "a=左;b=右;");
  EXPECT_TRUE(Function(f, "add").description.summary.empty());
  EXPECT_EQ(Utf8(Function(f, "stop").description.summary), (Lines{"停止する"}));
  // The block's @param comes first; the other parameter's line comment fills in.
  EXPECT_EQ(Utf8Named(Function(f, "move").description.parameters), "x=座標;y=縦;");
  EXPECT_EQ(Utf8Named(Function(f, "old").description.parameters), "a=旧形式;");
}

TEST(CommentAttachmentTest, VariablesDefinesAndEnumerators) {
  FileDescriptions f = Describe(
      "static int s_count;      /* 回数 */\n"
      "int g_a, g_b[4];         // 二つ\n"
      "extern int g_ext;        /* 外部 */\n"
      "const int kMax = 10;     /* 最大 */\n"
      "static const char *const kNames[] = {\"a\"};\n"
      "/* 上の説明 */\n"
      "unsigned char *g_ptr;\n"
      "\n"
      "/* 離れた説明 */\n"
      "\n"
      "int g_apart;\n"
      "#define LIMIT  (10 * 2)   /* 上限 */\n"
      "#define SQR(x) ((x) * (x))\n"
      "#define LONG_ONE 1 + \\\n"
      "                 2        /* 続き */\n"
      "#define F_H\n"
      "#define FLAG\n"
      "typedef enum {\n"
      "    MODE_A,       /* A */\n"
      "    MODE_B = 5    /* B */\n"
      "} MODE;\n"
      "enum color { RED, GREEN };  // 色\n"
      "int g_multi;   /* 一行目\n"
      "                  二行目 */\n"
      "int g_lined;   // 並べた\n"
      "               // 続き\n"
      "int g_last;\n"
      "struct s { int member; /* メンバ */ } g_s;\n"
      "void proto(int n);\n"
      "typedef int T;\n");
  EXPECT_EQ(Items(f),
            "内部変数:s_count:int:=回数\n"
            "公開変数:g_a:int:=二つ\n"
            "公開変数:g_b[4]:int:=二つ\n"
            "外部変数:g_ext:int:=外部\n"
            "固定定数:kMax:const int:=最大\n"
            "固定定数:kNames[]:const char * const:=\n"
            "公開変数:g_ptr:unsigned char *:=上の説明\n"
            "公開変数:g_apart:int:=\n"
            "define:LIMIT::(10 * 2)=上限\n"
            "define:SQR(x)::((x) * (x))=\n"
            "define:LONG_ONE::1 + 2=続き\n"
            "define:FLAG::=\n"
            "固定定数:MODE_A:MODE:=A\n"
            "固定定数:MODE_B:MODE:=B\n"
            "固定定数:RED:enum color:=色\n"
            "固定定数:GREEN:enum color:=色\n"
            "公開変数:g_multi:int:=一行目/二行目\n"
            "公開変数:g_lined:int:=並べた/続き\n"
            "公開変数:g_last:int:=\n"
            "公開変数:g_s:struct s:=\n");
}

TEST(CommentAttachmentTest, CommentedPrototypesAreKept) {
  FileDescriptions f = Describe(
      "/** @brief 送る\n"
      " *  @param n 数 */\n"
      "void send(int n);\n"
      "static int helper(char *p);  /* 補助 */\n"
      "void bare(void);\n");
  ASSERT_EQ(f.prototypes.size(), 2u);
  EXPECT_EQ(f.prototypes[0].name, "send");
  EXPECT_EQ(Utf8(f.prototypes[0].description.summary), (Lines{"送る"}));
  EXPECT_EQ(Utf8Named(f.prototypes[0].description.parameters), "n=数;");
  EXPECT_EQ(f.prototypes[1].name, "helper");
  EXPECT_TRUE(f.prototypes[1].is_static);
  EXPECT_EQ(Utf8(f.prototypes[1].description.summary), (Lines{"補助"}));
  EXPECT_TRUE(f.functions.empty());
}

TEST(CommentAttachmentTest, CommentsInsideLiteralsAndWrappedBodies) {
  FileDescriptions f = Describe(
      "const char *g_text = \"/* 文字列 */\";\n"
      "/* 割込み */\n"
      "ISR(TIMER0_OVF_vect)\n"
      "{\n"
      "\tticks++;\n"
      "\t\tif (x) {\n"
      "\t}\n"
      "}\n");
  EXPECT_EQ(Items(f), "公開変数:g_text:const char *:=\n");  // a pointer to constant text
  const DescribedFunction& isr = Function(f, "ISR(TIMER0_OVF_vect)");
  EXPECT_EQ(Utf8(isr.description.summary), (Lines{"割込み"}));
  EXPECT_EQ(isr.indents, (std::vector<int>{4, 8, 4, 0}));  // tab stops every 4
}

// Nothing a file can hold stops the reader: comments and literals left
// open, braces out of balance, bytes that are no text, very long lines.
TEST(CommentAttachmentTest, HostileFilesAreReadToTheirEnd) {
  const std::vector<std::string> texts = {
      "/* never closed\nint x;\n",
      "int f(void) {\n  /* open\n",
      "}}}} int a; /* x */ {{{{\n",
      std::string("\x81\x00\xFF/*\x82*/\n\"\\\n", 12),
      std::string(10000, '{') + "\n" + std::string(10000, '}'),
      "#define A \\\n\\\n\\\n",
      "enum { " + std::string(5000, ',') + " };\n",
      "int " + std::string(20000, '*') + " p; // " + std::string(7000, 'x') + "\n",
  };
  for (const std::string& text : texts) {
    LineReader reader;
    reader.OpenText(text);
    const std::vector<ShapedDefinition> definitions = FindDefinitionsByShape(reader, kLineBuffer);
    FileDescriptions f = ReadSourceDescriptions(reader, kLineBuffer, definitions, {"f.c", "SRC", "f.c"});
    EXPECT_EQ(ParseDescriptionFile(FormatDescriptionFile(f)).file_name, "f.c");
  }
}

TEST(CommentAttachmentTest, RoundTripThroughTheDescriptionFile) {
  FileDescriptions f = Describe(
      "/* ファイル */\n\n/* 関数\n   【引数】 n : 数 */\nint f(int n)  \n{\n    int i; /* 添字 */\n    return n;\n}\n"
      "int g_x; /* 変数 */\n#define N 3 /* 三 */\n");
  EXPECT_EQ(ParseDescriptionFile(FormatDescriptionFile(f)), f);
}

}  // namespace
}  // namespace kv
