// The Content-Security-Policy source of an inline script: its SHA-256 digest
// in base64, so the report's policy can allow exactly the scripts it holds.
#pragma once

#include <string>

namespace npar {

// The SHA-256 digest of bytes, base64-encoded (44 characters).
std::string Sha256Base64(const std::string& bytes);

}  // namespace npar
