// Chart renderer: turns a chart item (its chart document in the template
// language of docs/chart-templates.md and its data table) into a Vega-Lite
// (v5) specification that a browser draws.
//
// The renderer follows the document's elements, not the template's name: an
// edited template draws what its edits say. Statistics the document asks for
// (bins and sums, box statistics, distribution curves, the circle layout of a
// network) are computed here and inlined as data values, so the specification
// draws without further computation.
#pragma once

#include <string>

#include "OutputChart.h"

namespace npar {

struct RenderedChart {
    // Whether the chart can be drawn. A document that does not parse, holds an
    // element the renderer does not know, or has no mark to draw gives false.
    bool drawable = false;
    // The Vega-Lite specification as JSON text (empty when not drawable).
    std::string vegaLite;
    // Why the chart is not drawn, in a short sentence (empty when drawable).
    std::string note;
};

RenderedChart RenderChart(const ChartModel& chart);

}  // namespace npar
