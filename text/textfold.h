#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Character-level helpers for reading and comparing names: texts are UTF-8, a character is a
// Unicode code point, and comparisons ignore case (and, for ordering, accents).
namespace text {

// Decodes the character that starts at byte `pos` of `text` and moves `pos` past it. A byte that
// does not start a valid UTF-8 sequence is one character on its own, distinct from every real one.
char32_t nextCharacter(std::string_view text, std::size_t& pos);

// Whether `c`, as nextCharacter gives it, is a real character rather than a byte that was not
// UTF-8.
inline bool isCharacter(char32_t c)
{
    return c <= 0x10FFFF;
}

// Whether `text` is UTF-8 throughout: every character decoded by nextCharacter is a real one.
bool isUtf8(std::string_view text);

// Appends `c` to `text` in UTF-8; a byte that was not valid UTF-8 (see nextCharacter) is
// appended as that byte again.
void appendUtf8(std::string& text, char32_t c);

// The text with the letters a-z as capitals, every other character as it is: what typing into the
// program's name fields gives.
std::string capitals(std::string_view text);

// `text` without the blanks around it: spaces, tabs, line ends, vertical tabs and form feeds.
inline std::string_view trimmed(std::string_view text)
{
    const auto blank = [](char c) {
        return c == ' ' || (c >= '\t' && c <= '\r');
    };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// `text` between double quotes, as messages name files and values: "AA1.mdb".
inline std::string quoted(std::string_view text)
{
    std::string result;
    result.reserve(text.size() + 2);
    result += '"';
    result += text;
    result += '"';
    return result;
}

// The character in capitals, accented letters included (à gives À).
char32_t upperCase(char32_t c);

// The capital letter without its accent (à and À give A); used for ordering names.
char32_t baseLetter(char32_t c);

// How a character enters a name written in the plain Latin alphabet A-Z, as the fiscal code reads
// a person's name and the birthplace look-up reads a place's name: a letter with accents or other
// marks counts as its plain capital (È gives E, Ç gives C), a few letters as two (ß gives SS, Æ
// gives AE); whatever is not a letter (spaces, apostrophes, hyphens, dots, combining marks) is left
// out; a digit, or a letter without a plain form (Greek, Cyrillic, ...), is refused.
struct PlainForm {
    enum class Kind { Letters, LeftOut, Refused };
    Kind kind;
    std::string_view letters; // one to three capitals A-Z, for Letters
};

// The plain form of `c`. A byte that is not valid UTF-8 (as decoded by nextCharacter) is refused.
PlainForm plainFormOf(char32_t c);

// Ordering of texts by their characters in capitals (upperCase): zero exactly when the two are
// the same text but for letter case, accented letters included ("città" and "CITTÀ", never
// "CITTA"). Returns a negative, zero or positive value like memcmp.
int compareIgnoringCase(std::string_view a, std::string_view b);

inline bool sameIgnoringCase(std::string_view a, std::string_view b)
{
    return compareIgnoringCase(a, b) == 0;
}

// Ordering of names: case and accents ignored, ties broken by the plain byte order so that the
// order is total and stable. Returns a negative, zero or positive value like memcmp.
int compareNames(std::string_view a, std::string_view b);

} // namespace text
