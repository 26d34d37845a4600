#include "fiscalcode/fiscalcode.h"

#include "fiscalcode/plainletters.h"
#include "text/textfold.h"

#include <algorithm>
#include <array>

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
// takes three characters, the date part five.
constexpr std::size_t kPartBytes = 3;
constexpr std::size_t kDateSexBytes = 5;
constexpr std::size_t kCodeBytes = 16;

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

char* writeTwoDigits(char* out, int value)
{
    *out++ = static_cast<char>('0' + value / 10 % 10);
    *out++ = static_cast<char>('0' + value % 10);
    return out;
}

char* writeDateSex(char* out, const CalendarDate& birthDate, Sex sex)
{
    out = writeTwoDigits(out, birthDate.year() % 100);
    *out++ = kMonthLetters[static_cast<std::size_t>(birthDate.month() - 1)];
    const int day = birthDate.dayOfMonth();
    return writeTwoDigits(out, sex == Sex::Female ? day + kWomansDayOffset : day);
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

std::string DateSexCode(const CalendarDate& birthDate, Sex sex)
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

std::optional<Sex> readSex(std::string_view text)
{
    if (text == "M") {
        return Sex::Male;
    }
    if (text == "F") {
        return Sex::Female;
    }
    return std::nullopt;
}

std::optional<CadastralCode> CadastralCode::read(std::string_view text)
{
    const std::string code = text::capitals(text);
    if (!isCadastralCode(code)) {
        return std::nullopt;
    }
    return CadastralCode(std::array<char, 4>{code[0], code[1], code[2], code[3]});
}

std::string ComputeFiscalCode(const PersonalData& person)
{
    char code[kCodeBytes];
    char* end = writeSurname(code, person.surname);
    end = writeGivenName(end, person.givenName);
    end = writeDateSex(end, person.birthDate, person.sex);
    const std::string_view cadastralCode = person.cadastralCode.text();
    end = std::copy(cadastralCode.begin(), cadastralCode.end(), end);
    *end = CheckCharacter(std::string_view(code, static_cast<std::size_t>(end - code)));
    return std::string(code, kCodeBytes);
}

} // namespace fiscalcode
