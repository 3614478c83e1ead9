// Descriptive values.
#include "stats/Descriptives.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>
#include <numeric>
#include <string_view>
#include <system_error>

#include "stats/Calendar.h"

namespace npar::engine::stats {

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
}  // namespace

double Mean(const std::vector<double>& values) {
    if (values.empty()) return std::numeric_limits<double>::quiet_NaN();
    // Two passes: the mean, then the mean of the residuals, which corrects
    // the rounding of the first sum.
    double sum = 0;
    for (double v : values) sum += v;
    const double mean = sum / static_cast<double>(values.size());
    double residual = 0;
    for (double v : values) residual += v - mean;
    return mean + residual / static_cast<double>(values.size());
}

double StandardDeviation(const std::vector<double>& values) {
    if (values.size() < 2) return std::numeric_limits<double>::quiet_NaN();
    const double mean = Mean(values);
    double squares = 0;
    for (double v : values) squares += (v - mean) * (v - mean);
    return std::sqrt(squares / static_cast<double>(values.size() - 1));
}

double RoundToDecimals(double value, int decimals) {
    if (decimals <= 0 || decimals > 12) return value;
    const double scale = std::pow(10.0, decimals);
    if (!(std::fabs(value) * scale < 0x1p52)) return value;
    return std::round(value * scale) / scale;
}

int WrittenDecimals(double value) {
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    if (error != std::errc()) return 0;
    std::string_view written(text, static_cast<size_t>(end - text));
    int exponent = 0;
    if (const size_t e = written.find('e'); e != std::string_view::npos) {
        std::from_chars(written.data() + e + 1 + (written[e + 1] == '+'),
                        written.data() + written.size(), exponent);
        written = written.substr(0, e);
    }
    const size_t point = written.find('.');
    const int fraction =
        point == std::string_view::npos ? 0 : static_cast<int>(written.size() - point - 1);
    return std::max(0, fraction - exponent);
}

double MedianOfSorted(const std::vector<double>& sorted) {
    const size_t n = sorted.size();
    if (n == 0) return std::numeric_limits<double>::quiet_NaN();
    return n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2.0;
}

void Select(std::vector<double>& values, size_t begin, size_t end, size_t k) {
    // Floyd-Rivest: sample a small window around the expected place of the
    // k-th value, select in it recursively, then partition the whole range
    // about the two window values that almost surely bracket the k-th.
    auto left = static_cast<std::ptrdiff_t>(begin);
    auto right = static_cast<std::ptrdiff_t>(end) - 1;
    const auto target = static_cast<std::ptrdiff_t>(k);
    double* v = values.data();
    while (right > left) {
        if (right - left > 600) {
            const double n = static_cast<double>(right - left + 1);
            const double i = static_cast<double>(target - left + 1);
            const double z = std::log(n);
            const double s = 0.5 * std::exp(2 * z / 3);
            const double sd = 0.5 * std::sqrt(z * s * (n - s) / n) * (i - n / 2 < 0 ? -1 : 1);
            const auto newLeft = std::max(
                left, static_cast<std::ptrdiff_t>(static_cast<double>(target) - i * s / n + sd));
            const auto newRight = std::min(
                right, static_cast<std::ptrdiff_t>(static_cast<double>(target) + (n - i) * s / n + sd));
            Select(values, static_cast<size_t>(newLeft), static_cast<size_t>(newRight) + 1,
                   static_cast<size_t>(target));
        }
        const double pivot = v[target];
        std::ptrdiff_t i = left, j = right;
        std::swap(v[left], v[target]);
        if (v[right] > pivot) std::swap(v[right], v[left]);
        while (i < j) {
            std::swap(v[i], v[j]);
            ++i, --j;
            while (v[i] < pivot) ++i;
            while (v[j] > pivot) --j;
        }
        if (v[left] == pivot) {
            std::swap(v[left], v[j]);
        } else {
            ++j;
            std::swap(v[j], v[right]);
        }
        if (j <= target) left = j + 1;
        if (target <= j) right = j - 1;
    }
}

double Median(const std::vector<double>& values) { return MedianOfParts({&values}); }

double MedianOfParts(const std::vector<const std::vector<double>*>& parts) {
    size_t n = 0;
    for (const std::vector<double>* part : parts) n += part->size();
    if (n == 0) return kNaN;
    if (n % 2) return OrderStatistics(parts, {n / 2}).front();
    const std::vector<double> middle = OrderStatistics(parts, {n / 2 - 1, n / 2});
    return (middle[0] + middle[1]) / 2.0;
}

namespace {

// Puts the order statistics at the sorted positions [first, last) of
// values[begin, end) in place: the middle one first, then each half's own,
// so that the work is about n log(positions) rather than n per position.
void SelectPositions(std::vector<double>& values, size_t begin, size_t end, const size_t* first,
                     const size_t* last) {
    if (first >= last) return;
    const size_t* middle = first + (last - first) / 2;
    const size_t at = *middle;
    Select(values, begin, end, at);
    // A wanted position right next to the one just placed is the largest of
    // the part below it (or the smallest above): a scan, not a selection.
    const size_t* leftLast = middle;
    size_t leftEnd = at;
    if (leftLast > first && *(leftLast - 1) + 1 == at && at > begin) {
        const auto largest = std::max_element(values.begin() + static_cast<std::ptrdiff_t>(begin),
                                              values.begin() + static_cast<std::ptrdiff_t>(at));
        std::iter_swap(largest, values.begin() + static_cast<std::ptrdiff_t>(at - 1));
        --leftLast;
        leftEnd = at - 1;
    }
    const size_t* rightFirst = middle + 1;
    size_t rightBegin = at + 1;
    if (rightFirst < last && *rightFirst == at + 1 && at + 1 < end) {
        const auto smallest = std::min_element(values.begin() + static_cast<std::ptrdiff_t>(at + 1),
                                               values.begin() + static_cast<std::ptrdiff_t>(end));
        std::iter_swap(smallest, values.begin() + static_cast<std::ptrdiff_t>(at + 1));
        ++rightFirst;
        rightBegin = at + 2;
    }
    SelectPositions(values, begin, leftEnd, first, leftLast);
    SelectPositions(values, rightBegin, end, rightFirst, last);
}

}  // namespace

namespace {

// The ranks' values by copying the parts and selecting in the copy: for
// ranges a histogram cannot split (infinite values) and small samples.
std::vector<double> SelectInCopy(const std::vector<const std::vector<double>*>& parts,
                                 const std::vector<size_t>& ranks) {
    std::vector<double> all;
    for (const std::vector<double>* part : parts) all.insert(all.end(), part->begin(), part->end());
    std::vector<size_t> distinct = ranks;
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    SelectPositions(all, 0, all.size(), distinct.data(), distinct.data() + distinct.size());
    std::vector<double> values;
    for (size_t rank : ranks) values.push_back(all[rank]);
    return values;
}

}  // namespace

std::vector<double> OrderStatistics(const std::vector<const std::vector<double>*>& parts,
                                    const std::vector<size_t>& ranks) {
    size_t n = 0;
    double lowest = std::numeric_limits<double>::infinity();
    double highest = -lowest;
    for (const std::vector<double>* part : parts) {
        n += part->size();
        for (double v : *part) {
            lowest = std::min(lowest, v);
            highest = std::max(highest, v);
        }
    }
    if (ranks.empty()) return {};
    constexpr size_t kSmall = 256;
    const double range = highest - lowest;
    if (n <= kSmall || !std::isfinite(range)) return SelectInCopy(parts, ranks);
    if (range == 0) return std::vector<double>(ranks.size(), lowest);

    // Buckets of equal width over [lowest, highest]; a value's bucket never
    // decreases as the value grows, so each rank falls in the bucket where
    // the running count passes it.
    const size_t buckets = std::min<size_t>(size_t{1} << 16, n / 4);
    const double scale = static_cast<double>(buckets) / range;
    const auto bucketOf = [&](double v) {
        return std::min(static_cast<size_t>((v - lowest) * scale), buckets - 1);
    };
    std::vector<uint32_t> counts(buckets, 0);
    for (const std::vector<double>* part : parts)
        for (double v : *part) ++counts[bucketOf(v)];
    std::vector<size_t> bucketOfRank(ranks.size()), rankInBucket(ranks.size());
    std::vector<int32_t> slotOfBucket(buckets, -1);
    size_t slots = 0;
    size_t below = 0, bucket = 0;
    for (size_t r = 0; r < ranks.size(); ++r) {
        while (below + counts[bucket] <= ranks[r]) below += counts[bucket++];
        bucketOfRank[r] = bucket;
        rankInBucket[r] = ranks[r] - below;
        if (slotOfBucket[bucket] < 0) slotOfBucket[bucket] = static_cast<int32_t>(slots++);
    }
    // The values of the buckets that hold a rank, then a selection in each.
    std::vector<std::vector<double>> chosen(slots);
    for (size_t b = 0; b < buckets; ++b)
        if (slotOfBucket[b] >= 0) chosen[static_cast<size_t>(slotOfBucket[b])].reserve(counts[b]);
    for (const std::vector<double>* part : parts)
        for (double v : *part) {
            const int32_t slot = slotOfBucket[bucketOf(v)];
            if (slot >= 0) chosen[static_cast<size_t>(slot)].push_back(v);
        }
    std::vector<double> values;
    for (size_t r = 0; r < ranks.size(); ++r) {
        std::vector<double>& inBucket = chosen[static_cast<size_t>(slotOfBucket[bucketOfRank[r]])];
        Select(inBucket, 0, inBucket.size(), rankInBucket[r]);
        values.push_back(inBucket[rankInBucket[r]]);
    }
    return values;
}

Hinges TukeyHinges(const std::vector<double>& values) {
    Hinges hinges;
    const size_t n = values.size();
    if (n == 0) return {kNaN, kNaN, kNaN};
    // The few order statistics they need are selected, not sorted for.
    const double depth = std::floor((static_cast<double>(n) + 3.0) / 2.0) / 2.0;
    const auto low = static_cast<size_t>(std::floor(depth)) - 1;
    const auto high = static_cast<size_t>(std::ceil(depth)) - 1;
    std::vector<size_t> positions = {low, high, n - 1 - low, n - 1 - high, (n - 1) / 2, n / 2};
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    const std::vector<double> selected = OrderStatistics({&values}, positions);
    const auto at = [&](size_t rank) {
        return selected[static_cast<size_t>(std::lower_bound(positions.begin(), positions.end(), rank) -
                                            positions.begin())];
    };
    hinges.lower = (at(low) + at(high)) / 2.0;
    hinges.upper = (at(n - 1 - low) + at(n - 1 - high)) / 2.0;
    hinges.median = n % 2 ? at(n / 2) : (at(n / 2 - 1) + at(n / 2)) / 2.0;
    return hinges;
}

BoxValues Box(const std::vector<double>& values, const std::vector<double>& cases) {
    return Box(values, TukeyHinges(values), [&](size_t i) { return cases[i]; });
}

BoxValues Box(const std::vector<double>& values, const Hinges& hinges,
              const std::function<double(size_t)>& caseOf) {
    BoxValues box;
    const size_t n = values.size();
    if (n == 0) return box;
    box.lowerHinge = hinges.lower;
    box.median = hinges.median;
    box.upperHinge = hinges.upper;
    const double spread = box.upperHinge - box.lowerHinge;
    const double lowFence = box.lowerHinge - 1.5 * spread;
    const double highFence = box.upperHinge + 1.5 * spread;
    box.lowerWhisker = std::numeric_limits<double>::infinity();
    box.upperWhisker = -std::numeric_limits<double>::infinity();
    std::vector<size_t> outside;
    for (size_t i = 0; i < n; ++i) {
        const double v = values[i];
        if (v < lowFence || v > highFence) {
            outside.push_back(i);
        } else {
            box.lowerWhisker = std::min(box.lowerWhisker, v);
            box.upperWhisker = std::max(box.upperWhisker, v);
        }
    }
    // The outliers in ascending order, equal values in the order of the cases.
    std::stable_sort(outside.begin(), outside.end(),
                     [&](size_t a, size_t b) { return values[a] < values[b]; });
    for (size_t i : outside) {
        box.outliers.push_back(values[i]);
        box.outlierCases.push_back(caseOf(i));
    }
    return box;
}

namespace {

// The smallest width of the form 1, 2, 2.5 or 5 times a power of ten that is
// at least raw.
double NiceWidth(double raw) {
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double step : {1.0, 2.0, 2.5, 5.0, 10.0}) {
        if (step * power >= raw * (1 - 1e-12)) return step * power;
    }
    return 10.0 * power;
}

// The distance between the quartiles, each the linearly interpolated order
// statistic at 1 + (n - 1) p (R's default quantile, type 7).
double InterquartileRange(const std::vector<double>& values) {
    std::vector<double> copy = values;
    const auto quantile = [&](double p) {
        const double h = (static_cast<double>(copy.size()) - 1) * p;
        const auto low = static_cast<size_t>(std::floor(h));
        Select(copy, 0, copy.size(), low);
        const double below = copy[low];
        if (low + 1 >= copy.size()) return below;
        const double above =
            *std::min_element(copy.begin() + static_cast<std::ptrdiff_t>(low) + 1, copy.end());
        return below + (h - static_cast<double>(low)) * (above - below);
    };
    const double first = quantile(0.25);
    return quantile(0.75) - first;
}

// Two bins, each half the range: for values whose range overflows the doubles
// (near both ends of them) or whose bins' width underflows.
BinLayout HalvesOf(double minimum, double maximum) {
    BinLayout layout;
    layout.width = maximum / 2 - minimum / 2;
    layout.origin = minimum;
    layout.count = 2;
    return layout;
}

constexpr double kShortestCalendarRange = 92;  // days: three months

// Months since the start of year 0, as a month index.
long long MonthIndex(const CivilDate& date) { return date.year * 12 + (date.month - 1); }

double FirstDayOfMonthIndex(long long index) {
    const long long year = index >= 0 ? index / 12 : -((-index + 11) / 12);
    return DaysFromCivil(year, static_cast<int>(index - year * 12) + 1, 1);
}

// Months per bin for dates from `first` to `last`.
long long MonthsPerBin(const CivilDate& first, const CivilDate& last) {
    const long long months = MonthIndex(last) - MonthIndex(first) + 1;
    if (months <= 36) return 1;
    if (months <= 120) return 3;
    const long long years = last.year - first.year + 1;
    for (long long run = 1;; run *= 10) {
        for (long long step : {1, 2, 5}) {
            if (years <= 50 * step * run) return 12 * step * run;
        }
    }
}

Histogram CountInEdges(const std::vector<double>& edges, const std::vector<double>& values) {
    Histogram histogram;
    const size_t count = edges.size() - 1;
    histogram.counts.assign(count, 0.0);
    for (double v : values) {
        // The count of inner edges at or below v: values beyond the edges
        // fall in the first or last bin, NaN in the first.
        const auto inner = std::upper_bound(edges.begin() + 1, edges.end() - 1, v);
        histogram.counts[std::isnan(v) ? 0 : static_cast<size_t>(inner - (edges.begin() + 1))] += 1;
    }
    for (size_t i = 0; i < count; ++i) histogram.middles.push_back(edges[i] / 2 + edges[i + 1] / 2);
    return histogram;
}

// Freedman and Diaconis (1981): bins 2 IQR / n^(1/3) wide, between 5 and 50
// of them; Sturges' number where the quartiles coincide.
double EqualBinCount(const std::vector<double>& values, double minimum, double maximum) {
    const double n = static_cast<double>(values.size());
    const double iqr = InterquartileRange(values);
    const double bins =
        iqr > 0 ? (maximum - minimum) / (2 * iqr / std::cbrt(n)) : std::ceil(std::log2(n) + 1.0);
    return std::clamp(std::ceil(bins), 5.0, 50.0);
}

}  // namespace

BinLayout LayOutBins(const std::vector<double>& values) {
    BinLayout layout;
    if (values.empty()) return layout;
    const auto [minIt, maxIt] = std::minmax_element(values.begin(), values.end());
    const double minimum = *minIt;
    const double maximum = *maxIt;
    const bool whole =
        std::all_of(values.begin(), values.end(), [](double v) { return v == std::floor(v); });
    if ((whole && maximum - minimum <= 40) || maximum == minimum) {
        layout.width = 1;
        layout.origin = minimum - 0.5;
    } else if (!std::isfinite(maximum - minimum)) {
        return HalvesOf(minimum, maximum);
    } else {
        layout.width = NiceWidth((maximum - minimum) / EqualBinCount(values, minimum, maximum));
        layout.origin = std::floor(minimum / layout.width) * layout.width;
        if (whole && layout.width < 1) layout.width = 1;
        // A range so small that its bins' width underflows.
        if (!(layout.width > 0) || !std::isfinite(layout.origin)) return HalvesOf(minimum, maximum);
    }
    layout.count =
        static_cast<size_t>(std::max(0.0, std::floor((maximum - layout.origin) / layout.width))) + 1;
    return layout;
}

BinLayout LayOutDateBins(const std::vector<double>& days) {
    if (days.empty()) return {};
    const auto [minIt, maxIt] = std::minmax_element(days.begin(), days.end());
    const double minimum = *minIt, maximum = *maxIt;
    // Years past 4 digits (no date the reader takes) keep equal bins.
    if (!(maximum - minimum > kShortestCalendarRange) || std::fabs(minimum) > 4e6 ||
        std::fabs(maximum) > 4e6)
        return LayOutBins(days);
    const CivilDate first = CivilFromDays(minimum);
    const long long step = MonthsPerBin(first, CivilFromDays(maximum));
    long long index = MonthIndex(first);
    index -= ((index % step) + step) % step;  // a multiple of the step
    BinLayout layout;
    for (;; index += step) {
        layout.edges.push_back(FirstDayOfMonthIndex(index));
        if (layout.edges.back() > maximum) break;
    }
    layout.count = layout.edges.size() - 1;
    return layout;
}

BinLayout LayOutDateTimeBins(const std::vector<double>& seconds) {
    constexpr double kDay = 86400;
    if (seconds.empty()) return {};
    const auto [minIt, maxIt] = std::minmax_element(seconds.begin(), seconds.end());
    const double minimum = *minIt, maximum = *maxIt;
    if (maximum - minimum > kShortestCalendarRange * kDay) {
        std::vector<double> days;
        days.reserve(seconds.size());
        for (double value : seconds) days.push_back(value / kDay);
        BinLayout layout = LayOutDateBins(days);
        for (double& edge : layout.edges) edge *= kDay;
        layout.origin *= kDay;
        layout.width *= kDay;
        return layout;
    }
    BinLayout layout = LayOutBins(seconds);
    if (!(maximum > minimum) || !layout.edges.empty() || !(layout.width > 0)) return layout;
    const double raw = (maximum - minimum) / EqualBinCount(seconds, minimum, maximum);
    static constexpr double kClockWidths[] = {1,     2,     5,      10,     15,     30,     60,    120,
                                              300,   600,   900,    1800,   3600,   7200,   10800, 21600,
                                              43200, 86400, 172800, 432000, 864000, 1728000};
    double width = kClockWidths[std::size(kClockWidths) - 1];
    for (double clock : kClockWidths) {
        if (clock >= raw * (1 - 1e-12)) {
            width = clock;
            break;
        }
    }
    layout.width = width;
    layout.origin = std::floor(minimum / width) * width;
    layout.count = static_cast<size_t>(std::floor((maximum - layout.origin) / width)) + 1;
    return layout;
}

Histogram CountInBins(const BinLayout& layout, const std::vector<double>& values) {
    Histogram histogram;
    if (layout.count == 0) return histogram;
    if (!layout.edges.empty()) return CountInEdges(layout.edges, values);
    const auto binOf = [&](double v) {
        const double bin = std::floor((v - layout.origin) / layout.width);
        if (std::isnan(bin)) return size_t{0};
        return static_cast<size_t>(std::clamp(bin, 0.0, static_cast<double>(layout.count - 1)));
    };
    histogram.counts.assign(layout.count, 0.0);
    for (double v : values) histogram.counts[binOf(v)] += 1;
    histogram.middles.resize(layout.count);
    for (size_t i = 0; i < layout.count; ++i) {
        const double bins = static_cast<double>(i);
        histogram.middles[i] = layout.origin + (bins + 0.5) * layout.width;
        // Bins half as wide as the doubles' range: the offset of the second
        // middle overflows, though the middle itself does not.
        if (!std::isfinite(histogram.middles[i]))
            histogram.middles[i] = layout.origin + bins * layout.width + layout.width / 2;
    }
    return histogram;
}

Histogram Bins(const std::vector<double>& values) { return CountInBins(LayOutBins(values), values); }

}  // namespace npar::engine::stats
