// UTF-8 as every writer, the renderer and the chart service read it: one
// character at a time, invalid bytes replaced, columns counted.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace npar {

// The length of the valid UTF-8 sequence starting at text[i], with its code
// point; 0 when the byte there starts none (a stray continuation byte, a cut
// sequence, an overlong form, a surrogate or a value beyond U+10FFFF).
size_t Utf8SequenceAt(std::string_view text, size_t i, char32_t& codePoint);

// Whether text is valid UTF-8 throughout (SanitizeUtf8 would leave it as it is).
bool IsValidUtf8(const std::string& text);
// Replaces every byte sequence that is not valid UTF-8 by U+FFFD.
std::string SanitizeUtf8(const std::string& text);

// The columns a text takes in a fixed-width font, as the text writer lines
// up its tables: combining marks and zero-width characters take none ("p̂" is
// one column), wide East Asian characters two, every other character one (an
// invalid byte one, as the U+FFFD it is written as).
size_t DisplayWidth(std::string_view text);
// The byte length of the longest start of text that takes at most columns
// columns, the marks that combine with its last character included; at least
// one character with its marks when text is not empty, so that a text cut
// into parts always moves on.
size_t DisplayPrefix(std::string_view text, size_t columns);

}  // namespace npar
