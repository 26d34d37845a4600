#include "places/calculation.h"

#include "fiscalcode/plainletters.h"
#include "text/textfold.h"

#include <algorithm>

namespace places {
namespace {

using Failure = CalculationFailure;
using Kind = CalculationFailure::Kind;

Failure inputFailure(Kind kind, InputField field)
{
    return {.kind = kind, .field = field};
}

// The failure of a name that holds a character the code cannot take, if any.
std::optional<Failure> checkAlphabet(std::string_view name, InputField field)
{
    auto refused = fiscalcode::firstRefusedCharacter(name);
    if (!refused) {
        return std::nullopt;
    }
    return Failure{
        .kind = Kind::RefusedCharacter, .field = field, .character = std::move(*refused)};
}

// The first failing check of the date, or none; then `date` holds the date of birth.
std::optional<Failure> checkDate(const CalculationInput& input,
                                 std::optional<fiscalcode::CalendarDate>& date)
{
    if (input.birthDate.empty()) {
        return inputFailure(Kind::EmptyDate, InputField::BirthDate);
    }
    date = fiscalcode::readBirthDate(input.birthDate);
    if (!date) {
        return inputFailure(Kind::InvalidDate, InputField::BirthDate);
    }
    if (input.birthDate.size() != 10) {
        return inputFailure(Kind::DateLength, InputField::BirthDate);
    }
    if (fiscalcode::dayOf(*date) > (input.today != 0 ? input.today : fiscalcode::today())) {
        return inputFailure(Kind::FutureDate, InputField::BirthDate);
    }
    return std::nullopt;
}

// The first failing check, or none; then `date` holds the date of birth.
std::optional<Failure> checkInput(const CalculationInput& input,
                                  std::optional<fiscalcode::CalendarDate>& date)
{
    if (input.surname.empty()) {
        return inputFailure(Kind::EmptySurname, InputField::Surname);
    }
    if (input.givenName.empty()) {
        return inputFailure(Kind::EmptyGivenName, InputField::GivenName);
    }
    if (auto refused = checkAlphabet(input.surname, InputField::Surname)) {
        return refused;
    }
    if (auto refused = checkAlphabet(input.givenName, InputField::GivenName)) {
        return refused;
    }
    if (auto failure = checkDate(input, date)) {
        return failure;
    }
    if (input.municipality.empty()) {
        return inputFailure(Kind::EmptyMunicipality, InputField::Municipality);
    }
    if (!input.sex) {
        return Failure{.kind = Kind::InvalidSex};
    }
    return std::nullopt;
}

// The failure of a look-up that found `places`, none of them fit, on `day`.
Failure placeFailure(Kind kind, std::vector<const Place*> places, Day day)
{
    return {.kind = kind, .places = std::move(places), .day = day};
}

// None of the places bore the name on the birth date: some were in force then under another
// name, or none was.
Kind notInForceKind(const std::vector<const Place*>& places, Day day)
{
    const bool renamed = std::any_of(places.begin(), places.end(),
                                     [day](const Place* place) { return place->inForce(day); });
    return renamed ? Kind::NotSoNamed : Kind::NotInForce;
}

// What the user should know about a code computed for `place`: it was suppressed on the birth
// date, or then bore another name than the one given; none otherwise.
std::optional<CalculationNotice> noticeFor(const Place& place, Day day)
{
    if (place.naming(day) == Naming::AsNamed) {
        return std::nullopt; // the usual case
    }
    using NoticeKind = CalculationNotice::Kind;
    return CalculationNotice{place.inForce(day) ? NoticeKind::Renamed : NoticeKind::Suspended,
                             &place, day};
}

// The place the code is computed for, or the failure of the look-up; nullptr with neither when
// the user chose none of several.
const Place* placeOf(const Birthplace& birthplace, Day day, const PlaceChooser& choose,
                     std::optional<Failure>& failure)
{
    using Outcome = Birthplace::Outcome;
    switch (birthplace.outcome) {
    case Outcome::Found:
        return birthplace.places.front();
    case Outcome::NotFound:
        failure = Failure{.kind = Kind::NotFound};
        return nullptr;
    case Outcome::NotInForce:
        failure = placeFailure(notInForceKind(birthplace.places, day), birthplace.places, day);
        return nullptr;
    case Outcome::NotInProvince:
        failure = placeFailure(Kind::NotInProvince, birthplace.places, day);
        return nullptr;
    case Outcome::Ambiguous:
        if (!choose) {
            failure = placeFailure(Kind::Ambiguous, birthplace.places, day);
            return nullptr;
        }
        return choose(birthplace.places, day);
    }
    return nullptr;
}

} // namespace

CalculationOutcome calculate(const CalculationInput& input, const BirthplaceFinder& find,
                             const PlaceChooser& choose)
{
    CalculationOutcome outcome;
    std::optional<fiscalcode::CalendarDate> date;
    if ((outcome.failure = checkInput(input, date))) {
        return outcome;
    }
    outcome.birthDate = date;
    const Day day = fiscalcode::dayOf(*outcome.birthDate);
    const Birthplace birthplace = find(input.municipality, day, text::capitals(input.province));
    const Place* place = placeOf(birthplace, day, choose, outcome.failure);
    if (!place) {
        outcome.cancelled = !outcome.failure;
        return outcome;
    }
    // Small letters count as capitals; any other shape is a fault of the table, not of the
    // person's data.
    const auto code = fiscalcode::CadastralCode::read(place->code);
    if (!code) {
        outcome.failure = placeFailure(Kind::MalformedCode, {place}, day);
        return outcome;
    }
    outcome.code = fiscalcode::ComputeFiscalCode(
        {input.surname, input.givenName, *outcome.birthDate, *input.sex, *code});
    outcome.notice = noticeFor(*place, day);
    return outcome;
}

CalculationOutcome calculate(const CalculationInput& input, const BirthplaceIndex& index,
                             const PlaceChooser& choose)
{
    return calculate(
        input,
        [&index](std::string_view place, Day day, std::string_view province) {
            return index.resolve(place, day, province);
        },
        choose);
}

} // namespace places
