#include "places/verification.h"

#include "fiscalcode/dates.h"
#include "fiscalcode/fiscalcode.h"
#include "fiscalcode/plainletters.h"
#include "text/textfold.h"

#include <algorithm>

namespace places {

VerifiedCode verifyFiscalCode(std::string_view text, const BirthplaceIndex& places, Day today)
{
    VerifiedCode verified;
    verifyFiscalCode(text, places, today, verified);
    return verified;
}

void verifyFiscalCode(std::string_view text, const BirthplaceIndex& places, Day today,
                      VerifiedCode& verified)
{
    const CodeHistory* history = nullptr;
    const auto timesInForce = [&](std::string_view cadastralCode) -> const Spans* {
        history = places.history(cadastralCode);
        return history ? &history->spans : nullptr;
    };
    fiscalcode::checkFiscalCode(text, today, timesInForce, verified);
    verified.placeKnown = false;
    verified.placeName.clear();
    verified.province.clear();
    if (verified.valid() && history) {
        const Period& period = history->periodOn(verified.birthDay);
        verified.placeKnown = true;
        verified.placeName = period.name;
        verified.province = period.province;
    }
}

PersonMatch matchPerson(const fiscalcode::CheckedCode& code, const CalculationInput& person,
                        const BirthplaceIndex& places)
{
    PersonMatch match;
    if (!code.valid()) {
        return match;
    }
    const std::string_view base = code.baseCode;
    // A name is compared only when the calculation would take it.
    const auto usable = [](std::string_view name) {
        return !name.empty() && !fiscalcode::firstRefusedCharacter(name);
    };
    match.surname =
        usable(person.surname) && fiscalcode::SurnameLetters(person.surname) == base.substr(0, 3);
    match.givenName = usable(person.givenName) &&
                      fiscalcode::GivenNameLetters(person.givenName) == base.substr(3, 3);
    const auto date = fiscalcode::readBirthDate(person.birthDate);
    match.sex = person.sex == code.sex;
    match.date = date && fiscalcode::DateSexCode(*date, *code.sex) == base.substr(6, 5);
    match.dateAndSex = match.date && match.sex;
    const Day day = date ? fiscalcode::dayOf(*date) : code.birthDay;
    if (!person.municipality.empty()) {
        using Outcome = Birthplace::Outcome;
        const Birthplace found =
            places.resolve(person.municipality, day, text::capitals(person.province));
        match.place =
            (found.outcome == Outcome::Found || found.outcome == Outcome::Ambiguous) &&
            std::any_of(found.places.begin(), found.places.end(), [&](const Place* place) {
                return text::capitals(place->code) == code.cadastralCode;
            });
    }
    return match;
}

} // namespace places
