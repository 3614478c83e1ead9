// The statistics a chart document asks for: bins, box-plot statistics,
// distribution curves, the circle layout of a network, and the date texts of
// distribution parameters.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "CalendarDays.h"

namespace npar {
namespace render {

// Bins beyond this are not made: a count or width from the document never
// sizes memory without bound.
constexpr size_t kMaxBins = 1000;

// Bins over a continuous position: [lower[i], upper[i]), the last one closed.
struct Bins {
    std::vector<double> lower;
    std::vector<double> upper;
    // The width of a bin; when bins centred on their rows differ in width
    // (months), their mean, so that a fitted curve scaled by it expects the
    // count of an average bin.
    double width = 1.0;

    // The bin of value, or -1 when it lies outside every bin.
    long Find(double value) const;
};

// Bins for the position values of a mark's rows (rows: how many rows with a
// position there are). binCount <= 0 and binWidth <= 0 mean "not given".
Bins MakeBins(std::vector<double> values, size_t rows, double binCount, double binWidth);

// Bins around values that are bin centres already: one per distinct value,
// reaching halfway to its neighbours (the outer bins as far out as in; a
// single value: width 1), so a table that is binned is never binned again.
// None beyond kMaxBins distinct values.
Bins CentredBins(std::vector<double> values);

// The smallest distance between neighbouring distinct values (1 for fewer
// than two distinct values).
double SmallestGap(std::vector<double> values);

// Tukey box statistics of a group's values; outliers and extremes are given
// as positions into values.
struct BoxStats {
    size_t n = 0;
    double lowerWhisker = 0, lowerHinge = 0, median = 0, upperHinge = 0, upperWhisker = 0;
    std::vector<size_t> outliers;  // beyond 1.5 IQR
    std::vector<size_t> extremes;  // beyond 3 IQR
};
BoxStats TukeyBox(const std::vector<double>& values);

// A distribution of a distribution curve and its parameters.
struct Distribution {
    std::string name;  // normal, uniform, poisson, exponential
    double first = 0;
    double second = 0;

    // Whether the parameters describe a distribution (σ > 0, b > a, λ > 0).
    bool Valid() const;
    double Density(double x) const;
    // The span the curve covers when nothing else gives one.
    std::pair<double, double> NaturalSpan() const;
};
// Points of the curve scale · f(x) over [low, high]: 200 intervals for
// continuous densities, vertical steps at the ends of a uniform one, the
// whole numbers for a Poisson one.
std::vector<std::pair<double, double>> DistributionCurve(const Distribution& distribution, double low,
                                                         double high, double scale);

// "YYYY-MM-DD" or "YYYY-MM-DDTHH:MM:SS" as seconds since 1582-10-14.
bool ParseDateText(const std::string& text, double& seconds);
// "P<days>DT<h>H<m>M<s>S" as seconds.
bool ParseDuration(const std::string& text, double& seconds);
// Seconds since 1582-10-14 as milliseconds since 1970-01-01.
double UnixMilliseconds(double seconds);

// n points evenly spaced on a circle of the given radius centred in a
// width × height panel, the first at the top, then clockwise (pixel
// coordinates, y downwards).
std::vector<std::pair<double, double>> CircleLayout(size_t n, double width, double height,
                                                    double radius);

}  // namespace render
}  // namespace npar
