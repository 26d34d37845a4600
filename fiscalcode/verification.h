#pragma once

#include "data/birthplaces.h"
#include "fiscalcode/birthdate.h"
#include "fiscalcode/calculation.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

// Checking a fiscal code somebody hands in: whether it is well formed and its check letter right,
// which sex, birth date and birthplace it carries, its omocodia variants, and whether it belongs
// to a given person.
//
// Omocodia: when two persons would get the same code, the office writes digits of the second
// one's code as letters (0-9 as L M N P Q R S T U V), the rightmost digit place first, and
// computes the check letter anew. Such a code is as valid as any; its base code is the one with
// every digit back in its place.
namespace fiscalcode {

namespace texts {
inline constexpr const char* kValid = "valido";
inline constexpr const char* kNotValid = "non valido";
inline constexpr const char* kUnknownPlace =
    "sconosciuto (codice catastale non presente in archivio)";
} // namespace texts

// The places (from 0) of the seven digits of a code: year, day, the cadastral code's digits; in
// the order in which omocodia writes them as letters.
inline constexpr std::array<std::size_t, 7> kOmocodiaPlaces = {14, 13, 12, 10, 9, 7, 6};

// The letter written for a digit in an omocodia code; any other character is returned as it is.
char omocodiaLetter(char digit);

// The digit that a character in a digit place stands for: itself, or the digit of its omocodia
// letter; 0 when it stands for none.
char omocodiaDigit(char c);

// What a code carries. Only a valid code has its other fields filled.
struct VerifiedCode {
    std::string code;   // as read: blanks around left out, small letters as capitals
    std::string reason; // why the code is not valid, in Italian; empty when it is valid

    std::string baseCode;      // the code without omocodia letters, with its check letter
    char sex = 0;              // 'M' or 'F'
    refdata::Day birthDay = 0; // yyyymmdd
    std::string cadastralCode; // "H501"
    // The birthplace from the history of its cadastral code: the period in force on the birth
    // day, else the last one. Empty when the code is not in the history (placeKnown false).
    bool placeKnown = false;
    std::string placeName;
    std::string province; // "EE" for a foreign state

    bool valid() const { return reason.empty(); }
    bool isOmocodia() const { return valid() && baseCode != code; }
    // "dd/mm/yyyy".
    std::string birthDate() const;
    // "ROMA (RM)", or texts::kUnknownPlace.
    std::string birthplace() const;
};

// Reads `text` as a fiscal code, checking in this order: sixteen characters; letters in the
// letter places and, in the digit places, a digit or its omocodia letter; the month letter; the
// day (1 to 31 for men, 41 to 71 for women); the date; the check letter.
//
// The code holds the year without its century. The birth year is the latest one with those two
// digits that puts the date not after `today` and, when `places` knows the history of the
// cadastral code, inside a time the code was in force; when no century fits that history, the
// latest not after today. Years before 1800 are not considered.
VerifiedCode verifyFiscalCode(std::string_view text, const refdata::BirthplaceIndex& places,
                              refdata::Day today);
// The same into `verified`, whose strings are reused: for many codes one after the other.
void verifyFiscalCode(std::string_view text, const refdata::BirthplaceIndex& places,
                      refdata::Day today, VerifiedCode& verified);

// The base code of a code that has a digit or an omocodia letter in every digit place: every
// letter there back to its digit, the check letter computed anew.
std::string baseCode(std::string_view code);

// The seven omocodia variants of a base code, in the order the office assigns them: the digit
// in place 15 (counted from 1) written as a letter, then also 14, 13, 11, 10, 8 and 7; each with
// its own check letter.
std::array<std::string, 7> omocodiaVariants(std::string_view baseCode);

// Which parts of a valid code a person's data gives. Omocodia is taken into account: the person
// is compared with the base code.
struct PersonMatch {
    // The surname's three letters; a surname left empty agrees with none.
    bool surname = false;
    // The given name's three letters.
    bool givenName = false;
    // Year, month letter and day, the date read as the calculation reads it.
    bool date = false;
    // The sex, "M" or "F".
    bool sex = false;
    // Both: the date as the code writes it for the person's sex.
    bool dateAndSex = false;
    // The municipality, found as the calculation finds it on the person's date (on the code's
    // when the person's cannot be read), has the code's cadastral code; of several places found,
    // one is enough.
    bool place = false;

    bool all() const { return surname && givenName && dateAndSex && place; }
};

// Compares `person` (as the calculation window takes it) with `code`; nothing agrees with a code
// that is not valid.
PersonMatch matchPerson(const VerifiedCode& code, const CalculationInput& person,
                        const refdata::BirthplaceIndex& places);

} // namespace fiscalcode
