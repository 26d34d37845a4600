#include "text/textfold.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace text {
namespace {

#include "foldtables.inc"

struct PlainLetter {
    char32_t character;
    char letters[4];
};

struct CharacterRange {
    char32_t first;
    char32_t last;
};

#include "plainletters.inc"

constexpr std::string_view kCapitals = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";

constexpr std::array<PlainForm, 128> makeAsciiForms()
{
    std::array<PlainForm, 128> forms{};
    for (std::size_t c = 0; c < forms.size(); ++c) {
        forms[c] = {PlainForm::Kind::LeftOut, {}};
    }
    for (std::size_t i = 0; i < kCapitals.size(); ++i) {
        forms['A' + i] = {PlainForm::Kind::Letters, kCapitals.substr(i, 1)};
        forms['a' + i] = {PlainForm::Kind::Letters, kCapitals.substr(i, 1)};
    }
    for (char digit = '0'; digit <= '9'; ++digit) {
        forms[static_cast<std::size_t>(digit)] = {PlainForm::Kind::Refused, {}};
    }
    return forms;
}

constexpr std::array<PlainForm, 128> kAsciiForms = makeAsciiForms();

constexpr char32_t kLastCharacter = 0x10FFFF;

constexpr char32_t kInvalidByteBase = 0x110000; // outside Unicode: invalid bytes stay distinct

char32_t invalidByte(unsigned char byte)
{
    return kInvalidByteBase + byte;
}

bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

} // namespace

char32_t nextCharacter(std::string_view text, std::size_t& pos)
{
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    std::size_t length = 0;
    char32_t value = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        value = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        value = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        value = lead & 0x07;
    }
    if (length == 0 || pos + length > text.size()) {
        ++pos;
        return invalidByte(lead);
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[pos + i]);
        if (!isContinuation(byte)) {
            ++pos;
            return invalidByte(lead);
        }
        value = (value << 6) | (byte & 0x3F);
    }
    const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < smallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        ++pos;
        return invalidByte(lead);
    }
    pos += length;
    return value;
}

bool isUtf8(std::string_view text)
{
    for (std::size_t pos = 0; pos < text.size();) {
        if (!isCharacter(nextCharacter(text, pos))) {
            return false;
        }
    }
    return true;
}

void appendUtf8(std::string& text, char32_t c)
{
    if (c < 0x80) {
        text += static_cast<char>(c);
    } else if (c < 0x800) {
        text += static_cast<char>(0xC0 | (c >> 6));
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        text += static_cast<char>(0xE0 | (c >> 12));
        text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c <= 0x10FFFF) {
        text += static_cast<char>(0xF0 | (c >> 18));
        text += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        text += static_cast<char>(c - 0x110000); // a byte that is not UTF-8 stays as it was
    }
}

std::string capitals(std::string_view text)
{
    std::string result(text);
    for (char& c : result) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return result;
}

char32_t upperCase(char32_t c)
{
    if (c < std::size(kUpperTable)) {
        return kUpperTable[c];
    }
    if (c >= 0x3B1 && c <= 0x3C9) { // Greek small letters
        return c == 0x3C2 ? 0x3A3 : c - 0x20;
    }
    if (c >= 0x430 && c <= 0x44F) { // Cyrillic small letters
        return c - 0x20;
    }
    if (c >= 0x450 && c <= 0x45F) {
        return c - 0x50;
    }
    return c;
}

char32_t baseLetter(char32_t c)
{
    return c < std::size(kBaseTable) ? kBaseTable[c] : upperCase(c);
}

PlainForm plainFormOf(char32_t c)
{
    if (c < kAsciiForms.size()) {
        return kAsciiForms[c];
    }
    if (c > kLastCharacter) {
        return {PlainForm::Kind::Refused, {}};
    }
    const auto* letter = std::lower_bound(
        std::begin(kPlainLetters), std::end(kPlainLetters), c,
        [](const PlainLetter& entry, char32_t value) { return entry.character < value; });
    if (letter != std::end(kPlainLetters) && letter->character == c) {
        return {PlainForm::Kind::Letters, letter->letters};
    }
    const auto* range = std::upper_bound(
        std::begin(kRefused), std::end(kRefused), c,
        [](char32_t value, const CharacterRange& entry) { return value < entry.first; });
    if (range != std::begin(kRefused) && c <= std::prev(range)->last) {
        return {PlainForm::Kind::Refused, {}};
    }
    return {PlainForm::Kind::LeftOut, {}};
}

namespace {

// Compares the characters of `a` and `b` as `fold` gives them, in order; a text that begins the
// other comes first.
template <typename Fold> int compareFolded(std::string_view a, std::string_view b, Fold fold)
{
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const char32_t x = fold(nextCharacter(a, i));
        const char32_t y = fold(nextCharacter(b, j));
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    if (i < a.size() || j < b.size()) {
        return i < a.size() ? 1 : -1;
    }
    return 0;
}

} // namespace

int compareIgnoringCase(std::string_view a, std::string_view b)
{
    return compareFolded(a, b, upperCase);
}

int compareNames(std::string_view a, std::string_view b)
{
    if (const int folded = compareFolded(a, b, baseLetter); folded != 0) {
        return folded;
    }
    const int bytes = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
    if (bytes != 0) {
        return bytes;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

} // namespace text
