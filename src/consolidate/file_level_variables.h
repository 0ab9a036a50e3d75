// Which functions can reach a file-level variable by its name: the
// declarations of F_<file> for every source file tell, per name, the files
// that declare it static and whether some file declares it without static
// (a variable of the whole program, or an extern one). A static variable
// is seen by the functions of its own file only: a function of another file
// that uses the name uses something else.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace kv {

class FileLevelVariables {
 public:
  // Reads every F_<file> of the work folder `root`.
  void Load(std::string_view root);
  // One declaration line of `file` (tokens joined by tabs, as F_ holds it).
  void Add(std::string_view file, std::string_view declaration);

  // A function of the source file `file` may access the variable `name`:
  // unless every declaration of the name is static in other files.
  bool Reaches(std::string_view name, std::string_view file) const;

 private:
  struct Declarations {
    bool program_wide = false;                  // some declaration is not static
    std::unordered_set<std::string> static_in;  // files declaring it static
  };
  std::unordered_map<std::string, Declarations> names_;
};

}  // namespace kv
