#pragma once

#include <string>
#include <string_view>

// The Italian fiscal code: three letters of the surname, three of the given name, year, month
// letter and day of birth (plus 40 for women), the cadastral code of the place of birth and a
// check letter. Texts are UTF-8; a character is a Unicode character, never a byte. Names are read
// in the official alphabet (see plainletters.h): their letters as plain capitals A-Z, whatever is
// not a letter left out.
namespace fiscalcode {

struct PersonalData {
    std::string Surname;       // as entered; accents, small letters, spaces, apostrophes allowed
    std::string GivenName;     // same form
    std::string BirthDate;     // dd/mm/yyyy
    std::string Sex;           // "M" or "F"
    std::string CadastralCode; // used as stored, whatever its length
};

// The whole code: the body (surname and given-name parts, date and sex, cadastral code) followed
// by its check letter.
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
std::string DateSexCode(std::string_view birthDate, std::string_view sex);

// The check letter of the first fifteen characters of `body`.
char CheckCharacter(std::string_view body);

} // namespace fiscalcode
