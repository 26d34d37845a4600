#include "fiscalcode/plainletters.h"

#include "data/textfold.h"

#include <algorithm>
#include <array>

namespace fiscalcode {
namespace {

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

} // namespace

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

std::string plainLetters(std::string_view name)
{
    std::string letters;
    letters.reserve(name.size());
    for (std::size_t pos = 0; pos < name.size();) {
        const PlainForm form = plainFormOf(refdata::nextCharacter(name, pos));
        if (form.kind == PlainForm::Kind::Letters) {
            letters += form.letters;
        }
    }
    return letters;
}

std::string firstRefusedCharacter(std::string_view name)
{
    for (std::size_t pos = 0; pos < name.size();) {
        const auto byte = static_cast<unsigned char>(name[pos]);
        if (byte < 0x80) { // plain ASCII: only the digits are refused
            ++pos;
            if (byte >= '0' && byte <= '9') {
                return std::string(1, static_cast<char>(byte));
            }
            continue;
        }
        const char32_t c = refdata::nextCharacter(name, pos);
        if (plainFormOf(c).kind == PlainForm::Kind::Refused) {
            std::string text;
            refdata::appendUtf8(text, c > kLastCharacter ? char32_t{0xFFFD} : c);
            return text;
        }
    }
    return {};
}

} // namespace fiscalcode
