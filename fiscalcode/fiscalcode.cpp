#include "fiscalcode/fiscalcode.h"

#include "fiscalcode/plainletters.h"
#include "text/textfold.h"

#include <algorithm>
#include <array>
#include <memory>

namespace fiscalcode {
namespace {

// The letters of a name that the code uses, in plain capitals: the first four consonants and the
// first three vowels, in order of appearance, and how many of each the name has.
struct NameLetters {
    std::array<char, 4> consonants{};
    std::array<char, 3> vowels{};
    std::size_t consonantCount = 0;
    std::size_t vowelCount = 0;

    void add(char letter)
    {
        if (isVowel(letter)) {
            if (vowelCount < vowels.size()) {
                vowels[vowelCount] = letter;
            }
            ++vowelCount;
        } else {
            if (consonantCount < consonants.size()) {
                consonants[consonantCount] = letter;
            }
            ++consonantCount;
        }
    }

    static bool isVowel(char letter)
    {
        return letter == 'A' || letter == 'E' || letter == 'I' || letter == 'O' || letter == 'U';
    }
};

// Every letter is read as its plain capital (ß as SS); whatever is not a letter, or cannot enter
// a code, is left out. Plain ASCII, the usual case, needs no table.
NameLetters classLetters(std::string_view name)
{
    NameLetters letters;
    for (std::size_t pos = 0; pos < name.size();) {
        const auto byte = static_cast<unsigned char>(name[pos]);
        if (byte < 0x80) {
            ++pos;
            if (byte >= 'a' && byte <= 'z') {
                letters.add(static_cast<char>(byte - 'a' + 'A'));
            } else if (byte >= 'A' && byte <= 'Z') {
                letters.add(static_cast<char>(byte));
            }
            continue;
        }
        const PlainForm form = plainFormOf(text::nextCharacter(name, pos));
        if (form.kind == PlainForm::Kind::Letters) {
            for (char letter : form.letters) {
                letters.add(letter);
            }
        }
    }
    return letters;
}

// The writers below put characters at `out` and return the position after them. A name part
// takes three characters, the date part at most six bytes.
constexpr std::size_t kPartBytes = 3;
constexpr std::size_t kDateSexBytes = 6;

char* write(char* out, std::string_view text)
{
    return std::copy(text.begin(), text.end(), out);
}

// Three letters: the chosen consonants, then vowels, then "X" as long as needed.
char* writePart(char* out, const NameLetters& letters, bool skipSecondConsonant)
{
    if (skipSecondConsonant) {
        for (std::size_t i : {0, 2, 3}) {
            *out++ = letters.consonants[i];
        }
        return out;
    }
    std::size_t taken = 0;
    const std::size_t consonants = std::min<std::size_t>(letters.consonantCount, 3);
    for (std::size_t i = 0; i < consonants; ++i, ++taken) {
        *out++ = letters.consonants[i];
    }
    const std::size_t vowels = std::min<std::size_t>(letters.vowelCount, 3);
    for (std::size_t i = 0; i < vowels && taken < 3; ++i, ++taken) {
        *out++ = letters.vowels[i];
    }
    for (; taken < 3; ++taken) {
        *out++ = 'X';
    }
    return out;
}

char* writeSurname(char* out, std::string_view surname)
{
    return writePart(out, classLetters(surname), false);
}

char* writeGivenName(char* out, std::string_view givenName)
{
    const NameLetters letters = classLetters(givenName);
    return writePart(out, letters, letters.consonantCount >= 4);
}

std::string_view characters(std::string_view text, std::size_t first, std::size_t count)
{
    return first < text.size() ? text.substr(first, count) : std::string_view();
}

char monthLetter(std::string_view month)
{
    if (month.size() != 2 || month[0] < '0' || month[0] > '1' || month[1] < '0' || month[1] > '9') {
        return 0;
    }
    const int number = (month[0] - '0') * 10 + (month[1] - '0');
    return number >= 1 && number <= 12 ? kMonthLetters[static_cast<std::size_t>(number - 1)] : 0;
}

// The numeric value of the leading digits (at most two) of `text`, 0 when there are none.
int leadingNumber(std::string_view text)
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

char* writeDateSex(char* out, std::string_view birthDate, std::string_view sex)
{
    out = write(out, characters(birthDate, 8, 2));
    if (const char letter = monthLetter(characters(birthDate, 3, 2))) {
        *out++ = letter;
    }
    const std::string_view day = characters(birthDate, 0, 2);
    if (sex != "F") {
        return write(out, day);
    }
    const int womansDay = leadingNumber(day) + kWomansDayOffset;
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

constexpr PositionValues makePositionValues()
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

constexpr PositionValues kPositionValues = makePositionValues();

} // namespace

std::string SurnameLetters(std::string_view surname)
{
    char part[kPartBytes];
    return std::string(part, writeSurname(part, surname));
}

std::string GivenNameLetters(std::string_view givenName)
{
    char part[kPartBytes];
    return std::string(part, writeGivenName(part, givenName));
}

std::string DateSexCode(std::string_view birthDate, std::string_view sex)
{
    char part[kDateSexBytes];
    return std::string(part, writeDateSex(part, birthDate, sex));
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
            text::nextCharacter(body, pos);
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
    char* end = writeSurname(body, person.Surname);
    end = writeGivenName(end, person.GivenName);
    end = writeDateSex(end, person.BirthDate, person.Sex);
    end = write(end, person.CadastralCode);
    *end = CheckCharacter(std::string_view(body, static_cast<std::size_t>(end - body)));
    return std::string(body, end + 1);
}

} // namespace fiscalcode
