#include "report/report_commands.h"

namespace kv {

bool RunFunctionTreeCommand(RunContext&, const std::string&, NameSource) { return false; }
bool RunVariableCommand(RunContext&, const std::string&, NameSource) { return false; }

}  // namespace kv
