// Reading numbers from text in the C locale, shared by the host's text
// functions and the XML wrapper.
#pragma once

#include <string_view>

namespace npar {

// Reads a leading number as strtod does in the C locale (leading blanks are
// skipped). False, and value unchanged, when the text starts with no number.
bool ParseLeadingDouble(std::string_view text, double& value);

}  // namespace npar
