// FILE ALS: SearchFile_WordAls walks the preprocessed copy and
// WordAlsFuncltion scans each C source or header at file level for function
// prototypes, file-level variables and function definitions. Prototypes and
// variables go to F_<file>, FuncList_ProtType.txt and ValList.txt; each
// definition's header goes to FuncList_Body.txt and its body to the body
// analysis, which reads it from the same open file.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "analysis/definition_shapes.h"
#include "analysis/function_body.h"
#include "analysis/token_list.h"
#include "run/run_context.h"
#include "lex/token_kind.h"
#include "lex/tokenizer.h"
#include "platform/text_file.h"

namespace kv {

class FileScanner {
 public:
  // The scanner's states; the numbers are what CurrentState shows.
  enum State : int {
    kStart = 0,
    kAfterType = 1,
    kAfterName = 2,
    kParameters = 3,
    kAfterParameters = 4,
    kParameter = 10,
    kArraySize = 15,
    kStaticStruct = 20,
    kStaticStructTag = 21,
    kStaticStructName = 22,
    kStaticStructBody = 24,
    kStaticStructBodyEnd = 25,
    kStaticStructBodyName = 26,
    kStaticStructTaggedBody = 27,
    kStaticStructTaggedEnd = 28,
    kStaticStructTaggedName = 29,
    kIdentifierFirst = 50,
    kIdentifierName = 51,
    kLeadingInvocation = 52,  // NAME ( … ) at a statement's start, no ";" after it
    kTypedef = 100,
    kAggregate = 110,
    kAggregateBody = 111,
    kAggregateEnd = 112,
    kAggregateName = 113,
    kTypedefKnown = 115,
    kTypedefKnownEnd = 116,
    kAggregateKnownType = 120,
    kAggregateKnownName = 121,
    kStruct = 150,
    kStructTag = 151,
    kStructBody = 152,
    kAfterStructBody = 153,
    kDirective = 200,
    kDefineBody = 201,
  };

  static constexpr int kReportIndex = 3000;  // "メモリオーバー" past this index

  explicit FileScanner(RunContext& ctx);

  // SearchFile_WordAls: false when the stop flag ended the walk.
  void Walk(const std::string& folder, std::string_view pattern);
  // WordAlsFuncltion: 0 when the file was scanned to its end, 1 when a file
  // did not open.
  int ScanFile(const std::string& path);

 private:
  enum class Action {
    kAdvance,        // the index moves on (the state may have changed)
    kKeepIndex,      // the step set the index itself
    kNextStatement,  // read the next line, tokens dropped
    kDeclaration,    // write the variable declaration, then the next line
  };

  bool OpenOutputs(const std::string& path, const std::string& file_name);
  void CloseOutputs();
  void Scan();
  bool ReadLine();
  Action Step(std::string_view token, TokenKind kind);
  void StoreArgument(int last);
  void StoreTypeNamedParameter();
  bool NextIsAsterisk() const;
  bool OnlyQualifiersBefore() const;
  void BeginFunctionName();
  void Definition();
  void SkipBody();
  void RecoverDefinitions(long file_start_counter);
  void RecordShapedDefinition(const ShapedDefinition& d, long file_start_counter);
  void WriteDescriptions(const std::string& path, const std::string& file_name);
  void WriteDeclaration();
  void NoteInclude();
  void NoteVariable(std::string_view line);
  void WritePrototype();
  void FlushFileLevelLines();
  void RegisterTypeName(std::string_view name);
  void RegisterParameterTypes();
  void TrackParameterWord(std::string_view token, TokenKind kind);
  void EndParameter();
  bool LooksLikeMacroInvocation() const;
  bool HasATypeBeforeTheName() const;
  bool ListOpensWithAValue() const;
  bool DeclaresAnObject() const;
  void SetCurrentState();

  RunContext& ctx_;
  FunctionBodyAnalyzer body_;
  TokenList tokens_;
  LineReader input_;
  LineTokenizer line_;
  std::string line_text_;
  TextWriter f_out_, prototypes_, bodies_, variables_, inf_;
  std::unordered_map<std::string, std::string> scanned_names_;  // F_/INF_ name (folded) -> source path
  FunctionHeader header_;
  std::unordered_set<std::string> defined_here_;  // names of this file's recorded definitions
  std::vector<ShapedDefinition> shapes_;          // this file's definitions by their shape
  std::unordered_map<std::string, int> description_files_;  // folded file name -> files of that name

  // The file's prototype and variable lines, held until the pass after the
  // scan has shown which lines were function bodies: a body the scan did
  // not recognise was read as file-level text, and what it declares is no
  // file-level variable or prototype.
  struct FileLevelLine {
    long line;        // of the statement's end, from the file's start
    bool prototype;   // else a variable declaration
    std::string text;
  };
  std::vector<FileLevelLine> file_level_;
  std::vector<std::pair<long, long>> body_extents_;  // first and last line of each body
  long file_start_counter_ = 0;  // LineCounter when the file began

  int state_ = kStart;
  int idx_ = 0;
  int paren_ = 0;
  int brace_ = 0;
  int define_ = 0;  // bit 0: inside a #define; bit 1: it goes on in the next line
  bool declaration_complete_ = false;
  bool overflow_reported_ = false;
  bool arguments_refused_ = false;
  int parameter_start_ = 0;
  std::string tag_;  // the struct or union tag of states 150 and 151
  // The first word of each parameter of the header being read, registered
  // as a type name once the header turns out a definition or a prototype.
  std::vector<std::string> parameter_types_;
  std::vector<std::string> parameter_words_;  // of the parameter being read
  int parameter_depth_ = 0;
  bool skip_parameter_ = false;  // inside a function-pointer parameter, after its name
};

// The folder that directly holds `path`, upper-cased (the [フォルダ名] of a
// record).
std::string FolderNameOf(std::string_view path);

}  // namespace kv
