// The Vega-Lite specification of a chart item, as a JSON value (for writers
// that embed it) or, through ChartRenderer.h, as text.
#pragma once

#include <string>

#include "OutputChart.h"
#include "render/RenderCommon.h"

namespace npar {
namespace render {

// Builds the Vega-Lite definition of chart; false, with a short note saying why,
// when the chart cannot be drawn.
bool BuildVegaLite(const ChartModel& chart, Json& vegaLite, std::string& note);
// The Vega-Lite definition, or null for a chart that cannot be drawn.
Json VegaLiteOrNull(const ChartModel& chart);

}  // namespace render
}  // namespace npar
