#include "text/likepattern.h"

#include "text/textfold.h"

namespace text {

LikePattern::LikePattern(std::string_view pattern)
{
    std::size_t pos = 0;
    while (pos < pattern.size()) {
        if (pattern[pos] == '[') {
            const std::size_t next = compileList(pattern, pos);
            if (next != pos) {
                pos = next;
                continue;
            }
        }
        const char32_t c = nextCharacter(pattern, pos);
        switch (c) {
        case '*':
            if (tokens_.empty() || tokens_.back().kind != Kind::AnyRun) {
                tokens_.push_back({Kind::AnyRun});
            }
            break;
        case '?':
        case '\'':
            tokens_.push_back({Kind::AnyCharacter});
            break;
        case '#':
            tokens_.push_back({Kind::Digit});
            break;
        default:
            tokens_.push_back({Kind::Literal, upperCase(c)});
        }
    }
}

// Compiles the bracketed list that starts at `pos`. Returns the position after its "]", or `pos`
// itself when the list is never closed and the "[" stands for itself.
std::size_t LikePattern::compileList(std::string_view pattern, std::size_t pos)
{
    // The pattern is read from left to right, so the "]" found for an earlier "[" still serves
    // while it lies ahead; a pattern of many "[" is compiled in linear time.
    if (nextClose_ != std::string_view::npos && nextClose_ <= pos) {
        nextClose_ = pattern.find(']', pos + 1);
    }
    const std::size_t close = nextClose_;
    if (close == std::string_view::npos) {
        return pos;
    }
    std::string_view list = pattern.substr(pos + 1, close - pos - 1);
    const bool negated = !list.empty() && list.front() == '!';
    if (negated) {
        list.remove_prefix(1);
    }
    if (list.empty()) {
        if (negated) {
            tokens_.push_back({Kind::AnyCharacter});
        }
        return close + 1; // "[]" takes no character
    }

    std::vector<char32_t> characters;
    for (std::size_t i = 0; i < list.size();) {
        characters.push_back(nextCharacter(list, i));
    }
    Token token{negated ? Kind::NotInSet : Kind::Set};
    token.rangesBegin = ranges_.size();
    for (std::size_t i = 0; i < characters.size(); ++i) {
        const bool isRange = i + 2 < characters.size() && characters[i + 1] == '-';
        if (isRange) {
            ranges_.push_back({upperCase(characters[i]), upperCase(characters[i + 2])});
            i += 2;
        } else {
            const char32_t c = upperCase(characters[i]);
            ranges_.push_back({c, c});
        }
    }
    token.rangesEnd = ranges_.size();
    tokens_.push_back(token);
    return close + 1;
}

bool LikePattern::matchesOne(const Token& token, char32_t c) const
{
    switch (token.kind) {
    case Kind::Literal:
        return upperCase(c) == token.character;
    case Kind::AnyCharacter:
        return true;
    case Kind::Digit:
        return c >= '0' && c <= '9';
    case Kind::Set:
    case Kind::NotInSet: {
        const char32_t upper = upperCase(c);
        bool inSet = false;
        for (std::size_t r = token.rangesBegin; r < token.rangesEnd && !inSet; ++r) {
            inSet = upper >= ranges_[r].first && upper <= ranges_[r].last;
        }
        return inSet == (token.kind == Kind::Set);
    }
    case Kind::AnyRun:
        break;
    }
    return false;
}

// Every token but "*" takes exactly one character, so a single backtracking point (the last "*"
// seen) is enough: on a mismatch the last "*" takes one more character and matching resumes.
bool LikePattern::matches(std::string_view text) const
{
    const std::size_t none = tokens_.size() + 1;
    std::size_t token = 0;
    std::size_t pos = 0;
    std::size_t afterStar = none;
    std::size_t starPos = 0;
    while (pos < text.size()) {
        if (token < tokens_.size() && tokens_[token].kind == Kind::AnyRun) {
            afterStar = ++token;
            starPos = pos;
            if (afterStar == tokens_.size()) {
                return true; // a "*" at the end takes the rest
            }
            continue;
        }
        std::size_t next = pos;
        const char32_t c = nextCharacter(text, next);
        if (token < tokens_.size() && matchesOne(tokens_[token], c)) {
            ++token;
            pos = next;
            continue;
        }
        if (afterStar == none) {
            return false;
        }
        nextCharacter(text, starPos);
        pos = starPos;
        token = afterStar;
    }
    while (token < tokens_.size() && tokens_[token].kind == Kind::AnyRun) {
        ++token;
    }
    return token == tokens_.size();
}

} // namespace text
