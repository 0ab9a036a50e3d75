// The work folder ./vcwk012345 below the current directory: the only channel
// between the stages. Paths are internal (CP932) and relative, written with
// "/" in logs and lists.
#pragma once

#include <string>
#include <string_view>

namespace kv::work {

inline constexpr std::string_view kRoot = "./vcwk012345";

// "./vcwk012345/" + relative.
std::string Path(std::string_view relative);

// Entries of the work folder (relative to it).
inline constexpr std::string_view kDef = "DEF";
inline constexpr std::string_view kDefTmp = "DEF/TMP";
inline constexpr std::string_view kDef2 = "DEF2";
inline constexpr std::string_view kDef3 = "DEF3";
inline constexpr std::string_view kHeaderList = "DEF/Header_List.txt";
inline constexpr std::string_view kTypedef = "Typedef.txt";
inline constexpr std::string_view kFuncListProtType = "FuncList_ProtType.txt";
inline constexpr std::string_view kFuncListBody = "FuncList_Body.txt";
inline constexpr std::string_view kValList = "ValList.txt";
// Where every function and file-level variable is defined (run/definition_index.h).
inline constexpr std::string_view kFuncListRecords = "FuncList_Records.txt";
// The DEF3 tables of source files that share a base name (run/definition_file_names.h).
inline constexpr std::string_view kDefFilePaths = "DefFile_Paths.txt";
// The names the bodies use as members (run/member_names.h).
inline constexpr std::string_view kMemberNames = "MemberNames.txt";
inline constexpr std::string_view kValList2 = "ValList2.txt";
inline constexpr std::string_view kFileInfo = "FILEINFO";
inline constexpr std::string_view kFileFuncInfo = "FILEINFO/FileFuncInfo.txt";
// One description file per scanned source file (run/source_descriptions.h).
inline constexpr std::string_view kComment = "COMMENT";
inline constexpr std::string_view kFuncAls = "func_als";
inline constexpr std::string_view kFuncAls15 = "func_als1_5";
inline constexpr std::string_view kFuncAls2 = "func_als2";
inline constexpr std::string_view kFuncAls3 = "func_als3";
inline constexpr std::string_view kFunctionList4 = "FunctionList4";
inline constexpr std::string_view kRamAll = "RAM_ALL";
inline constexpr std::string_view kRam = "RAM";
inline constexpr std::string_view kRamD = "RAM_D";
inline constexpr std::string_view kSource = "SOURCE";
inline constexpr std::string_view kSource2 = "SOURCE2";
inline constexpr std::string_view kSource3 = "SOURCE3";
inline constexpr std::string_view kSource5 = "SOURCE5";
inline constexpr std::string_view kHtml = "HTML";
inline constexpr std::string_view kCallTree = "HTML/CallTree";
inline constexpr std::string_view kIndexHtml = "index.html";
inline constexpr std::string_view kBrimsoleHtml = "brimsole.html";

// The external definition list, in the current directory (not the work folder).
inline constexpr std::string_view kDefList = "./DefList.txt";

// The first piece of every HTML page: the pages are Shift-JIS, and browsers
// show them right only when told so.
inline constexpr std::string_view kHtmlCharsetTag = "<meta charset=\"Shift_JIS\">";

// True when `name` may be used as one path component: not empty, no "/",
// "\", NUL or "..". Names taken from source text or records pass this test
// before a file is made from them, so nothing is written outside its folder.
bool IsSafeComponent(std::string_view name);

// True when `folder` (an internal path) is the work folder, a folder set
// aside for deletion ("./vcwk012345.old.N"), or lies inside one of them,
// however it is written (symlinks and ".." resolved): results written there
// would be deleted by the next run, or copied into themselves by this one.
bool IsInsideWorkFolder(std::string_view folder);

// The refusal for such an output folder.
std::string OutputInsideWorkFolderText(std::string_view folder);

}  // namespace kv::work
