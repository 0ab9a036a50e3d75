#include "report/call_graph.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>
#include <sys/wait.h>

#include <cerrno>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "run/run_context.h"
#include "platform/encoding.h"
#include "report/call_graph_pages.h"
#include "report/call_records.h"
#include "report/graph_svg.h"
#include "report/search_index.h"
#include "support/test_folder.h"

namespace kv {
namespace {

using testing::Exists;
using testing::ReadFile;
using testing::ReadSjisText;
using testing::ScratchFolder;
using testing::WriteSjisText;
namespace fs = std::filesystem;

constexpr char kRecords[] = "vcwk012345/FunctionList4/";

// A record as the consolidation writes it, with the sections the pictures
// read: the calls (as written in the source) and the macro list.
void WriteRecord(const std::string& name, const std::vector<std::string>& calls,
                 const std::vector<std::string>& macros = {}) {
  std::string text = "[関数名称]\n" + name + "\n\n[コール関数]\n";
  for (const std::string& call : calls) text += call + "\n";
  if (calls.empty()) text += " NO_CALL_FUNCTION \n";
  text += "\n[マクロ関数]\n";
  for (const std::string& macro : macros) text += macro + "\n";
  text += macros.empty() ? "NONE\n" : "\n";
  WriteSjisText(kRecords + name, text);
  WriteSjisText("vcwk012345/HTML/" + name + ".html", "<BODY>" + name + "のソース");
}

// main calls init, run, printf (no record), SET_REG (a macro), an
// expression the body analysis kept as a call, and helper (only a "Not
// Found Function" record); run calls log, itself and step (written Step:
// the record is found ignoring case, the node shows the record's name);
// step calls run; log calls printf; isr calls main.
void WriteSmallProject() {
  WriteRecord("main", {"init()", "run(1)", "printf(\"%d\",x)", "SET_REG(1)", "p->x|=(a)", "helper()"},
              {"SET_REG(v)"});
  WriteRecord("init", {});
  WriteRecord("run", {"log(cnt)", "run(n-1)", "Step()"});
  WriteRecord("step", {"run(2)"});
  WriteRecord("log", {"printf(\"%s\",s)"});
  WriteRecord("isr", {"main()"});
  WriteSjisText(std::string(kRecords) + "helper", "Not Found Function");
}

struct Picture {
  std::map<std::string, GraphNode> nodes;  // copies: the model is a temporary
  std::vector<std::string> edges;  // "from>to", "from>to back"
};

Picture Describe(const CallGraphModel& model) {
  Picture picture;
  for (const GraphNode& node : model.nodes) picture.nodes[ToUtf8(node.name)] = node;
  for (const GraphEdge& edge : model.edges)
    picture.edges.push_back(ToUtf8(model.nodes[edge.from].name) + ">" + ToUtf8(model.nodes[edge.to].name) +
                            (edge.back ? " back" : ""));
  return picture;
}

std::vector<std::string> SortedNames(const Picture& picture) {
  std::vector<std::string> names;
  for (const auto& [name, node] : picture.nodes) names.push_back(name + "@" + std::to_string(node.level));
  return names;
}

class CallGraphTest : public ::testing::Test {
 protected:
  CallGraphModel Build(const std::string& name) {
    RecordStore records(std::string("./") + kRecords);
    CallGraphIndex index(records);
    const int id = records.Lookup(name);
    EXPECT_GE(id, 0) << name;
    return BuildCallGraph(index, id);
  }

  ScratchFolder scratch_;
};

TEST_F(CallGraphTest, TwoLevelsOfCalleesOneOfCallers) {
  WriteSmallProject();
  const Picture main = Describe(Build("main"));
  EXPECT_EQ(SortedNames(main), (std::vector<std::string>{"SET_REG@1", "helper@1", "init@1", "isr@-1", "log@2",
                                                         "main@0", "printf@1", "run@1", "step@2"}));
  EXPECT_EQ(main.nodes.at("main").kind, GraphNodeKind::kCenter);
  EXPECT_EQ(main.nodes.at("run").kind, GraphNodeKind::kDefined);
  EXPECT_EQ(main.nodes.at("isr").kind, GraphNodeKind::kDefined);
  EXPECT_EQ(main.nodes.at("printf").kind, GraphNodeKind::kUndefined);
  EXPECT_EQ(main.nodes.at("SET_REG").kind, GraphNodeKind::kMacro);
  EXPECT_EQ(main.nodes.at("helper").kind, GraphNodeKind::kUndefined);
  // Second-level callees (log, step) are not expanded; run's recursion is
  // one edge back to itself.
  EXPECT_EQ(main.edges, (std::vector<std::string>{"isr>main", "main>init", "main>run", "main>printf", "main>SET_REG",
                                                  "main>helper", "run>log", "run>run back", "run>step"}));
}

TEST_F(CallGraphTest, CyclesAreEdgesToTheNodeAlreadyDrawn) {
  WriteSmallProject();
  const Picture run = Describe(Build("run"));
  // step both calls run and is called by it: drawn once, as a caller.
  EXPECT_EQ(SortedNames(run), (std::vector<std::string>{"log@1", "main@-1", "printf@2", "run@0", "step@-1"}));
  EXPECT_EQ(run.edges, (std::vector<std::string>{"main>run", "step>run", "run>log", "run>run back", "run>step back",
                                                 "log>printf"}));
}

// hub: 20 callers, 30 callees, each callee calling two functions of its own.
void WriteWideProject() {
  std::vector<std::string> calls;
  for (int i = 0; i < 30; ++i) {
    const std::string callee = "f" + std::to_string(100 + i);
    calls.push_back(callee + "()");
    WriteRecord(callee, {"g" + std::to_string(100 + i) + "a()", "g" + std::to_string(100 + i) + "b()"});
  }
  WriteRecord("hub", calls);
  for (int i = 0; i < 20; ++i) WriteRecord("c" + std::to_string(100 + i), {"hub()"});
}

TEST_F(CallGraphTest, EachLevelIsCutWithOneMoreNode) {
  WriteWideProject();
  const CallGraphModel model = Build("hub");
  ASSERT_EQ(model.nodes.size(), 40u);
  std::map<int, int> per_level;
  std::map<int, std::string> more;
  for (const GraphNode& node : model.nodes) {
    if (node.kind == GraphNodeKind::kMore)
      more[node.level] = node.name;
    else
      ++per_level[node.level];
  }
  EXPECT_EQ(per_level, (std::map<int, int>{{-1, kGraphLevelCap}, {0, 1}, {1, kGraphLevelCap}, {2, kGraphLevelCap}}));
  EXPECT_EQ(more, (std::map<int, std::string>{{-1, "+8 more"}, {1, "+18 more"}, {2, "+12 more"}}));
  // The second level fills from f100..f105; f106..f111 lose both callees,
  // and each of them points at the level's "+N more".
  const Picture picture = Describe(model);
  EXPECT_EQ(std::count_if(picture.edges.begin(), picture.edges.end(),
                          [](const std::string& e) { return e.ends_with(">+12 more"); }),
            6);
  EXPECT_TRUE(picture.nodes.count("g105b") && !picture.nodes.count("g106a"));
}

// Attribute values of one element kind in an SVG text.
std::vector<std::string> Values(const std::string& svg, const std::string& attribute) {
  std::vector<std::string> values;
  const std::string key = attribute + "=\"";
  for (size_t at = svg.find(key); at != std::string::npos; at = svg.find(key, at + 1)) {
    const size_t begin = at + key.size();
    values.push_back(svg.substr(begin, svg.find('"', begin) - begin));
  }
  return values;
}

TEST_F(CallGraphTest, PictureLinksDefinedFunctionsToTheirSourcePages) {
  WriteSmallProject();
  std::string svg;
  ASSERT_TRUE(RenderCallGraphSvg(Build("main"), svg));
  EXPECT_TRUE(svg.starts_with("<?xml version=\"1.0\" encoding=\"Shift_JIS\""));
  std::vector<std::string> links = Values(svg, "xlink:href");
  std::sort(links.begin(), links.end());
  // Functions with a body link to their page; printf, SET_REG and helper do
  // not. The line below the drawing links the legend.
  EXPECT_EQ(links, (std::vector<std::string>{"../init.html", "../isr.html", "../log.html", "../main.html",
                                             "../run.html", "../step.html", "legend.html"}));
  EXPECT_EQ(std::count(svg.begin(), svg.end(), '\r'), 0);  // TextWriter adds the CRs
  // Nine nodes, nine edges; the macro and the undefined callee in their own styles.
  EXPECT_EQ(Values(svg, "class").size(), 1u + 9u + 9u);
  EXPECT_NE(svg.find(">SET_REG</text>"), std::string::npos);
  EXPECT_NE(svg.find("stroke-dasharray"), std::string::npos);
}

TEST_F(CallGraphTest, JapaneseNamesSurviveTheLayout) {
  WriteRecord("表示", {"更新()"});
  WriteRecord("更新", {});
  std::string svg;
  ASSERT_TRUE(RenderCallGraphSvg(Build(ToCp932("表示")), svg));
  const std::string text = ToUtf8(svg);
  EXPECT_NE(text.find(">表示</text>"), std::string::npos) << text;
  EXPECT_NE(text.find("xlink:href=\"../更新.html\""), std::string::npos);
}

class CallGraphStageTest : public CallGraphTest {
 protected:
  // The stage's pictures as {file name: bytes}.
  std::map<std::string, std::string> RunStage(int workers) {
    RunOptions options;
    options.graph_workers = workers;
    RunContext ctx(session_, ui_, log_, options);
    EXPECT_EQ(FinishCallGraphs(ctx), StageOutcome::kContinue);
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator("vcwk012345/HTML/GRAPH"))
      files[entry.path().filename().string()] = ReadFile(entry.path().string());
    return files;
  }

  Session session_;
  RecordingUi ui_;
  AnalysisLog log_;
};

TEST_F(CallGraphStageTest, SameBytesWithOneAndTwoWorkers) {
  WriteWideProject();
  WriteSmallProject();
  const auto one = RunStage(1);
  const auto two = RunStage(2);
  // Every record with a body (not helper's "Not Found Function").
  EXPECT_EQ(one.size(), 30u + 1u + 20u + 6u);
  EXPECT_FALSE(one.count("helper.svg"));
  ASSERT_EQ(one.size(), two.size());
  for (const auto& [name, bytes] : one) {
    EXPECT_FALSE(bytes.empty()) << name;
    EXPECT_EQ(bytes, two.at(name)) << name;
  }
  EXPECT_NE(one.at("main.svg").find("\r\n"), std::string::npos);
}

// The report stage links the pictures from the source pages once they are
// all drawn (a source page has one writer at a time).
TEST_F(CallGraphStageTest, HelpersLeaveTheSourcePagesAlone) {
  WriteSmallProject();
  RunStage(2);
  EXPECT_EQ(ReadSjisText("vcwk012345/HTML/main.html"), "<BODY>mainのソース");
}

TEST_F(CallGraphStageTest, AFileInPlaceOfTheFolderIsOneNote) {
  WriteSmallProject();
  WriteSjisText("vcwk012345/HTML/GRAPH", "not a folder");
  RunContext ctx(session_, ui_, log_, RunOptions{});
  EXPECT_EQ(FinishCallGraphs(ctx), StageOutcome::kContinue);
  EXPECT_EQ(ReadSjisText("AnalyzeLog.txt"), "プログラム解析 ./vcwk012345/HTML/GRAPH : FILE CREATE FAIL\n");
  EXPECT_EQ(ReadSjisText("vcwk012345/HTML/main.html"), "<BODY>mainのソース");
}

TEST_F(CallGraphStageTest, ProjectsAboveTheLimitGetNoPicturesUnlessAsked) {
  RunOptions options;
  EXPECT_TRUE(CallGraphsWanted(options, kCallGraphRecordLimit));
  EXPECT_FALSE(CallGraphsWanted(options, kCallGraphRecordLimit + 1));
  options.call_graphs = 1;
  EXPECT_TRUE(CallGraphsWanted(options, kCallGraphRecordLimit + 1));
  options.call_graphs = 0;
  EXPECT_FALSE(CallGraphsWanted(options, 1));
}

TEST_F(CallGraphStageTest, StopEndsTheStage) {
  WriteSmallProject();
  session_.progress.stop_flag = 1;
  RunContext ctx(session_, ui_, log_, RunOptions{});
  EXPECT_EQ(FinishCallGraphs(ctx), StageOutcome::kStopRun);
}

// Started after FUNC ALS4 and left by a run that stops before its report
// stage: dropping the writer stops the helpers and waits for them, so none
// is left writing into a work folder about to be removed.
TEST_F(CallGraphStageTest, AWriterDroppedUnfinishedLeavesNoHelper) {
  WriteWideProject();
  WriteSmallProject();
  RunOptions options;
  options.graph_workers = 2;
  RunContext ctx(session_, ui_, log_, options);
  EXPECT_EQ(StartCallGraphs(ctx), StageOutcome::kContinue);
  ASSERT_NE(ctx.background_graphs, nullptr);
  session_.progress.stop_flag = 1;
  ctx.background_graphs.reset();
  errno = 0;
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

// The search index: every record, the variables of ValList.txt and the
// definitions of DEF3, names outside ASCII as escapes.
// A helper that ends is reaped; one stuck for good (here: waiting for a
// signal that never comes) is killed once nothing progresses for the
// stall time, and said so.
TEST(WaitForHelpersTest, AStuckHelperIsKilledAfterTheStall) {
  std::vector<pid_t> helpers;
  const pid_t quick = fork();
  if (quick == 0) _exit(0);
  const pid_t stuck = fork();
  if (stuck == 0) {
    for (;;) pause();
  }
  helpers = {quick, stuck};
  EXPECT_TRUE(graph_jobs::WaitForHelpers(helpers, [] { return size_t{7}; }, std::chrono::milliseconds(200)));
  EXPECT_TRUE(helpers.empty());
  EXPECT_EQ(kill(stuck, 0), -1);  // gone, and reaped

  const pid_t ends = fork();
  if (ends == 0) _exit(0);
  helpers = {ends};
  EXPECT_FALSE(graph_jobs::WaitForHelpers(helpers, [] { return size_t{0}; }, std::chrono::milliseconds(60000)));
  EXPECT_TRUE(helpers.empty());
}

TEST_F(CallGraphTest, SearchIndexListsEveryRecord) {
  WriteWideProject();
  WriteRecord("表示", {});
  WriteSjisText("vcwk012345/ValList.txt", "int\tcnt\t;\nunsigned\tchar\t速度\t[4]\t;\n");
  WriteSjisText("vcwk012345/DEF3/main_DEF_C.dat", "MAX\t10\t\nLIMIT\t2\t\n");
  RecordStore records(std::string("./") + kRecords);
  Session session;
  RecordingUi ui;
  AnalysisLog log;
  RunContext ctx(session, ui, log, RunOptions{});
  const SearchEntries entries = CollectSearchEntries(ctx, records);
  std::vector<std::string> expected;
  for (const auto& entry : fs::directory_iterator(kRecords)) expected.push_back(entry.path().filename().string());
  std::vector<std::string> listed;
  for (const std::string& name : entries.functions) listed.push_back(ToUtf8(name));
  std::sort(expected.begin(), expected.end());
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(listed, expected);
  EXPECT_EQ(entries.functions.size(), 30u + 1u + 20u + 1u);
  EXPECT_EQ(entries.variables, (std::vector<std::string>{"cnt", ToCp932("速度")}));
  EXPECT_EQ(entries.definitions.size(), 2u);
  const std::string script = SearchIndexScript(entries);
  EXPECT_NE(script.find("\"c100\\nc101\\n"), std::string::npos);
  EXPECT_NE(script.find("\\u8868\\u793a"), std::string::npos);  // 表示
  EXPECT_NE(script.find("definitions: \"LIMIT\\tmain_C\\nMAX\\tmain_C\""), std::string::npos) << script;
  EXPECT_TRUE(std::all_of(script.begin(), script.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }));
}

TEST(JsStringLiteral, EscapesQuotesControlsAndNonAscii) {
  std::string literal;
  EXPECT_TRUE(JsStringLiteral(ToCp932("a\"b\\c\x01ｱ"), literal));
  EXPECT_EQ(literal, "\"a\\\"b\\\\c\\u0001\\uff71\"");
  EXPECT_FALSE(JsStringLiteral("\x81", literal));  // a lead byte alone
}

}  // namespace
}  // namespace kv
