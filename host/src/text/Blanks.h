// Blanks in the texts the writers and the chart service write: those that
// hold a results line's statements together, which the text and HTML writers
// keep from breaking the line, and runs of blanks closed up.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace npar {

// For each byte of text, whether it is a blank that holds a statement
// together: a statistic stays with its value ("N = 120", "p < .001", with
// the signs =, <, >, ≤, ≥, ≠), and an interval with both its ends and its
// name ("95% CI [−.22, .19]": the blanks inside brackets, before an opening
// bracket and after a percent sign). A line break ends an open bracket.
std::vector<bool> HeldBlanks(std::string_view text);

// text on one line with its blanks closed up: every control character (a
// line break, a tab) counts as a blank, a run of blanks becomes one, and
// blanks at the ends are dropped ("  N  =\t120 " reads "N = 120").
std::string CloseUpBlanks(std::string_view text);

}  // namespace npar
