#pragma once

#include "fiscalcode/dates.h"
#include "fiscalcode/fiscalcode.h"

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// Checking the form of a fiscal code somebody hands in: whether it is well formed and its check
// letter right, which sex and birth date it carries, its omocodia variants. Which place its
// cadastral code stands for is the place rules' (places/verification.h).
//
// Omocodia: when two persons would get the same code, the office writes digits of the second
// one's code as letters (0-9 as L M N P Q R S T U V), the rightmost digit place first, and
// computes the check letter anew. Such a code is as valid as any; its base code is the one with
// every digit back in its place.
namespace fiscalcode {

// The places (from 0) of the seven digits of a code: year, day, the cadastral code's digits; in
// the order in which omocodia writes them as letters.
inline constexpr std::array<std::size_t, 7> kOmocodiaPlaces = {14, 13, 12, 10, 9, 7, 6};

// The letter written for a digit in an omocodia code; any other character is returned as it is.
char omocodiaLetter(char digit);

// The digit that a character in a digit place stands for: itself, or the digit of its omocodia
// letter; 0 when it stands for none.
char omocodiaDigit(char c);

// Why a code handed in is not valid: the first check it fails, with what the check found.
struct CodeFault {
    enum class Kind {
        Length,         // not sixteen characters but `length`
        Character,      // `character` cannot stand at `place`
        MonthLetter,    // `character` is not one of the month letters
        Day,            // the day `number` is neither 01-31 (men) nor 41-71 (women)
        Date,           // the day `number`, `month` and year `year` (two digits) exist in no year
        CheckCharacter, // the check letter `character` is not the `expected` one
    };
    Kind kind = Kind::Length;
    std::string character{}; // as written in the code (U+FFFD for a byte that is not UTF-8)
    std::size_t length = 0;
    std::size_t place = 0; // from 0
    int number = 0;
    int month = 0;
    int year = 0;
    char expected = 0;
};

// Whether place `place` (from 0) of a code holds a digit, or the letter omocodia writes for it.
bool isDigitPlace(std::size_t place);

// What a code's form carries. Only a valid code has its other fields filled.
struct CheckedCode {
    std::string code;               // as read: blanks around left out, small letters as capitals
    std::optional<CodeFault> fault; // why the code is not valid; none when it is

    std::string baseCode;      // the code without omocodia letters, with its check letter
    std::optional<Sex> sex;    // of a valid code
    Day birthDay = 0;          // yyyymmdd
    std::string cadastralCode; // "H501"

    bool valid() const { return !fault; }
    bool isOmocodia() const { return valid() && baseCode != code; }
    // "dd/mm/yyyy".
    std::string birthDate() const;
};

// The times a cadastral code ("H501") was in force, when they are known; nullptr when not.
using TimesInForce = std::function<const Spans*(std::string_view cadastralCode)>;

// Reads `text` as a fiscal code, checking in this order: sixteen characters; letters in the
// letter places and, in the digit places, a digit or its omocodia letter; the month letter; the
// day (1 to 31 for men, 41 to 71 for women); the date; the check letter.
//
// The code holds the year without its century. The birth year is the latest one with those two
// digits that puts the date not after `today` and, when `timesInForce` knows the times of the
// cadastral code, inside one of them; when no century fits those times, the latest not after
// today. Years before 1800 are not considered.
[[nodiscard]] CheckedCode checkFiscalCode(std::string_view text, Day today,
                                          const TimesInForce& timesInForce = {});
// The same into `checked`, whose strings are reused: for many codes one after the other.
void checkFiscalCode(std::string_view text, Day today, const TimesInForce& timesInForce,
                     CheckedCode& checked);

// The base code of a code that has a digit or an omocodia letter in every digit place: every
// letter there back to its digit, the check letter computed anew.
std::string baseCode(std::string_view code);

// The seven omocodia variants of a base code, in the order the office assigns them: the digit
// in place 15 (counted from 1) written as a letter, then also 14, 13, 11, 10, 8 and 7; each with
// its own check letter.
std::array<std::string, 7> omocodiaVariants(std::string_view baseCode);

} // namespace fiscalcode
