#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace text {

// A search pattern with the rules of the `like` operator of the reference database, the program's
// searches and the birthplace look-up:
//   ?  any one character          *  any run of characters, none included
//   '  any one character as well, so that a name matches whatever apostrophe it is written with
//      (SANT'ANGELO matches SANT’ANGELO)
//   #  one digit 0-9               [abc] [a-z] one character of the list, [!abc] one not in it
// Every other character matches itself; letter case is ignored, accented letters included.
// A pattern that is not well formed still has a meaning: a "[" without its "]" and a lone "]"
// match themselves, "[]" matches nothing at all (it takes no character) and "[!]" any one.
class LikePattern {
public:
    explicit LikePattern(std::string_view pattern);

    bool matches(std::string_view text) const;

private:
    enum class Kind { Literal, AnyCharacter, AnyRun, Digit, Set, NotInSet };
    struct Range {
        char32_t first;
        char32_t last;
    };
    struct Token {
        Kind kind;
        char32_t character = 0;      // Literal, in capitals
        std::size_t rangesBegin = 0; // Set and NotInSet: their ranges in ranges_
        std::size_t rangesEnd = 0;
    };

    std::size_t compileList(std::string_view pattern, std::size_t pos);
    bool matchesOne(const Token& token, char32_t c) const;

    std::vector<Token> tokens_;
    std::vector<Range> ranges_;
    std::size_t nextClose_ = 0; // while compiling: the next "]", npos when there is none
};

// The characters that make a text a pattern with wildcards: a text without any of them matches
// only itself, letter case aside.
inline constexpr std::string_view kWildcards = "*?'#[";

} // namespace text
