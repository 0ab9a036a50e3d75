// Lays out a call-graph model with the graphviz libraries (cgraph + gvc,
// the dot layout, in this process) and returns the SVG picture.
//
// The picture is a Shift-JIS XML text (the declaration says so) with "\n"
// line ends, ready for TextWriter. Node texts are measured with graphviz's
// built-in font metrics, not the machine's fonts, so the same model gives
// the same bytes on every machine with the same graphviz.
//
// Graphviz is not thread-safe (its manual says so; its dictionaries
// reorganise themselves even on lookups and the layout keeps global state):
// the calls are serialised by one process-wide lock. Callers that want
// several pictures at once use worker processes (see call_graph_pages.h).
#pragma once

#include <string>

#include "report/call_graph.h"

namespace kv {

// Links point from HTML/GRAPH/ to the source pages in HTML/. False (and an
// empty `svg`) when graphviz refuses the graph.
bool RenderCallGraphSvg(const CallGraphModel& model, std::string& svg);

// Loads graphviz's layout and output plugins now, once per process (the first
// picture does it otherwise): before forking helpers that lay out pictures.
void PrepareGraphLayout();

}  // namespace kv
