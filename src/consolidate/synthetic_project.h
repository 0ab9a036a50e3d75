// A generated work folder as the per-file analysis would leave it, for the
// equivalence tests and the benchmark: func_als records, the prototype
// list, the DEF3 definition files, ValList.txt and the FILEINFO INF files.
//
// Names are chosen to be substrings of one another (set7, reset7, g_set7,
// pset7; cnt3, g_cnt3), and calls and accesses come in the forms that trip
// a plain substring search: member calls obj.set7( and p->set7(, longer
// names textset7(, member accesses st.cnt3, arrays, #define names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kv::synthetic {

struct ProjectShape {
  size_t records = 1000;          // functions
  size_t records_per_file = 25;   // functions per source file
  size_t defines_per_file = 150;  // records of each DEF3 file
  size_t globals_per_record = 1;  // ValList.txt lines = records × this / 2
  uint32_t seed = 1;
};

// The function name of record i (distinct for every i).
std::string FunctionName(size_t i);
// The variable name number i.
std::string VariableName(size_t i);

// Writes the folders and files below ./vcwk012345 (created as needed).
void WriteProject(const ProjectShape& shape);

}  // namespace kv::synthetic
