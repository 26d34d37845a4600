#include "text.h"

#include <algorithm>

namespace corvanlu {

namespace {

bool isBlankOrControl(char c)
{
    return static_cast<unsigned char>(c) <= 32;
}

} // namespace

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isBlankOrControl(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlankOrControl(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string asciiUpper(std::string_view text)
{
    std::string result(text);
    for (char& c : result) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return result;
}

std::string withoutDoubleQuotes(std::string_view text)
{
    std::string result(text);
    std::erase(result, '"');
    return result;
}

} // namespace corvanlu
