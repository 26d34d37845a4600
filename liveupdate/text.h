#pragma once

#include <string>
#include <string_view>

namespace corvanlu {

// Without the leading and trailing characters of code 32 or below (blanks and control characters).
std::string_view trimmed(std::string_view text);

// With the ASCII letters a-z turned into A-Z; every other byte is kept.
std::string asciiUpper(std::string_view text);

std::string withoutDoubleQuotes(std::string_view text);

} // namespace corvanlu
