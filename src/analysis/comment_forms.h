// The header forms a comment may take, read into the headings of a design
// document:
//
// * labelled blocks: 【機能】 text, ［引数］, [戻り値], ■備考, 機能： text, and the
//   English labels of the same blocks (Desc/Description, Input, Output,
//   Note... followed by ":" or by two blanks when two or more lines of the
//   block carry a label);
// * doxygen commands: @brief, @details, @param[in] name, @return, @retval
//   VALUE, @note and the rest, also written \brief; the kernel's
//   "name() - summary", "@param: text", "Return: text";
// * plain text.
//
// Labels and what they fill:
//   summary   機能 概要 機能概要 関数概要 処理概要 説明 目的, Desc Description Summary Brief Purpose
//   details   処理 処理内容 処理詳細 詳細 動作 手順, Details Process Processing
//   parameters 引数 引き数 入力 入出力 パラメータ, Input(s) Param(s) Parameter(s) Arg(s) Argument(s)
//   returns   戻り値 返り値 戻値 返値 復帰値 出力 返却値, Output(s) Return(s) RetVal
//   notes     備考 注意 注意事項 補足 特記事項 制約 制限 前提条件, Note(s) Remark(s) Caution Warning
//   notes, the line kept whole: 作成者 作成日 作成 更新 更新日 更新履歴 変更履歴 履歴 版 版数
//             バージョン 担当, Author Date Version History Copyright Context
//   nothing   関数名 関数名称 名称 名前 モジュール名 ファイル名, Function Name File Module
// A doxygen command not listed ends up in the summary as the line it is.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "run/source_descriptions.h"

namespace kv {

// A function's header comment (lines from CleanCommentText). Parameter
// entries name one of `parameter_names` (the parameters of the function,
// in order): "@param x", or a line of a 引数 block whose leading words hold
// the name ("x : text", "UCHAR x  text"); a block that names none of a
// single parameter describes that one. Return-value lines "VALUE : text",
// "VALUE .. text", "VALUE  text" give VALUE its own entry; other return text
// is the general entry (name ""). Plain text goes to the summary; doxygen
// text after the @brief paragraph to the details.
// With the kernel's form, "@x: text" names parameter x, and a first line
// "`function`() - text" loses the repeated name.
FunctionDescription ReadFunctionComment(const TextLines& lines, const std::vector<std::string>& parameter_names,
                                        std::string_view function = {});

// A file's header comment: what the file is (the summary, or the first
// paragraph of plain text) and everything else.
struct FileComment {
  TextLines summary;
  TextLines notes;
};
FileComment ReadFileComment(const TextLines& lines);

// The comment after a parameter, local, variable, #define or enumerator: its
// lines, a leading @brief taken away, and the item's `name` when the text
// begins with it and a separator ("duty : text").
TextLines ReadItemComment(const TextLines& lines, std::string_view name = {});

}  // namespace kv
