// Conversions between the chart service's UTF-16 strings and UTF-8, and the
// cleaning of texts that go into chart XML.
#pragma once

#include <string>

namespace chart {

// UTF-8 to UTF-16; every byte that does not start a valid sequence becomes
// U+FFFD.
std::u16string DecodeUtf8(const std::string& text);

// UTF-16 to UTF-8. A lone surrogate becomes U+FFFD; with forXml set it is
// dropped instead, and so are the characters XML 1.0 forbids (controls other
// than tab, line feed and carriage return; U+FFFE and U+FFFF).
std::string EncodeUtf8(const std::u16string& text, bool forXml);

// UTF-8 text made fit for chart XML: invalid bytes become U+FFFD, forbidden
// characters are dropped.
std::string XmlText(const std::string& utf8);

}  // namespace chart
