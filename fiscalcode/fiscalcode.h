#pragma once

#include "fiscalcode/dates.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

// The Italian fiscal code: three letters of the surname, three of the given name, year, month
// letter and day of birth (plus 40 for women), the cadastral code of the place of birth and a
// check letter. Texts are UTF-8; a character is a Unicode character, never a byte. Names are read
// in the official alphabet (see plainletters.h): their letters as plain capitals A-Z, whatever is
// not a letter left out.
namespace fiscalcode {

enum class Sex { Male, Female };

// The letter that stands for a sex in a code's readers and writers: M or F.
constexpr char letterOf(Sex sex)
{
    return sex == Sex::Female ? 'F' : 'M';
}

// The sex written as "M" or "F"; none for any other text.
[[nodiscard]] std::optional<Sex> readSex(std::string_view text);

// Whether `code` has the shape of a cadastral code: a capital letter and three digits (H501).
constexpr bool isCadastralCode(std::string_view code)
{
    const auto digit = [](char c) {
        return c >= '0' && c <= '9';
    };
    return code.size() == 4 && code[0] >= 'A' && code[0] <= 'Z' && digit(code[1]) &&
           digit(code[2]) && digit(code[3]);
}

// The cadastral code of a place of birth: a capital letter and three digits. Nothing else can be
// one, so that a code computed with it always has sixteen characters.
class CadastralCode {
public:
    // A code written in the program's source, its shape checked as it is compiled: "H501".
    consteval CadastralCode(const char (&text)[5]) : letters_{text[0], text[1], text[2], text[3]}
    {
        if (!isCadastralCode(this->text())) {
            throw "not a cadastral code"; // evaluated while compiling: no such code compiles
        }
    }

    // The code written in `text`, small letters read as capitals ("h501"); none for a text of
    // any other shape.
    [[nodiscard]] static std::optional<CadastralCode> read(std::string_view text);

    constexpr std::string_view text() const { return {letters_.data(), letters_.size()}; }

private:
    explicit CadastralCode(std::array<char, 4> letters) : letters_(letters) {}

    std::array<char, 4> letters_;
};

struct PersonalData {
    std::string surname;   // as entered; accents, small letters, spaces, apostrophes allowed
    std::string givenName; // same form
    CalendarDate birthDate;
    Sex sex = Sex::Male;
    CadastralCode cadastralCode;
};

// The whole code, sixteen characters: the body (surname and given-name parts, date and sex,
// cadastral code) followed by its check letter.
std::string ComputeFiscalCode(const PersonalData& person);

// The three letters of a surname: consonants first, then vowels, then "X" as filler. A surname
// without letters gives "XXX".
std::string SurnameLetters(std::string_view surname);

// As SurnameLetters, except that a name with four or more consonants gives the first, third and
// fourth of them.
std::string GivenNameLetters(std::string_view givenName);

// The letters of the months, January first, and what is added to a woman's day of birth.
inline constexpr std::string_view kMonthLetters = "ABCDEHLMPRST";
inline constexpr int kWomansDayOffset = 40;

// Year (two digits), month letter and day of birth; women's day plus 40.
std::string DateSexCode(const CalendarDate& birthDate, Sex sex);

// The check letter of the first fifteen characters of `body`.
char CheckCharacter(std::string_view body);

} // namespace fiscalcode
