#include "report/report_stages.h"

#include <exception>
#include <string>
#include <vector>

#include "run/folder_utils.h"
#include "run/work_folder.h"
#include "platform/encoding.h"
#include "platform/html_text.h"
#include "platform/paths.h"
#include "platform/text_file.h"
#include "report/call_graph_pages.h"
#include "report/call_records.h"
#include "report/call_tree.h"
#include "report/code_view.h"
#include "report/report_nav.h"
#include "report/report_pages.h"
#include "report/search_index.h"
#include "report/variable_pages.h"

namespace kv {
namespace {

std::string TreeFile(std::string_view name) { return JoinPath(work::Path(work::kCallTree), name); }

// Step 8: the tree of every root function (a record nobody calls), in
// listing order, into call_tree.txt and call_tree_ram.txt, and each into its
// own page CallTree_<root>.html listed in CallTree_index.html.
StageOutcome WriteCallTrees(RunContext& ctx, RecordStore& records, std::vector<TreeLine>& first_lines,
                            std::vector<std::string>& roots) {
  const std::string html_path = TreeFile("call_tree.html");
  DeleteFile(html_path);
  DeleteFile(TreeFile("CallTree_Top.html"));
  TextWriter text, ram;
  if (!CreateFile(text, TreeFile("call_tree.txt")) || !CreateFile(ram, TreeFile("call_tree_ram.txt")))
    return StageOutcome::kEndWorker;
  bool html_exists = false;
  {
    TextWriter html;
    if (CreatePage(html, html_path)) {
      html_exists = true;
      html.Write("<BODY bgcolor='white' link='black' vlink='black' alink='black'><font color='black'>");
      html.Write(SJ("基点関数<BR><BR>"));
    }
  }
  if (!records.folder_found()) {
    ctx.Message(SJ("該当関数が存在しません"));
    return StageOutcome::kEndWorker;
  }

  for (int id = 0; id < records.size(); ++id) {
    if (ctx.StopRequested()) return StageOutcome::kStopRun;
    ctx.ShowDetail(records.name(id));
    if (!records.Get(id).is_root) continue;
    if (!CheckFileName(ctx, "CallTree", "CallTree_" + records.name(id) + ".html")) continue;
    roots.push_back(records.name(id));
  }

  CallTreeWalker walker(records);
  ChooseTreeForm(ctx, walker, roots);
  StageTreeFiles files(text, ram);
  files.set_first_lines(&first_lines);
  TextWriter index(TreeFile("CallTree_index.html"), WriteMode::kAppend);
  for (const std::string& root : roots) {
    if (ctx.StopRequested()) return StageOutcome::kStopRun;
    {
      // A later root's page is made here, without the first page's head.
      TextWriter html;
      if (html_exists)
        html.Open(html_path, WriteMode::kAppend);
      else
        CreatePage(html, html_path);
      files.set_html(html.is_open() ? &html : nullptr);
      try {
        walker.Walk(root, files);
      } catch (const std::exception&) {
        ctx.log.Finding(ctx.position.current_file, ctx.position.line_counter, "start", SJ("例外発生210"));
      }
      files.set_html(nullptr);
    }
    html_exists = !RenameFile(html_path, TreeFile("CallTree_" + root + ".html")) && PathExists(html_path);
    index.Write("<A href= CallTree_" + root + ".html target='view'>" + HtmlText(root) + "</A><BR>\n");
  }
  text.Close();
  ram.Close();
  return StageOutcome::kContinue;
}

}  // namespace

StageOutcome PrepareReportStage(RunContext& ctx) {
  const std::string tree_folder = work::Path(work::kCallTree);
  RemoveFolderTree(tree_folder);
  MakeFolder(work::Path(work::kHtml));
  MakeFolder(tree_folder);
  return WriteTopPage(ctx) ? StageOutcome::kContinue : StageOutcome::kEndWorker;
}

StageOutcome RunReportStage(RunContext& ctx) {
  RecordStore records(work::Path(work::kFunctionList4));
  AddPrototypeRecords(ctx, records);
  // The pictures were started after FUNC ALS4 by the stage table; when this
  // stage runs without it (its tests), they start here and are laid out while
  // the pages below are written.
  StartCallGraphs(ctx);
  // The code view reads each record first: its page in the record frame is
  // written from the same text.
  RecordPages record_pages(ctx, records);
  const CodeIndex code = WriteCodeView(ctx, records, [&record_pages](int id, const std::string& text, const CodeLine& at) {
    record_pages.Write(id, text, at);
  });
  WriteFunctionListPage(ctx, records, code);
  WriteVariableListPage(ctx, code);
  if (WriteDefinitionPages(ctx) == StageOutcome::kStopRun) return StageOutcome::kStopRun;
  WriteCallTreeIndexHead(ctx);
  if (!WriteIndexPage(ctx) || !WriteBrimsolePage(ctx)) return StageOutcome::kEndWorker;
  std::vector<TreeLine> first_lines;
  std::vector<std::string> roots;
  StageOutcome trees = WriteCallTrees(ctx, records, first_lines, roots);
  if (trees != StageOutcome::kContinue) return trees;
  WriteFoldingTree(ctx, records, roots);
  StageOutcome pages = WriteVariablePages(ctx, records, first_lines);
  if (pages != StageOutcome::kContinue) return pages;
  record_pages.Finish(code);
  if (!WriteSearchPages(ctx, records)) ctx.log.Note(work::Path("HTML/search_index.js"), "FILE CREATE FAIL\n");
  const StageOutcome graphs = FinishCallGraphs(ctx);
  if (graphs != StageOutcome::kContinue) return graphs;
  WriteGraphLegend(ctx);
  AddSourcePageLinks(ctx, records, code);
  return ctx.StopRequested() ? StageOutcome::kStopRun : StageOutcome::kContinue;
}

}  // namespace kv
