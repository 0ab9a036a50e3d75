// The description sections of the final records, appended by CALL LIST after
// "[コール元]": what the comments say about the function, its parameters and
// its locals, from the description files of FILE ALS (COMMENT/).
//
// A record takes the description of its own definition (same file, folder
// and name). What the definition's comment leaves unsaid (no block above it)
// comes from a commented prototype of the same name: in the same file, in
// the header of the same stem (motor.h for motor.c), in any header, in any
// file, in that order. Parameters follow the order of "[引数定義]" (names it
// does not hold after them); locals are those "[テンポラリ変数]" lists.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "run/run_context.h"
#include "run/source_descriptions.h"

namespace kv {

// The parts of a final record the description sections depend on.
struct RecordHead {
  std::string folder_name;
  std::string file_name;
  std::string function_name;
  std::vector<std::string> parameters;  // names, in the order of [引数定義]
  std::vector<std::string> locals;      // names, in the order of [テンポラリ変数]
  bool ends_with_empty_line = true;
};
RecordHead ReadRecordHead(std::string_view text);

class DescriptionIndex {
 public:
  DescriptionIndex() = default;
  // Reads every description file of `folder` (an internal path).
  explicit DescriptionIndex(const std::string& folder);
  // Takes one file's descriptions (tests).
  void Add(FileDescriptions file);

  // The description sections a record with this head receives.
  FunctionDescription Describe(const RecordHead& head) const;

 private:
  struct Entry {
    const FileDescriptions* file;
    const DescribedFunction* function;
  };
  const DescribedFunction* Definition(const RecordHead& head) const;
  const DescribedFunction* Prototype(const RecordHead& head) const;

  std::vector<std::unique_ptr<FileDescriptions>> files_;
  // file name, folder and function name, joined by "\n" -> the definition
  std::unordered_map<std::string, Entry> definitions_;
  std::unordered_map<std::string, std::vector<Entry>> prototypes_;  // by name, in file order
};

// The sections to append to a record whose text (carriage returns stripped)
// is `record`: all six when the comments say anything about the function
// ("NONE" in those they leave empty), nothing otherwise.
std::string RecordDescriptionSections(const DescriptionIndex& index, std::string_view record);

}  // namespace kv
