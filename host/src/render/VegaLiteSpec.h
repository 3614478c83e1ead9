// The Vega-Lite specification of a chart item, as a JSON value (for writers
// that embed it) or, through ChartRenderer.h, as text.
#pragma once

#include <string>

#include "OutputChart.h"
#include "render/RenderCommon.h"

namespace npar {
namespace render {

// Builds the specification of chart; false, with a short note saying why,
// when the chart cannot be drawn.
bool BuildVegaLite(const ChartModel& chart, Json& spec, std::string& note);
// The specification, or null for a chart that cannot be drawn.
Json VegaLiteOrNull(const ChartModel& chart);

}  // namespace render
}  // namespace npar
