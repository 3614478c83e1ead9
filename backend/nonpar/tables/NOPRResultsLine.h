// The results line of a test: its statistics as one sentence in APA style,
// ready to paste into a paper ("Kruskal-Wallis H(3) = 20.75, p < .001,
// ε² = .17, N = 120"). Test statistics have two decimals (counts and rank
// sums none), p three ("p < .001" below that), and values that cannot exceed
// 1 in size (p, correlations, proportions, most effect sizes) no leading zero.
// The significance is the one the Hypothesis Test Summary shows, named where
// it is not the plain asymptotic one (exact, one-sided, a correction, a
// bound). A test that could not be computed has no line.
#pragma once

#include "NOPROutput.h"

// The line of a test as a "results" text under heading, right where the call
// stands in the output.
void MakeResultsLine(const NOPROutputContext& context, BpHeading& heading, const NOPRTest& test);
// The lines of the split's interval estimates, one per record, where the call
// stands (after the Confidence Interval Summary), each led by its parameter.
void MakeIntervalResultsLines(const NOPROutputContext& context);
