#include "report/graph_svg.h"

#include <graphviz/cgraph.h>
#include <graphviz/gvc.h>
#include <graphviz/gvplugin.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/encoding.h"

// The two plugin libraries are linked in and registered by hand: the
// configured plugin set would also bring the text-layout plugin, whose
// measurements (and so the picture's bytes) depend on the installed fonts.
extern "C" {
extern gvplugin_library_t gvplugin_dot_layout_LTX_library;
extern gvplugin_library_t gvplugin_core_LTX_library;
}

namespace kv {
namespace {

std::mutex g_graphviz_mutex;

GVC_t* Context() {
  static lt_symlist_t builtins[] = {
      {"gvplugin_dot_layout_LTX_library", &gvplugin_dot_layout_LTX_library},
      {"gvplugin_core_LTX_library", &gvplugin_core_LTX_library},
      {nullptr, nullptr},
  };
  // Kept for the life of the process (a forked worker inherits it unused).
  static GVC_t* context = gvContextPlugins(builtins, 0);
  return context;
}

// Graphviz takes char* for names that it only reads.
char* Text(const char* text) { return const_cast<char*>(text); }

// Graphviz expects UTF-8; a name that is not valid Shift-JIS keeps its
// ASCII characters and shows "?" for the rest.
std::string Utf8(std::string_view cp932) {
  std::string out;
  if (TryToUtf8(cp932, out)) return out;
  out.clear();
  for (char c : cp932) out.push_back(static_cast<unsigned char>(c) < 0x80 ? c : '?');
  return out;
}

void Set(void* object, const char* name, const std::string& value) {
  agsafeset(object, Text(name), Text(value.c_str()), Text(""));
}

// The node attributes a picture sets, declared once per graph: setting them
// through their symbols spares a name lookup per node and attribute.
struct NodeAttributes {
  explicit NodeAttributes(Agraph_t* graph)
      : label(Declare(graph, "label", "\\N")),
        style(Declare(graph, "style", "")),
        fillcolor(Declare(graph, "fillcolor", "")),
        url(Declare(graph, "URL", "")),
        tooltip(Declare(graph, "tooltip", "")),
        shape(Declare(graph, "shape", "box")),
        color(Declare(graph, "color", "")),
        fontcolor(Declare(graph, "fontcolor", "")) {}
  static Agsym_t* Declare(Agraph_t* graph, const char* name, const char* value) {
    return agattr(graph, AGNODE, Text(name), Text(value));
  }
  Agsym_t* label;
  Agsym_t* style;
  Agsym_t* fillcolor;
  Agsym_t* url;
  Agsym_t* tooltip;
  Agsym_t* shape;
  Agsym_t* color;
  Agsym_t* fontcolor;
};

void Put(Agnode_t* node, Agsym_t* attribute, const char* value) { agxset(node, attribute, Text(value)); }

// A name called but without a body of its own: dashed, outline and text in
// `color`.
void PutDashed(Agnode_t* node, const NodeAttributes& a, const char* shape, const char* color) {
  Put(node, a.shape, shape);
  Put(node, a.style, "dashed");
  Put(node, a.color, color);
  Put(node, a.fontcolor, color);
}

// `shown` is the node's name in UTF-8; a node's label is its name ("\N")
// except for a "+N more".
void StyleNode(Agnode_t* node, const NodeAttributes& a, const GraphNode& model, const std::string& shown) {
  switch (model.kind) {
    case GraphNodeKind::kCenter:
      Put(node, a.style, "filled,bold");
      Put(node, a.fillcolor, "#FFFFCC");
      Put(node, a.url, ("../" + shown + ".html").c_str());
      break;
    case GraphNodeKind::kDefined:
      Put(node, a.style, "filled");
      Put(node, a.fillcolor, "#CCFFFF");
      Put(node, a.url, ("../" + shown + ".html").c_str());
      break;
    case GraphNodeKind::kUndefined:
      PutDashed(node, a, "ellipse", "gray40");
      break;
    case GraphNodeKind::kMacro:
      PutDashed(node, a, "hexagon", "#996600");
      break;
    case GraphNodeKind::kMore:
      Put(node, a.label, shown.c_str());
      Put(node, a.shape, "plaintext");
      Put(node, a.fontcolor, "gray40");
      break;
  }
  if (!model.name.empty() && model.kind != GraphNodeKind::kMore) Put(node, a.tooltip, shown.c_str());
}

// One line below the drawing: a link to the legend page beside the
// pictures. The picture grows by the line's height; the drawing keeps its
// place (graphviz anchors it at the top left).
constexpr double kLegendLine = 14;

void AddLegendLink(std::string& utf8) {
  const size_t height = utf8.find(" height=\"");
  const size_t view_box = utf8.find(" viewBox=\"");
  const size_t end = utf8.rfind("</svg>");
  if (height == std::string::npos || view_box == std::string::npos || end == std::string::npos) return;
  // viewBox="x y width height": the last number.
  const size_t box_end = utf8.find('"', view_box + 10);
  const size_t last = utf8.rfind(' ', box_end);
  if (box_end == std::string::npos || last == std::string::npos || last < view_box) return;
  const double box_height = std::strtod(utf8.c_str() + last + 1, nullptr);
  char number[32];
  std::snprintf(number, sizeof number, "%.2f", box_height + kLegendLine);
  utf8.replace(last + 1, box_end - last - 1, number);
  const size_t points = utf8.find("pt\"", height);
  if (points != std::string::npos) {
    const long shown = std::strtol(utf8.c_str() + height + 9, nullptr, 10);
    utf8.replace(height + 9, points - height - 9, std::to_string(shown + static_cast<long>(kLegendLine)));
  }
  std::snprintf(number, sizeof number, "%.2f", box_height + kLegendLine - 4);
  const std::string link = std::string("<a xlink:href=\"legend.html\" target=\"_self\"><text x=\"4\" y=\"") + number +
                           "\" font-family=\"Helvetica,sans-Serif\" font-size=\"9.00\" fill=\"#555555\">" +
                           "凡例 (legend)</text></a>\n";
  utf8.insert(utf8.rfind("</svg>"), link);
}

// The picture as graphviz wrote it (UTF-8) made Shift-JIS.
bool ToShiftJisSvg(std::string_view utf8, std::string& svg) {
  constexpr std::string_view kDeclared = "encoding=\"UTF-8\"";
  std::string text(utf8);
  const size_t declared = text.find(kDeclared);
  if (declared != std::string::npos) text.replace(declared, kDeclared.size(), "encoding=\"Shift_JIS\"");
  return TryToCp932(text, svg);
}

}  // namespace

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer build only. Graphviz 2.43's dot layout never frees the
// virtual edges that mincross (flat_rev) makes for flat edges running right
// to left: a few hundred bytes per such picture, kept until the process
// ends, and no call of Graphviz's API reaches them. LeakSanitizer's fast
// unwinder cannot see past libgvc's allocator (built without frame
// pointers), so the suppression names that library; it covers memory
// Graphviz allocates for itself, never the program's own.
extern "C" const char* __lsan_default_suppressions() { return "leak:libgvc.so\n"; }
#endif

void PrepareGraphLayout() {
  std::lock_guard<std::mutex> lock(g_graphviz_mutex);
  Context();
}

bool RenderCallGraphSvg(const CallGraphModel& model, std::string& svg) {
  svg.clear();
  std::lock_guard<std::mutex> lock(g_graphviz_mutex);
  GVC_t* gvc = Context();
  if (gvc == nullptr || model.nodes.empty()) return false;
  Agraph_t* graph = agopen(Text(Utf8(model.function).c_str()), Agdirected, nullptr);
  if (graph == nullptr) return false;
  Set(graph, "rankdir", "LR");
  Set(graph, "nodesep", "0.12");
  Set(graph, "ranksep", "0.5");
  Set(graph, "fontname", "Helvetica");
  const NodeAttributes attributes(graph);
  agattr(graph, AGNODE, Text("fontname"), Text("Helvetica"));
  agattr(graph, AGNODE, Text("fontsize"), Text("10"));
  agattr(graph, AGNODE, Text("height"), Text("0.3"));
  agattr(graph, AGNODE, Text("target"), Text("_self"));
  agattr(graph, AGEDGE, Text("arrowsize"), Text("0.6"));

  std::vector<Agnode_t*> nodes;
  nodes.reserve(model.nodes.size());
  for (size_t i = 0; i < model.nodes.size(); ++i) {
    // The id is the SVG group's title: the name, or the level of a "+N more".
    const GraphNode& shown = model.nodes[i];
    const std::string name = Utf8(shown.name);
    const std::string id = shown.kind == GraphNodeKind::kMore ? "more" + std::to_string(shown.level) : name;
    Agnode_t* node = agnode(graph, Text(id.c_str()), 1);
    StyleNode(node, attributes, shown, name);
    nodes.push_back(node);
  }
  for (const GraphEdge& edge : model.edges) {
    Agedge_t* drawn = agedge(graph, nodes[edge.from], nodes[edge.to], nullptr, 1);
    if (edge.back) {
      Set(drawn, "constraint", "false");
      Set(drawn, "color", "#CC3333");
    }
  }
  bool ok = gvLayout(gvc, graph, "dot") == 0;
  if (ok) {
    char* data = nullptr;
    unsigned int length = 0;
    ok = gvRenderData(gvc, graph, "svg", &data, &length) == 0 && data != nullptr;
    if (ok) {
      std::string utf8(data, length);
      AddLegendLink(utf8);
      ok = ToShiftJisSvg(utf8, svg);
    }
    if (data != nullptr) gvFreeRenderData(data);
    gvFreeLayout(gvc, graph);
  }
  agclose(graph);
  if (!ok) svg.clear();
  return ok;
}

}  // namespace kv
