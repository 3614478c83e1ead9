// Tick labels of the axes: the label expressions of number, date and
// category axes, and the widths and steps that keep labels apart.
#pragma once

#include <string>
#include <vector>

#include "render/RenderData.h"

namespace npar {
namespace render {

// Tick labels of a continuous axis written in a number format; empty when
// the chart library's own labels serve.
std::string NumberLabelExpression(const Format& format);
// Tick labels of a date axis in the pattern of a date format type.
std::string DateLabelExpression(const std::string& type);
// Tick labels of a categorical axis: broken at their line breaks, and at
// blanks when they are wider than their band (pixels).
std::string WrappedLabels(const std::vector<std::string>& labels, double band);
// The smallest of 1, 2 and 5 times a power of ten that is at least step.
double RoundStep(double step);
// Whether a number format writes seconds as a clock (TIME, DTIME).
bool IsClockFormat(const std::string& type);
// The smallest step a clock reads at a glance (1, 2, 5, 10, 15 or 30 seconds
// or minutes, 1, 2, 3, 6 or 12 hours, then whole days at a round step) that
// is at least step seconds.
double ClockStep(double step);
// A date as an axis writes it in the format's pattern, at its widest.
std::string WidestDateLabel(const std::string& type);

}  // namespace render
}  // namespace npar
