#include "consolidate/synthetic_project.h"

#include <random>
#include <vector>

#include "run/work_folder.h"
#include "consolidate/record_tags.h"
#include "platform/paths.h"
#include "platform/text_file.h"

namespace kv::synthetic {
namespace {

const char* const kFunctionStems[] = {"set", "count", "main", "init"};
const char* const kFunctionPrefixes[] = {"", "re", "g_", "p", "my_", "x"};
const char* const kVariableStems[] = {"cnt", "count", "val", "buf"};
const char* const kVariablePrefixes[] = {"", "g_", "s_", "re"};

class Generator {
 public:
  explicit Generator(const ProjectShape& shape) : shape_(shape), rng_(shape.seed) {}

  void Write();

 private:
  size_t Pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng_); }
  bool Chance(int percent) { return Pick(100) < static_cast<size_t>(percent); }
  std::string SourceFile(size_t record) const {
    const size_t file = record / shape_.records_per_file;
    return "src" + std::to_string(file) + (file % 7 == 3 ? ".h" : ".c");
  }
  size_t Variables() const { return shape_.records * shape_.globals_per_record / 2 + 8; }
  std::string Variable() { return VariableName(Pick(Variables())); }
  std::string Call();
  std::string Read(const std::vector<std::string>& locals);
  void WriteRecord(size_t i);
  void WritePrototypes();
  void WriteDefinitions();
  void WriteVariables();
  void WriteFileInfo();

  ProjectShape shape_;
  std::mt19937 rng_;
};

std::string Generator::Call() {
  const std::string callee = FunctionName(Pick(shape_.records));
  const std::string argument = Variable();
  switch (Pick(12)) {
    case 0: return "obj." + callee + "(" + argument + ")";
    case 1: return "p->" + callee + "()";
    case 2: return "text" + callee + "(" + argument + ")";
    case 3: return callee;  // no "(": a function pointer taken
    case 4: return "MAC" + std::to_string(Pick(5)) + "(" + argument + ")";
    case 5: return callee + "(" + FunctionName(Pick(shape_.records)) + "(" + argument + "))";
    default: return callee + "(" + argument + ",1)";
  }
}

std::string Generator::Read(const std::vector<std::string>& locals) {
  const std::string v = Variable();
  switch (Pick(10)) {
    case 0: return v + "[i+" + Variable() + "]";
    case 1: return "st." + v;
    case 2: return "p->" + v;
    case 3: return v + ".x";
    case 4: return "DEF" + std::to_string(Pick(shape_.defines_per_file));
    case 5: return locals[Pick(locals.size())];
    default: return v;
  }
}

void Generator::WriteRecord(size_t i) {
  const std::string name = FunctionName(i);
  std::vector<std::string> locals = {"i", "n" + std::to_string(i % 5), Variable()};
  std::string text;
  auto section = [&text](const std::string& tag, const std::vector<std::string>& entries) {
    text += tag + "\n";
    if (entries.empty()) text += "NONE\n";
    for (const std::string& e : entries) text += e + "\n";
    text += "\n";
  };
  section(SJ("[フォルダ名]"), {"PROJ"});
  section(record_tag::FileName(), {SourceFile(i)});
  section(record_tag::FunctionName(), {name});
  section(record_tag::Arguments(), {"int\t" + locals[1] + "\t", "char\t*\tp\t"});
  section(record_tag::Temporaries(), {"int\t" + locals[0], "int\t" + locals[2], "unsigned\tchar\tbuf[10]"});
  std::vector<std::string> calls, reads, writes, returns, accesses;
  for (size_t k = 3 + Pick(8); k > 0; --k) calls.push_back(Call());
  for (size_t k = 4 + Pick(14); k > 0; --k) {
    reads.push_back(Read(locals));
    if (Chance(20)) reads.push_back(reads.back());
    accesses.push_back(reads.back() + " [R]");
  }
  for (size_t k = Pick(8); k > 0; --k) {
    writes.push_back(Chance(15) ? "st." + Variable() : Variable());
    accesses.push_back(writes.back() + " [w]");
  }
  for (size_t k = Pick(3); k > 0; --k) {
    returns.push_back(Variable());
    accesses.push_back(returns.back() + " [RET]");
  }
  section(record_tag::Calls(), calls);
  section(record_tag::Reads(), reads);
  section(record_tag::Writes(), writes);
  section(record_tag::Returns(), returns);
  section(record_tag::Accesses(), accesses);
  TextWriter out(JoinPath(work::Path(work::kFuncAls), name), WriteMode::kTruncate);
  out.Write(text);
}

void Generator::WritePrototypes() {
  TextWriter out(work::Path(work::kFuncListProtType), WriteMode::kTruncate);
  for (size_t i = 0; i < shape_.records; ++i) {
    if (i % 10 == 9) continue;  // some functions have no prototype
    out.WriteLine((i % 3 == 0 ? "static\tint\t" : "void\t") + FunctionName(i) + "\t(\tint\tn\t,\tchar\t*\tp\t)\t;");
  }
}

void Generator::WriteDefinitions() {
  const size_t files = (shape_.records + shape_.records_per_file - 1) / shape_.records_per_file;
  for (size_t f = 0; f < files; ++f) {
    std::string source = SourceFile(f * shape_.records_per_file);
    if (f % 11 == 5) continue;  // a source without its definition file
    const bool header = source.back() == 'h';
    source.erase(source.rfind('.'));
    TextWriter out(JoinPath(work::Path(work::kDef3), source + (header ? "_DEF_H.dat" : "_DEF_C.dat")),
                   WriteMode::kTruncate);
    out.WriteLine("MAC" + std::to_string(f % 5) + "(a)\tmac_impl");
    for (size_t d = 0; d < shape_.defines_per_file; ++d) {
      if (Chance(50)) out.WriteLine("DEF" + std::to_string(d) + "\t" + std::to_string(d) + "\t");
      else out.WriteLine("DEF" + std::to_string(d) + "\t(\t" + VariableName(d) + "\t+\t1\t)\t");
    }
  }
}

void Generator::WriteVariables() {
  TextWriter out(work::Path(work::kValList), WriteMode::kTruncate);
  for (size_t v = 0; v < Variables(); ++v) {
    switch (v % 3) {
      case 0: out.WriteLine("static\tint\t" + VariableName(v) + "\t;"); break;
      case 1: out.WriteLine("int\t" + VariableName(v) + "\t[\t10\t]\t;"); break;
      default: out.WriteLine("struct\tST\t" + VariableName(v) + "\t;"); break;
    }
  }
}

void Generator::WriteFileInfo() {
  for (size_t first = 0; first < shape_.records; first += shape_.records_per_file) {
    const std::string source = SourceFile(first);
    TextWriter out(JoinPath(work::Path(work::kFileInfo), "INF_" + source), WriteMode::kTruncate);
    out.WriteLine("[FILENAME]");
    out.WriteLine(source);
    for (size_t i = first; i < first + shape_.records_per_file && i < shape_.records; ++i) {
      out.Write("[FUNCNAME]\n" + FunctionName(i) + "\n[LINE COUNT]\n" + std::to_string(10 + i % 50) +
                "\n[LINE COUNT V]\n" + std::to_string(8 + i % 40) + "\n[COMMNET]\n" + std::to_string(i % 7) + "\n");
    }
  }
}

void Generator::Write() {
  MakeFolder(work::kRoot);
  for (std::string_view folder : {work::kFuncAls, work::kDef3, work::kFileInfo}) MakeFolder(work::Path(folder));
  for (size_t i = 0; i < shape_.records; ++i) WriteRecord(i);
  WritePrototypes();
  WriteDefinitions();
  WriteVariables();
  WriteFileInfo();
}

}  // namespace

std::string FunctionName(size_t i) {
  return std::string(kFunctionPrefixes[(i / 4) % 6]) + kFunctionStems[i % 4] + std::to_string(i / 24);
}

std::string VariableName(size_t i) {
  return std::string(kVariablePrefixes[(i / 4) % 4]) + kVariableStems[i % 4] + std::to_string(i / 16);
}

void WriteProject(const ProjectShape& shape) { Generator(shape).Write(); }

}  // namespace kv::synthetic
