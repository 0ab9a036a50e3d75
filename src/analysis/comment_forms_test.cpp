#include "analysis/comment_forms.h"

#include <gtest/gtest.h>

#include "analysis/comment_text.h"
#include "platform/encoding.h"

namespace kv {
namespace {

// Texts are written in UTF-8 here and converted; results come back as UTF-8.
std::vector<std::string> Sjis(const std::vector<std::string>& utf8) {
  std::vector<std::string> out;
  for (const std::string& s : utf8) out.push_back(ToCp932(s));
  return out;
}

std::vector<std::string> Utf8(const std::vector<std::string>& sjis) {
  std::vector<std::string> out;
  for (const std::string& s : sjis) out.push_back(ToUtf8(s));
  return out;
}

TextLines Clean(const std::vector<std::string>& pieces) { return Utf8(CleanCommentText(Sjis(pieces))); }

using Lines = std::vector<std::string>;

struct Named {
  std::string name;
  Lines lines;
  bool operator==(const Named&) const = default;
};

std::vector<Named> Utf8(const std::vector<NamedText>& texts) {
  std::vector<Named> out;
  for (const NamedText& t : texts) out.push_back({ToUtf8(t.name), Utf8(t.lines)});
  return out;
}

void PrintTo(const Named& n, std::ostream* os) {
  *os << n.name << ":";
  for (const std::string& l : n.lines) *os << " [" << l << "]";
}

FunctionDescription Read(const std::vector<std::string>& pieces, const std::vector<std::string>& parameters = {}) {
  return ReadFunctionComment(CleanCommentText(Sjis(pieces)), Sjis(parameters));
}

TEST(CommentTextTest, MarkersDecorationAndBordersGo) {
  // A boxed block: top and bottom rules, stars on the left and right.
  EXPECT_EQ(Clean({"/*****************************", " * LEDを消灯する            *", " *   ポートBを使う         *",
                   " *****************************/"}),
            (Lines{"LEDを消灯する", "  ポートBを使う"}));
  // Doxygen openers and a line comment group; the shared indentation goes.
  EXPECT_EQ(Clean({"/**", " * @brief 初期化", " */"}), (Lines{"@brief 初期化"}));
  EXPECT_EQ(Clean({"//! 一行目", "//!   二行目"}), (Lines{"一行目", "  二行目"}));
  EXPECT_EQ(Clean({"/*!< 後ろの説明 */"}), (Lines{"後ろの説明"}));
  EXPECT_EQ(Clean({"///< 後ろの説明"}), (Lines{"後ろの説明"}));
  // Rules of dashes, equals signs and box-drawing characters; a title
  // between rules keeps its words.
  EXPECT_EQ(Clean({"/* ---------- 公開関数 ---------- */"}), (Lines{"公開関数"}));
  EXPECT_EQ(Clean({"/*", "==========", "本文", "──────────", "*/"}), (Lines{"本文"}));
  // "|" borders on both sides.
  EXPECT_EQ(Clean({"/*", " | 機能 : 開始  |", " | 引数 : なし  |", " */"}), (Lines{"機能 : 開始", "引数 : なし"}));
}

TEST(CommentTextTest, ParagraphsTabsAndWordsStayAsWritten) {
  EXPECT_EQ(Clean({"/*", " * 一段落目", " *", " *", " * 二段落目", " */"}), (Lines{"一段落目", "", "二段落目"}));
  EXPECT_EQ(Clean({"/*\tA\tB */"}), (Lines{"A   B"}));  // tab stops every 4 from the text
  // Short runs and bullets are text: "-- x", "・項目", "-1".
  EXPECT_EQ(Clean({"// -- x", "// ・項目", "// -1"}), (Lines{"-- x", "・項目", "-1"}));
  EXPECT_TRUE(Clean({"/* */"}).empty());
  EXPECT_TRUE(Clean({"/*****/"}).empty());
}

TEST(CommentFormsTest, BracketLabelBlock) {
  FunctionDescription d = Read({"/*", " * 【機能】 LEDを消灯する", " * 【処理】 ポートを下げる", " *         1. 割込み禁止",
                                " * 【引数】 pin  : ピン番号", " *         mode : モード", " *                （0か1）",
                                " * 【戻り値】 HIGH : 点灯中", " *           LOW  : 消灯中", " * 【備考】 割込み中に呼ばない",
                                " * 【作成者】 山田", " */"},
                               {"pin", "mode"});
  EXPECT_EQ(Utf8(d.summary), (Lines{"LEDを消灯する"}));
  EXPECT_EQ(Utf8(d.details), (Lines{"ポートを下げる", "1. 割込み禁止"}));
  EXPECT_EQ(Utf8(d.parameters), (std::vector<Named>{{"pin", {"ピン番号"}}, {"mode", {"モード", "（0か1）"}}}));
  EXPECT_EQ(Utf8(d.returns), (std::vector<Named>{{"HIGH", {"点灯中"}}, {"LOW", {"消灯中"}}}));
  EXPECT_EQ(Utf8(d.notes), (Lines{"割込み中に呼ばない", "【作成者】 山田"}));
}

TEST(CommentFormsTest, LabelVariants) {
  // Colon labels (half and full width), ■ marks, ［］ brackets, labels alone
  // on their line, the function's name label dropped.
  FunctionDescription d = Read({"/*", " 関数名 : start", " 概要：開始する", " ■処理", "   状態を初期化する",
                                " ［戻り値］ 0：正常", "          -1：異常", " 注意事項: なし", "*/"});
  EXPECT_EQ(Utf8(d.summary), (Lines{"開始する"}));
  EXPECT_EQ(Utf8(d.details), (Lines{"状態を初期化する"}));
  EXPECT_EQ(Utf8(d.returns), (std::vector<Named>{{"0", {"正常"}}, {"-1", {"異常"}}}));
  EXPECT_EQ(Utf8(d.notes), (Lines{"なし"}));

  // English labels followed by blanks, counted only when two lines carry one.
  d = Read({"/* ", " * Function twi_readFrom", " * Desc     attempts to read", " *          from a device",
            " * Input    address: 7bit address", " *          length: bytes to read", " * Output   number of bytes read",
            " */"},
           {"address", "data", "length"});
  EXPECT_EQ(Utf8(d.summary), (Lines{"attempts to read", "from a device"}));
  EXPECT_EQ(Utf8(d.parameters), (std::vector<Named>{{"address", {"7bit address"}}, {"length", {"bytes to read"}}}));
  EXPECT_EQ(Utf8(d.returns), (std::vector<Named>{{"", {"number of bytes read"}}}));
  d = Read({"/* Input pins are sampled here. */"});
  EXPECT_EQ(Utf8(d.summary), (Lines{"Input pins are sampled here."}));
}

TEST(CommentFormsTest, ParameterLinesFindTheirNames) {
  // Types and directions before the name; "なし" means none; a block that
  // names no parameter of a one-parameter function describes that one.
  FunctionDescription d = Read({"// 【引数】 UCHAR ch  チャンネル", "//         [in] *buf : 格納先"}, {"ch", "buf"});
  EXPECT_EQ(Utf8(d.parameters), (std::vector<Named>{{"ch", {"チャンネル"}}, {"buf", {"格納先"}}}));
  EXPECT_TRUE(Read({"// 【引数】 なし"}, {}).parameters.empty());
  d = Read({"// 【引数】 ピン番号（0～13）"}, {"pin"});
  EXPECT_EQ(Utf8(d.parameters), (std::vector<Named>{{"pin", {"ピン番号（0～13）"}}}));
  // Two parameters, none named: the text is kept in the notes.
  d = Read({"// 【引数】 座標"}, {"x", "y"});
  EXPECT_TRUE(d.parameters.empty());
  EXPECT_EQ(Utf8(d.notes), (Lines{"【引数】座標"}));
}

TEST(CommentFormsTest, DoxygenCommands) {
  FunctionDescription d =
      Read({"/**", " * @brief 値を読む", " *        二行目", " *", " * 詳しい説明。", " * @param[in] pin 読むピン",
            " * @param out: 書込み先", " *            続き", " * @return ピンの状態", " * @retval HIGH 高レベル",
            " * @retval LOW  低レベル", " * @note 速い", " * @author 誰か", " * @file x.c", " * @custom なにか", " */"},
           {"pin", "out"});
  EXPECT_EQ(Utf8(d.summary), (Lines{"値を読む", "二行目", "@custom なにか"}));
  EXPECT_EQ(Utf8(d.details), (Lines{"詳しい説明。"}));
  EXPECT_EQ(Utf8(d.parameters), (std::vector<Named>{{"pin", {"読むピン"}}, {"out", {"書込み先", "続き"}}}));
  EXPECT_EQ(Utf8(d.returns), (std::vector<Named>{{"", {"ピンの状態"}}, {"HIGH", {"高レベル"}}, {"LOW", {"低レベル"}}}));
  EXPECT_EQ(Utf8(d.notes), (Lines{"速い", "@author 誰か"}));
  // Backslash commands, and text before any command.
  d = Read({"/*! 先頭の文", "    \\brief 要約", "    \\return 0: 成功 */"});
  EXPECT_EQ(Utf8(d.summary), (Lines{"要約"}));
  EXPECT_EQ(Utf8(d.details), (Lines{"先頭の文"}));
  EXPECT_EQ(Utf8(d.returns), (std::vector<Named>{{"0", {"成功"}}}));
}

TEST(CommentFormsTest, TheKernelsForm) {
  FunctionDescription d = ReadFunctionComment(
      CleanCommentText(Sjis({"/**", " * input_ff_erase() - erase an effect", " * @dev: input device", " * @file: owner",
                             " *", " * This function erases an effect", " * from the device.", " *",
                             " * Return: 0 on success", " */"})),
      Sjis({"dev", "effect_id", "file"}), "input_ff_erase");
  EXPECT_EQ(Utf8(d.summary), (Lines{"erase an effect"}));
  EXPECT_EQ(Utf8(d.parameters), (std::vector<Named>{{"dev", {"input device"}}, {"file", {"owner"}}}));
  EXPECT_EQ(Utf8(d.details), (Lines{"This function erases an effect", "from the device."}));
  EXPECT_EQ(Utf8(d.returns), (std::vector<Named>{{"", {"0 on success"}}}));  // one blank, then words: text
  // "name - text" without parentheses; another name keeps its line.
  d = ReadFunctionComment(CleanCommentText(Sjis({"/* f - does it */"})), {}, "f");
  EXPECT_EQ(Utf8(d.summary), (Lines{"does it"}));
  d = ReadFunctionComment(CleanCommentText(Sjis({"/* g - does it */"})), {}, "f");
  EXPECT_EQ(Utf8(d.summary), (Lines{"g - does it"}));
}

TEST(CommentFormsTest, PlainTextIsTheSummary) {
  FunctionDescription d = Read({"/* 初期化処理", "   ポートとタイマを準備する */"});
  EXPECT_EQ(Utf8(d.summary), (Lines{"初期化処理", "ポートとタイマを準備する"}));
  EXPECT_TRUE(d.details.empty() && d.parameters.empty() && d.returns.empty() && d.notes.empty());
  EXPECT_TRUE(Read({"/* */"}).empty());
}

TEST(CommentFormsTest, FileHeaders) {
  FileComment plain = ReadFileComment(CleanCommentText(
      Sjis({"/*", "  wiring.c - digital I/O", "  Part of a core", "", "  Copyright (c) 2005", "  License text", "*/"})));
  EXPECT_EQ(Utf8(plain.summary), (Lines{"wiring.c - digital I/O", "Part of a core"}));
  EXPECT_EQ(Utf8(plain.notes), (Lines{"Copyright (c) 2005", "License text"}));

  FileComment labelled = ReadFileComment(CleanCommentText(
      Sjis({"/**", " * @file main.c", " * @brief エンジン制御", " * @author 山田", " */"})));
  EXPECT_EQ(Utf8(labelled.summary), (Lines{"エンジン制御"}));
  EXPECT_EQ(Utf8(labelled.notes), (Lines{"@author 山田"}));

  FileComment japanese = ReadFileComment(CleanCommentText(
      Sjis({"/*", " * ファイル名 : sensor.c", " * 概要       : センサ入力", " * 履歴       : 2020/01/01 新規", " */"})));
  EXPECT_EQ(Utf8(japanese.summary), (Lines{"センサ入力"}));
  EXPECT_EQ(Utf8(japanese.notes), (Lines{"履歴       : 2020/01/01 新規"}));
}

TEST(CommentFormsTest, ItemComments) {
  EXPECT_EQ(Utf8(ReadItemComment(CleanCommentText(Sjis({"/* 現在のLED状態 */"})))), (Lines{"現在のLED状態"}));
  EXPECT_EQ(Utf8(ReadItemComment(CleanCommentText(Sjis({"/**< @brief 周期 */"})))), (Lines{"周期"}));
  EXPECT_EQ(Utf8(ReadItemComment(CleanCommentText(Sjis({"// 一行目", "// 二行目"})))), (Lines{"一行目", "二行目"}));
}

}  // namespace
}  // namespace kv
