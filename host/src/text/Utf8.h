// UTF-8 as every writer, the renderer and the chart service read it: one
// character at a time, invalid bytes replaced, characters counted.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace npar {

// The length of the valid UTF-8 sequence starting at text[i], with its code
// point; 0 when the byte there starts none (a stray continuation byte, a cut
// sequence, an overlong form, a surrogate or a value beyond U+10FFFF).
size_t Utf8SequenceAt(const std::string& text, size_t i, char32_t& codePoint);

// Whether text is valid UTF-8 throughout (SanitizeUtf8 would leave it as it is).
bool IsValidUtf8(const std::string& text);
// Replaces every byte sequence that is not valid UTF-8 by U+FFFD.
std::string SanitizeUtf8(const std::string& text);

// The characters of a text as writers count them for widths: its bytes that
// do not continue a sequence.
size_t CharacterCount(std::string_view text);
// The byte length of the first count characters of text (all of it when it
// has fewer).
size_t CharacterPrefix(const std::string& text, size_t count);

}  // namespace npar
