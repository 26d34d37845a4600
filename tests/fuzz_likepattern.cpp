// Fuzz target for the search patterns of `like`. Any pattern, well formed or not, matches any text
// without fault. A text without pattern characters matches itself, its small letters also as
// capitals; a pattern that matches still matches with "*" on either side. The first byte gives
// the length of the pattern, the rest is the text.
#include "text/likepattern.h"
#include "text/textfold.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

bool matches(const std::string& pattern, std::string_view text)
{
    return text::LikePattern(pattern).matches(text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string pattern(rest.substr(0, data[0]));
    const std::string text(rest.substr(pattern.size()));

    if (matches(pattern, text)) {
        check(matches("*" + pattern + "*", text));
    }
    if (text.find_first_of(text::kWildcards) == std::string::npos) {
        check(matches(text, text));
        check(matches(text, text::capitals(text)));
    }
    return 0;
}
