// Descriptive values the result documents carry beside the tests: medians,
// means, box-plot values, histogram bins.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

namespace npar::engine::stats {

double Mean(const std::vector<double>& values);
// The sample standard deviation (n - 1 in the denominator); NaN below 2 values.
double StandardDeviation(const std::vector<double>& values);
// The median; NaN without values.
double Median(const std::vector<double>& values);
// The median of all the parts' values together.
double MedianOfParts(const std::vector<const std::vector<double>*>& parts);

// The values at the given 0-based ranks (ascending, each below the count) of
// all the parts' values together, as if they were pooled and sorted. The
// parts are read, never copied or reordered: a histogram over the values'
// range puts each rank in a narrow bucket, and only those buckets' values are
// selected among (about three reading passes however many ranks).
std::vector<double> OrderStatistics(const std::vector<const std::vector<double>*>& parts,
                                    const std::vector<size_t>& ranks);

// Puts the k-th smallest of values[begin, end) at position k, the smaller
// ones before it and the larger after, as std::nth_element does, by the
// selection of Floyd and Rivest (1975): about 1.5 n comparisons where
// introselect makes about 3.4 n.
void Select(std::vector<double>& values, size_t begin, size_t end, size_t k);
double MedianOfSorted(const std::vector<double>& sorted);

// value rounded to the given decimals, so that a number computed from data
// written with decimals (a difference, the mean of two middle values) is the
// double of its decimal and not one with representation noise; values too
// large to carry those decimals, and decimals outside 1..12, stay as they are.
double RoundToDecimals(double value, int decimals);

// The decimals of value's shortest decimal form, the one that reads back as
// value (70.25: 2; 5: 0; 1e-07: 7): the decimals a number given as an option
// was written with.
int WrittenDecimals(double value);

// A sample's median and Tukey's hinges (the medians of its lower and upper
// halves, the middle value counted in both when n is odd; R's fivenum), the
// quartiles the box plots draw.
struct Hinges {
    double lower = 0, median = 0, upper = 0;
};
Hinges TukeyHinges(const std::vector<double>& values);

// The box of a box plot as R's boxplot.stats draws it: Tukey's hinges
// (fivenum), whiskers at the most extreme values within 1.5 hinge spreads,
// and the values beyond them with their case numbers.
struct BoxValues {
    double lowerWhisker = 0, lowerHinge = 0, median = 0, upperHinge = 0, upperWhisker = 0;
    std::vector<double> outliers;
    std::vector<double> outlierCases;
};
// cases: one case number per value, in the order of values.
BoxValues Box(const std::vector<double>& values, const std::vector<double>& cases);
// The same with the sample's hinges already found; caseOf(i) gives the case
// number of values[i], asked only for the outliers.
BoxValues Box(const std::vector<double>& values, const Hinges& hinges,
              const std::function<double(size_t)>& caseOf);

// Bins of equal width over values: the bin middles and counts, empty inner
// bins kept. Whole numbers over a short range get one bin per number; other
// data bins of the Freedman-Diaconis width, rounded to 1, 2, 2.5 or 5 times a
// power of ten, between 5 and 50 of them.
struct Histogram {
    std::vector<double> middles;
    std::vector<double> counts;
};
Histogram Bins(const std::vector<double>& values);

// The bins Bins lays over values, to count other values in the same bins
// (the groups of a test drawn on common bins).
struct BinLayout {
    double origin = 0, width = 1;
    size_t count = 0;
    // Bins of unequal widths, when not empty: bin i runs from edges[i] up to
    // edges[i + 1] (count + 1 edges); origin and width are then unused.
    std::vector<double> edges;
};
BinLayout LayOutBins(const std::vector<double>& values);
// Bins over dates (days since 1970-01-01) that follow the calendar, so that
// each bar of a histogram is a month, a quarter, a year or a run of 2, 5, 10,
// 20, 50, ... years, each bin from the first day of its unit to the first
// of the next: months over at most 36 of them, quarters over at most 40,
// years over at most 50, else the shortest run that gives at most 50 bins,
// starting at a multiple of it. Dates over at most 92 days take LayOutBins'
// equal bins (one per day over at most 40 days).
BinLayout LayOutDateBins(const std::vector<double>& days);
// Bins over dates with times of day (seconds since 1970-01-01 00:00) that
// follow the clock: about as many as LayOutBins lays, each the narrowest of
// 1, 2, 5, 10, 15 or 30 seconds or minutes, 1, 2, 3, 6 or 12 hours, or 1, 2,
// 5, 10 or 20 days that is as wide as its Freedman-Diaconis bins, from a
// multiple of it since 1970-01-01 00:00 (a midnight, for widths that divide
// a day); over more than 92 days, LayOutDateBins' calendar bins.
BinLayout LayOutDateTimeBins(const std::vector<double>& seconds);
// Counts values in the layout's bins; values beyond its range fall in the
// first or last bin. A bin's middle is halfway between its edges.
Histogram CountInBins(const BinLayout& layout, const std::vector<double>& values);

}  // namespace npar::engine::stats
