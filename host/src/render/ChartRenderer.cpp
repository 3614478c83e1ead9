// RenderChart: the Vega-Lite specification of a chart item as text.
#include "ChartRenderer.h"

#include <exception>

#include "render/VegaLiteChart.h"
#include "writers/JsonStream.h"

namespace npar {

RenderedChart RenderChart(const ChartModel& chart) {
    RenderedChart rendered;
    try {
        render::Json spec;
        if (!render::BuildVegaLite(chart, spec, rendered.note)) return rendered;
        // Compact; texts from the data may hold invalid UTF-8: it is replaced,
        // never thrown on.
        rendered.vegaLite = WrittenText([&spec](OutputSink& out) { JsonStream(out, -1).Value(spec); });
        rendered.drawable = true;
    } catch (const std::exception&) {
        // A chart the renderer fails on is left out; the report goes on.
        rendered = RenderedChart();
        rendered.note = "The chart could not be drawn.";
    }
    return rendered;
}

}  // namespace npar
