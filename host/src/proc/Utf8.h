// Reading UTF-8 one character at a time, shared by the output writers (which
// replace invalid bytes) and the chart service (which decodes to UTF-16).
#pragma once

#include <cstddef>
#include <string>

namespace npar {

// The length of the valid UTF-8 sequence starting at text[i], with its code
// point; 0 when the byte there starts none (a stray continuation byte, a cut
// sequence, an overlong form, a surrogate or a value beyond U+10FFFF).
size_t Utf8SequenceAt(const std::string& text, size_t i, char32_t& codePoint);

}  // namespace npar
