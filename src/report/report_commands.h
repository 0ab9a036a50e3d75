// The two report commands of the main window that work on the results of the
// last analysis run: the call tree rooted at one function and the access
// analysis of one variable.
#pragma once

#include <string>

#include "run/run_context.h"

namespace kv {

// How the user named the function or variable: typed into the edit box, or
// picked in the combo box (whose placeholder entries are "SELECT FUNCTION"
// and "SELECT RAM VALUE").
enum class NameSource { kEdit, kCombo };

// The function-rooted call tree: written below HTML/CallTree, copied into
// ctx.options.output_folder and opened. True when the command completed;
// then `written_to`, when given, receives the copied folder.
bool RunFunctionTreeCommand(RunContext& ctx, const std::string& function, NameSource source,
                            std::string* written_to = nullptr);

// The access analysis of one variable: written below RAM_D, copied into
// ctx.options.output_folder and opened. True when the command completed
// (then `written_to` as above). A name that is no file-level variable of
// the last analysis (ValList.txt or ValList2.txt) gets "該当変数が存在しません".
bool RunVariableCommand(RunContext& ctx, const std::string& variable, NameSource source,
                        std::string* written_to = nullptr);

}  // namespace kv
