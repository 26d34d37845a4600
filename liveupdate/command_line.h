#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace corvanlu {

// The arguments of a command line, split the way Windows programs split theirs: blanks and tabs
// separate arguments except inside double quotes; 2n backslashes before a double quote give n
// backslashes and the quote opens or closes a quoted part, 2n+1 give n backslashes and a literal
// quote; two double quotes inside a quoted part give one literal quote; other backslashes are
// kept as they are.
std::vector<std::string> splitCommandLine(std::string_view commandLine);

} // namespace corvanlu
