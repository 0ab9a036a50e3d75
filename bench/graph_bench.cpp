// Times the call-graph pictures on the work folder ./vcwk012345 of the
// current directory (left by an analysis run): building the models, the
// graphviz layout and SVG output, one picture after the other in this
// process, and prints the node counts and the SVG bytes.
//
//   graph_bench [LIMIT]   # only the first LIMIT pictures
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "run/work_folder.h"
#include "report/call_graph.h"
#include "report/call_records.h"
#include "report/graph_svg.h"

int main(int argc, char** argv) {
  using Clock = std::chrono::steady_clock;
  const long limit = argc > 1 ? std::atol(argv[1]) : -1;
  const auto started = Clock::now();
  kv::RecordStore records(kv::work::Path(kv::work::kFunctionList4));
  kv::CallGraphIndex index(records);
  const auto indexed = Clock::now();
  std::vector<kv::CallGraphModel> models;
  for (int id = 0; id < index.size() && (limit < 0 || static_cast<long>(models.size()) < limit); ++id)
    if (index.has_body(id)) models.push_back(kv::BuildCallGraph(index, id));
  const auto built = Clock::now();
  size_t nodes = 0, edges = 0, bytes = 0, largest = 0;
  int failed = 0;
  std::string svg;
  for (const kv::CallGraphModel& model : models) {
    nodes += model.nodes.size();
    edges += model.edges.size();
    largest = std::max(largest, model.nodes.size());
    if (!kv::RenderCallGraphSvg(model, svg)) ++failed;
    bytes += svg.size();
  }
  const auto rendered = Clock::now();
  auto seconds = [](Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); };
  std::printf("pictures %zu failed %d\n", models.size(), failed);
  std::printf("nodes %zu (mean %.1f, largest %zu) edges %zu\n", nodes, models.empty() ? 0.0 : double(nodes) / models.size(),
              largest, edges);
  std::printf("svg_bytes %zu\n", bytes);
  std::printf("index_seconds %.3f\nmodel_seconds %.3f\nlayout_svg_seconds %.3f (%.3f ms each)\n", seconds(started, indexed),
              seconds(indexed, built), seconds(built, rendered),
              models.empty() ? 0.0 : 1000 * seconds(built, rendered) / models.size());
  return failed == 0 ? 0 : 1;
}
