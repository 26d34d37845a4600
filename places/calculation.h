#pragma once

#include "fiscalcode/dates.h"
#include "fiscalcode/fiscalcode.h"
#include "places/birthplaces.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What happens when the user asks for a code: the inputs are checked in a fixed order, the date
// is read, the municipality's cadastral code is looked up and the code is computed. The
// calculation window and the command-line tool both run it.
namespace places {

enum class InputField { Surname, GivenName, BirthDate, Municipality };

// Fields left out of an initializer are empty.
struct CalculationInput {
    std::string surname{};
    std::string givenName{};
    std::string birthDate{};    // as typed: read by the checks, day first
    std::string municipality{}; // may end with its province in brackets: "CASTRO (LE)"
    // None when the sex given is neither of the two (text input: see fiscalcode::readSex).
    std::optional<fiscalcode::Sex> sex = fiscalcode::Sex::Male;
    std::string province{};    // optional: the province of the municipality
    fiscalcode::Day today = 0; // the day no birth may follow; 0 for today's date
};

// Why no code was computed: the first check that failed, or what the look-up of the place found.
struct CalculationFailure {
    enum class Kind {
        EmptySurname,
        EmptyGivenName,
        RefusedCharacter, // the name in `field` holds `character`, which cannot enter a code
        EmptyDate,
        InvalidDate, // not a date of the calendar, day first
        DateLength,  // a date, not written as gg/mm/aaaa
        FutureDate,  // after today
        EmptyMunicipality,
        InvalidSex,    // neither M nor F
        NotFound,      // no place of that name
        NotInForce,    // `places`: none in force on `day`
        NotSoNamed,    // `places`: some in force on `day`, but none under that name
        NotInProvince, // `places` fit `day`, none in the province given
        Ambiguous,     // `places` fit, several
        MalformedCode, // `places` holds the one found, whose cadastral code is of another shape
    };
    Kind kind = Kind::NotFound;
    // The field that gets the focus: set for the input checks. An input check is shown with the
    // error icon, a failed look-up with the information icon.
    std::optional<InputField> field{};
    std::string character{};
    // The places it concerns, valid while the index that found them lives, and the birth date.
    std::vector<const Place*> places{};
    Day day = 0;
};

// What the user should know about a code computed for `place`: the name given was the place's
// later name, or the municipality was suppressed on the birth date `day`.
struct CalculationNotice {
    enum class Kind { Renamed, Suspended };
    Kind kind = Kind::Renamed;
    const Place* place = nullptr; // valid while the index that found it lives
    Day day = 0;
};

struct [[nodiscard]] CalculationOutcome {
    std::optional<CalculationFailure> failure;
    bool cancelled = false;                            // the user chose none of several places
    std::optional<fiscalcode::CalendarDate> birthDate; // once the checks passed
    std::string code;                                  // the fiscal code, when computed
    std::optional<CalculationNotice> notice;           // beside a code computed
};

// The birthplace of a person born on a day; see BirthplaceIndex::resolve.
using BirthplaceFinder = std::function<Birthplace(std::string_view place, fiscalcode::Day day,
                                                  std::string_view province)>;

// Asks the user which of several places is meant; nullptr when the user declines.
using PlaceChooser =
    std::function<const Place*(const std::vector<const Place*>& places, fiscalcode::Day day)>;

// Checks the input, finds the birthplace and computes the code. When several places fit,
// `choose` decides; without it, the outcome is the failure Ambiguous with those places.
CalculationOutcome calculate(const CalculationInput& input, const BirthplaceFinder& find,
                             const PlaceChooser& choose = {});
CalculationOutcome calculate(const CalculationInput& input, const BirthplaceIndex& index,
                             const PlaceChooser& choose = {});

} // namespace places
