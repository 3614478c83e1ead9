// Bins, box statistics, distribution curves, dates and the circle layout.
#include "render/RenderStats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace npar {
namespace render {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr size_t kCurveIntervals = 200;
constexpr size_t kMaxPoissonPoints = 2000;

std::vector<double> Distinct(std::vector<double> values) {
    values.erase(
        std::remove_if(values.begin(), values.end(), [](double v) { return !std::isfinite(v); }),
        values.end());
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    return values;
}

double MedianOf(const std::vector<double>& sorted, size_t begin, size_t end) {
    const size_t n = end - begin;
    if (n == 0) return 0;
    const size_t mid = begin + n / 2;
    return n % 2 ? sorted[mid] : (sorted[mid - 1] + sorted[mid]) / 2;
}

int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yoe = year - era * 400;
    const int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// Reads an unsigned whole number of at most digits digits at text[pos].
bool ReadNumber(const std::string& text, size_t& pos, size_t maxDigits, long& value) {
    const size_t start = pos;
    value = 0;
    while (pos < text.size() && pos - start < maxDigits && text[pos] >= '0' && text[pos] <= '9') {
        value = value * 10 + (text[pos] - '0');
        ++pos;
    }
    return pos > start;
}

bool Expect(const std::string& text, size_t& pos, char c) {
    if (pos >= text.size() || text[pos] != c) return false;
    ++pos;
    return true;
}

}  // namespace

long Bins::Find(double value) const {
    if (lower.empty() || !std::isfinite(value)) return -1;
    // Bins are ordered; the last one includes its upper edge.
    const auto it = std::upper_bound(lower.begin(), lower.end(), value);
    if (it == lower.begin()) {
        // Allow for rounding at the first edge.
        return std::fabs(value - lower.front()) <= 1e-9 * std::max(1.0, std::fabs(value)) ? 0 : -1;
    }
    const long index = static_cast<long>(it - lower.begin()) - 1;
    const size_t i = static_cast<size_t>(index);
    if (value < upper[i]) return index;
    if (i + 1 == upper.size() && value <= upper[i] + 1e-9 * std::max(1.0, std::fabs(value)))
        return index;
    return -1;
}

double SmallestGap(std::vector<double> values) {
    const std::vector<double> distinct = Distinct(std::move(values));
    double gap = 0;
    for (size_t i = 1; i < distinct.size(); ++i) {
        const double d = distinct[i] - distinct[i - 1];
        if (gap == 0 || d < gap) gap = d;
    }
    return gap > 0 && std::isfinite(gap) ? gap : 1.0;
}

Bins MakeBins(std::vector<double> values, size_t rows, double binCount, double binWidth) {
    Bins bins;
    const std::vector<double> distinct = Distinct(std::move(values));
    if (distinct.empty()) return bins;
    const double first = distinct.front();
    const double last = distinct.back();
    const double span = last - first;
    const bool overridden = binCount >= 1 || binWidth > 0;
    if (!overridden || distinct.size() == 1 || !(span > 0) || !std::isfinite(span)) {
        const double gap = SmallestGap(distinct);
        bool equal = distinct.size() > 1 && std::isfinite(span);
        for (size_t i = 1; equal && i < distinct.size(); ++i) {
            equal = std::fabs((distinct[i] - distinct[i - 1]) - gap) <= 1e-9 * std::fabs(gap);
        }
        if ((distinct.size() == 1 || equal || !(span > 0) || !std::isfinite(span)) &&
            distinct.size() <= kMaxBins)
            return CentredBins(distinct);
    }
    size_t count = 0;
    double width = 0;
    if (binWidth > 0 && std::isfinite(binWidth)) {
        const double needed = std::ceil(span / binWidth);
        if (needed >= 1 && needed <= static_cast<double>(kMaxBins)) {
            count = static_cast<size_t>(needed);
            width = binWidth;
        }
    }
    if (count == 0 && binCount >= 1)
        count = static_cast<size_t>(std::min(binCount, static_cast<double>(kMaxBins)));
    if (count == 0) {
        const double n = static_cast<double>(std::max<size_t>(rows, 1));
        count = static_cast<size_t>(std::ceil(std::log2(n))) + 1;
        count = std::min(count, kMaxBins);
    }
    if (width == 0) width = span / static_cast<double>(count);
    bins.width = width;
    for (size_t i = 0; i < count; ++i) {
        bins.lower.push_back(first + width * static_cast<double>(i));
        double upper = first + width * static_cast<double>(i + 1);
        if (i + 1 == count) upper = std::max(upper, last);
        bins.upper.push_back(upper);
    }
    return bins;
}

Bins CentredBins(std::vector<double> values) {
    Bins bins;
    const std::vector<double> distinct = Distinct(std::move(values));
    if (distinct.empty() || distinct.size() > kMaxBins) return bins;
    if (distinct.size() == 1) {
        bins.lower = {distinct[0] - 0.5};
        bins.upper = {distinct[0] + 0.5};
        return bins;
    }
    // Neighbouring bins share their edge, halfway between their centres.
    std::vector<double> edges{0.0};
    for (size_t i = 1; i < distinct.size(); ++i) edges.push_back(distinct[i - 1] / 2 + distinct[i] / 2);
    edges.front() = distinct.front() - (edges[1] - distinct.front());
    edges.push_back(distinct.back() + (distinct.back() - edges.back()));
    bins.lower.assign(edges.begin(), edges.end() - 1);
    bins.upper.assign(edges.begin() + 1, edges.end());
    bins.width = bins.upper[0] - bins.lower[0];
    const double mean = (edges.back() - edges.front()) / static_cast<double>(distinct.size());
    if (std::fabs(mean - bins.width) > 1e-9 * std::fabs(bins.width)) bins.width = mean;
    return bins;
}

BoxStats TukeyBox(const std::vector<double>& values) {
    BoxStats box;
    std::vector<double> sorted;
    for (double v : values) {
        if (std::isfinite(v)) sorted.push_back(v);
    }
    std::sort(sorted.begin(), sorted.end());
    box.n = sorted.size();
    if (sorted.empty()) return box;
    const size_t n = sorted.size();
    box.median = MedianOf(sorted, 0, n);
    const size_t half = (n + 1) / 2;
    box.lowerHinge = MedianOf(sorted, 0, half);
    box.upperHinge = MedianOf(sorted, n - half, n);
    const double iqr = box.upperHinge - box.lowerHinge;
    const double lowFence = box.lowerHinge - 1.5 * iqr, highFence = box.upperHinge + 1.5 * iqr;
    const double lowExtreme = box.lowerHinge - 3 * iqr, highExtreme = box.upperHinge + 3 * iqr;
    box.lowerWhisker = box.lowerHinge;
    box.upperWhisker = box.upperHinge;
    for (double v : sorted) {
        if (v >= lowFence && v < box.lowerWhisker) box.lowerWhisker = v;
        if (v <= highFence && v > box.upperWhisker) box.upperWhisker = v;
    }
    for (size_t i = 0; i < values.size(); ++i) {
        const double v = values[i];
        if (!std::isfinite(v)) continue;
        if (v < lowExtreme || v > highExtreme)
            box.extremes.push_back(i);
        else if (v < lowFence || v > highFence)
            box.outliers.push_back(i);
    }
    return box;
}

bool Distribution::Valid() const {
    if (!std::isfinite(first) || !std::isfinite(second)) return false;
    if (name == "normal") return second > 0;
    if (name == "uniform") return second > first;
    if (name == "poisson" || name == "exponential") return first > 0;
    return false;
}

double Distribution::Density(double x) const {
    if (name == "normal") {
        const double z = (x - first) / second;
        return std::exp(-z * z / 2) / (second * std::sqrt(2 * kPi));
    }
    if (name == "uniform") return x >= first && x <= second ? 1 / (second - first) : 0;
    if (name == "exponential") return x >= 0 ? first * std::exp(-first * x) : 0;
    if (name == "poisson") {
        if (x < 0 || x != std::floor(x)) return 0;
        return std::exp(x * std::log(first) - first - std::lgamma(x + 1));
    }
    return 0;
}

std::pair<double, double> Distribution::NaturalSpan() const {
    if (name == "normal") return {first - 3 * second, first + 3 * second};
    if (name == "uniform") return {first, second};
    if (name == "poisson") return {0, first + 3 * std::sqrt(first)};
    if (name == "exponential") return {0, 5 / first};
    return {0, 1};
}

std::vector<std::pair<double, double>> DistributionCurve(const Distribution& distribution, double low,
                                                         double high, double scale) {
    std::vector<std::pair<double, double>> points;
    if (!distribution.Valid() || !std::isfinite(low) || !std::isfinite(high) || !(high > low))
        return points;
    if (distribution.name == "poisson") {
        const double from = std::max(0.0, std::ceil(low));
        const double to = std::floor(high);
        if (to < from) return points;
        const double count = to - from + 1;
        const double step = std::max(1.0, std::ceil(count / static_cast<double>(kMaxPoissonPoints)));
        for (double k = from; k <= to; k += step)
            points.emplace_back(k, scale * distribution.Density(k));
        return points;
    }
    if (distribution.name == "uniform") {
        const double a = distribution.first, b = distribution.second, f = scale / (b - a);
        if (low < a || low > b) points.emplace_back(low, 0);
        if (a >= low && a <= high) {
            points.emplace_back(a, 0);
            points.emplace_back(a, f);
        } else if (low > a && low < b) {
            points.emplace_back(low, f);
        }
        if (b >= low && b <= high) {
            points.emplace_back(b, f);
            points.emplace_back(b, 0);
        } else if (high > a && high < b) {
            points.emplace_back(high, f);
        }
        if (high > b || high < a) points.emplace_back(high, 0);
        return points;
    }
    for (size_t i = 0; i <= kCurveIntervals; ++i) {
        const double x = low + (high - low) * static_cast<double>(i) / kCurveIntervals;
        if (distribution.name == "exponential" && i > 0 && points.back().first < 0 && x >= 0) {
            // The step at 0.
            points.emplace_back(0, 0);
            points.emplace_back(0, scale * distribution.Density(0));
        }
        points.emplace_back(x, scale * distribution.Density(x));
    }
    return points;
}

bool ParseDateText(const std::string& text, double& seconds) {
    size_t pos = 0;
    long year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!ReadNumber(text, pos, 4, year) || pos != 4 || !Expect(text, pos, '-') ||
        !ReadNumber(text, pos, 2, month) || !Expect(text, pos, '-') || !ReadNumber(text, pos, 2, day)) {
        return false;
    }
    if (pos < text.size()) {
        if (!Expect(text, pos, 'T') || !ReadNumber(text, pos, 2, hour) || !Expect(text, pos, ':') ||
            !ReadNumber(text, pos, 2, minute) || !Expect(text, pos, ':') ||
            !ReadNumber(text, pos, 2, second) || pos != text.size()) {
            return false;
        }
    }
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
        return false;
    const int64_t days = DaysFromCivil(year, month, day) - DaysFromCivil(1582, 10, 14);
    seconds = static_cast<double>(days) * 86400.0 + hour * 3600.0 + minute * 60.0 + second;
    return true;
}

bool ParseDuration(const std::string& text, double& seconds) {
    size_t pos = 0;
    long days = 0, hours = 0, minutes = 0, secs = 0;
    if (!Expect(text, pos, 'P') || !ReadNumber(text, pos, 9, days) || !Expect(text, pos, 'D') ||
        !Expect(text, pos, 'T') || !ReadNumber(text, pos, 9, hours) || !Expect(text, pos, 'H') ||
        !ReadNumber(text, pos, 9, minutes) || !Expect(text, pos, 'M') ||
        !ReadNumber(text, pos, 9, secs) || !Expect(text, pos, 'S') || pos != text.size()) {
        return false;
    }
    seconds = days * 86400.0 + hours * 3600.0 + minutes * 60.0 + static_cast<double>(secs);
    return true;
}

double UnixMilliseconds(double seconds) { return (seconds - kSecondsFrom1582To1970) * 1000.0; }

std::vector<std::pair<double, double>> CircleLayout(size_t n, double width, double height,
                                                    double radius) {
    std::vector<std::pair<double, double>> points;
    for (size_t i = 0; i < n; ++i) {
        const double angle = -kPi / 2 + 2 * kPi * static_cast<double>(i) / static_cast<double>(n);
        points.emplace_back(width / 2 + radius * std::cos(angle), height / 2 + radius * std::sin(angle));
    }
    return points;
}

}  // namespace render
}  // namespace npar
