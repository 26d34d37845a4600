#pragma once

#include "fiscalcode/verification.h"
#include "places/birthplaces.h"
#include "places/calculation.h"

#include <string>
#include <string_view>

// Checking a fiscal code with the places it may name: the code's form (fiscalcode/verification.h),
// the birthplace its cadastral code carries, and whether it belongs to a given person.
namespace places {

// What a code carries, its birthplace included. Only a valid code has its other fields filled.
struct VerifiedCode : fiscalcode::CheckedCode {
    // The birthplace from the history of its cadastral code: the period in force on the birth
    // day, else the last one. Empty when the code is not in the history (placeKnown false).
    bool placeKnown = false;
    std::string placeName;
    std::string province; // "EE" for a foreign state
};

// Reads `text` as a fiscal code (see fiscalcode::checkFiscalCode), the birth year chosen within
// the times the history of `places` gives its cadastral code, and finds its birthplace there.
[[nodiscard]] VerifiedCode verifyFiscalCode(std::string_view text, const BirthplaceIndex& places,
                                            Day today);
// The same into `verified`, whose strings are reused: for many codes one after the other.
void verifyFiscalCode(std::string_view text, const BirthplaceIndex& places, Day today,
                      VerifiedCode& verified);

// Which parts of a valid code a person's data gives. Omocodia is taken into account: the person
// is compared with the base code.
struct PersonMatch {
    // The surname's three letters; a surname left empty agrees with none.
    bool surname = false;
    // The given name's three letters.
    bool givenName = false;
    // Year, month letter and day, the date read as the calculation reads it.
    bool date = false;
    // The sex.
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
PersonMatch matchPerson(const fiscalcode::CheckedCode& code, const CalculationInput& person,
                        const BirthplaceIndex& places);

} // namespace places
