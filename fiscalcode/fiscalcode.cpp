#include "fiscalcode.h"

#include <algorithm>
#include <array>
#include <memory>

namespace fiscalcode {
namespace {

// Length in bytes of the UTF-8 character that starts with `lead`; a byte that cannot start one
// counts as a character of its own.
std::size_t CharacterLength(std::string_view text, std::size_t pos)
{
    const auto lead = static_cast<unsigned char>(text[pos]);
    std::size_t length = 1;
    if (lead >= 0xF0 && lead < 0xF8) {
        length = 4;
    } else if (lead >= 0xE0) {
        length = lead < 0xF0 ? 3 : 1;
    } else if (lead >= 0xC0) {
        length = 2;
    }
    if (pos + length > text.size()) {
        return 1;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[pos + i]) & 0xC0) != 0x80) {
            return 1;
        }
    }
    return length;
}

// How a name treats a character: spaces and apostrophes are dropped, the five capitals A E I O U
// are vowels, every other character (lower-case and accented letters too) is a consonant.
enum class LetterKind : unsigned char { Consonant, Vowel, Dropped };

constexpr std::array<LetterKind, 256> MakeLetterKinds()
{
    std::array<LetterKind, 256> kinds{};
    for (char c : {'A', 'E', 'I', 'O', 'U'}) {
        kinds[static_cast<unsigned char>(c)] = LetterKind::Vowel;
    }
    kinds[' '] = LetterKind::Dropped;
    kinds['\''] = LetterKind::Dropped;
    return kinds;
}

constexpr std::array<LetterKind, 256> kLetterKinds = MakeLetterKinds();

// The characters of a name that the code uses: the first four consonants and the first three
// vowels, in order of appearance, and how many of each the name has.
struct NameLetters {
    std::array<std::string_view, 4> consonants;
    std::array<std::string_view, 3> vowels;
    std::size_t consonantCount = 0;
    std::size_t vowelCount = 0;
};

NameLetters ClassLetters(std::string_view name)
{
    NameLetters letters;
    for (std::size_t pos = 0; pos < name.size();) {
        const auto first = static_cast<unsigned char>(name[pos]);
        const std::size_t length = first < 0x80 ? 1 : CharacterLength(name, pos);
        const std::string_view character(name.data() + pos, length);
        pos += length;
        switch (kLetterKinds[first]) {
        case LetterKind::Dropped:
            break;
        case LetterKind::Vowel:
            if (letters.vowelCount < letters.vowels.size()) {
                letters.vowels[letters.vowelCount] = character;
            }
            ++letters.vowelCount;
            break;
        case LetterKind::Consonant:
            if (letters.consonantCount < letters.consonants.size()) {
                letters.consonants[letters.consonantCount] = character;
            }
            ++letters.consonantCount;
            break;
        }
    }
    return letters;
}

// The writers below put characters at `out` and return the position after them. A name part
// takes at most three characters of four bytes, the date part at most six bytes.
constexpr std::size_t kPartBytes = 12;
constexpr std::size_t kDateSexBytes = 6;

char* Write(char* out, std::string_view text)
{
    if (text.size() == 1) {
        *out = text[0];
        return out + 1;
    }
    return std::copy(text.begin(), text.end(), out);
}

// Three characters: the chosen consonants, then vowels, then "X" as long as needed.
char* WritePart(char* out, const NameLetters& letters, bool skipSecondConsonant)
{
    if (skipSecondConsonant) {
        for (std::size_t i : {0, 2, 3}) {
            out = Write(out, letters.consonants[i]);
        }
        return out;
    }
    std::size_t taken = 0;
    const std::size_t consonants = std::min<std::size_t>(letters.consonantCount, 3);
    for (std::size_t i = 0; i < consonants; ++i, ++taken) {
        out = Write(out, letters.consonants[i]);
    }
    const std::size_t vowels = std::min<std::size_t>(letters.vowelCount, 3);
    for (std::size_t i = 0; i < vowels && taken < 3; ++i, ++taken) {
        out = Write(out, letters.vowels[i]);
    }
    for (; taken < 3; ++taken) {
        *out++ = 'X';
    }
    return out;
}

char* WriteSurname(char* out, std::string_view surname)
{
    return WritePart(out, ClassLetters(surname), false);
}

char* WriteGivenName(char* out, std::string_view givenName)
{
    const NameLetters letters = ClassLetters(givenName);
    return WritePart(out, letters, letters.consonantCount >= 4);
}

std::string_view Characters(std::string_view text, std::size_t first, std::size_t count)
{
    return first < text.size() ? text.substr(first, count) : std::string_view();
}

char MonthLetter(std::string_view month)
{
    constexpr std::string_view kLetters = "ABCDEHLMPRST";
    if (month.size() != 2 || month[0] < '0' || month[0] > '1' || month[1] < '0' || month[1] > '9') {
        return 0;
    }
    const int number = (month[0] - '0') * 10 + (month[1] - '0');
    return number >= 1 && number <= 12 ? kLetters[number - 1] : 0;
}

// The numeric value of the leading digits (at most two) of `text`, 0 when there are none.
int LeadingNumber(std::string_view text)
{
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            break;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

char* WriteDateSex(char* out, std::string_view birthDate, std::string_view sex)
{
    out = Write(out, Characters(birthDate, 8, 2));
    if (const char letter = MonthLetter(Characters(birthDate, 3, 2))) {
        *out++ = letter;
    }
    const std::string_view day = Characters(birthDate, 0, 2);
    if (sex != "F") {
        return Write(out, day);
    }
    const int womansDay = LeadingNumber(day) + 40;
    if (womansDay >= 100) {
        *out++ = static_cast<char>('0' + womansDay / 100);
    }
    *out++ = static_cast<char>('0' + womansDay / 10 % 10);
    *out++ = static_cast<char>('0' + womansDay % 10);
    return out;
}

// Values of the characters at odd and at even positions for the check letter; only the capitals
// A-Z and the digits have one, every other character is worth 0.
struct PositionValues {
    std::array<unsigned char, 128> odd{};
    std::array<unsigned char, 128> even{};
};

constexpr PositionValues MakePositionValues()
{
    constexpr std::array<unsigned char, 26> kOddLetters = {1,  0,  5,  7,  9,  13, 15, 17, 19,
                                                           21, 2,  4,  18, 20, 11, 3,  6,  8,
                                                           12, 14, 16, 10, 22, 25, 24, 23};
    PositionValues values;
    for (int i = 0; i < 26; ++i) {
        values.odd['A' + i] = kOddLetters[i];
        values.even['A' + i] = static_cast<unsigned char>(i);
    }
    for (int i = 0; i < 10; ++i) {
        values.odd['0' + i] = kOddLetters[i];
        values.even['0' + i] = static_cast<unsigned char>(i);
    }
    return values;
}

constexpr PositionValues kPositionValues = MakePositionValues();

} // namespace

std::string SurnameLetters(std::string_view surname)
{
    char part[kPartBytes];
    return std::string(part, WriteSurname(part, surname));
}

std::string GivenNameLetters(std::string_view givenName)
{
    char part[kPartBytes];
    return std::string(part, WriteGivenName(part, givenName));
}

std::string DateSexCode(std::string_view birthDate, std::string_view sex)
{
    char part[kDateSexBytes];
    return std::string(part, WriteDateSex(part, birthDate, sex));
}

char CheckCharacter(std::string_view body)
{
    const std::array<unsigned char, 128>* tables[] = {&kPositionValues.odd, &kPositionValues.even};
    int sum = 0;
    std::size_t pos = 0;
    for (int position = 0; position < 15 && pos < body.size(); ++position) {
        const auto c = static_cast<unsigned char>(body[pos]);
        if (c < 0x80) {
            sum += (*tables[position & 1])[c];
            ++pos;
        } else {
            pos += CharacterLength(body, pos);
        }
    }
    return static_cast<char>('A' + sum % 26);
}

std::string ComputeFiscalCode(const PersonalData& person)
{
    const std::size_t capacity = 2 * kPartBytes + kDateSexBytes + person.CadastralCode.size() + 1;
    char small[64];
    std::unique_ptr<char[]> large;
    char* const body =
        capacity <= sizeof small ? small : (large = std::make_unique<char[]>(capacity)).get();
    char* end = WriteSurname(body, person.Surname);
    end = WriteGivenName(end, person.GivenName);
    end = WriteDateSex(end, person.BirthDate, person.Sex);
    end = Write(end, person.CadastralCode);
    *end = CheckCharacter(std::string_view(body, static_cast<std::size_t>(end - body)));
    return std::string(body, end + 1);
}

} // namespace fiscalcode
