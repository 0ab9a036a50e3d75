// The cover (モジュール仕様書) and the module-definition sheet (ファイル内モジュール定義)
// of a source file's workbook, filled from the file's description file
// (COMMENT/, written by FILE ALS) and its functions' final records.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "run/source_descriptions.h"
#include "xlsdoc/spreadsheet.h"

namespace kv {

struct ModuleFunction {
  std::string name;
  bool is_static = false;
  TextLines summary;
};

// What the two sheets show of one source file.
struct ModuleFacts {
  std::string folder_name;  // the module: the folder that holds the file
  std::string file_name;
  std::string path;         // below the source folder
  std::string date;         // of the documents, YYYY/MM/DD
  TextLines summary;        // the file's header comment: what it is
  TextLines notes;          // and the rest
  std::vector<ModuleFunction> functions;
  std::vector<DescribedItem> items;
};

// Fills sheet 1 (cover) and sheet 2 (module definitions) of the active
// workbook, just opened from the template. Tables grow by rows inserted
// inside them; a table without entries stays as the template has it.
void FillModuleSheets(xls::Application& app, const ModuleFacts& facts);

// The description files of the work folder, read when first asked for.
class DescriptionFiles {
 public:
  // The description of source file `file_name` in folder `folder_name` (the
  // records' [ファイル名] and [フォルダ名]); null when FILE ALS wrote none.
  const FileDescriptions* Find(const std::string& file_name, const std::string& folder_name);
  // Its function `name` (ignoring ASCII case when no spelling matches).
  static const DescribedFunction* FindFunction(const FileDescriptions* file, const std::string& name);
  // The facts of the two sheets: the functions' summaries from their final
  // records when these have one (a prototype's comment included), else
  // from the description file.
  static ModuleFacts Facts(const FileDescriptions& file, const std::string& date);

 private:
  std::map<std::string, std::vector<std::unique_ptr<FileDescriptions>>> files_;  // by file name
};

}  // namespace kv
