#include "places/calculation.h"

#include "fiscalcode/dates.h"
#include "fiscalcode/fiscalcode.h"
#include "fiscalcode/plainletters.h"
#include "text/textfold.h"

#include <algorithm>

namespace places {
namespace {

using Failure = CalculationOutcome::Failure;

std::string filled(std::string_view text, std::initializer_list<std::string_view> values)
{
    std::string filled(text);
    char marker[] = "%1";
    for (std::string_view value : values) {
        if (const auto at = filled.find(marker); at != std::string::npos) {
            filled.replace(at, 2, value);
        }
        ++marker[1];
    }
    return filled;
}

// The failure of a name that holds a character the code cannot take, if any.
std::optional<Failure> checkAlphabet(std::string_view name, const char* caption, InputField field)
{
    const std::string refused = fiscalcode::firstRefusedCharacter(name);
    if (refused.empty()) {
        return std::nullopt;
    }
    return Failure{filled(texts::kRefusedCharacter, {caption, refused}), {}, field};
}

// The first failing check, or none; then `date` holds the date of birth.
std::optional<Failure> checkInput(const CalculationInput& input, fiscalcode::CalendarDate& date)
{
    const auto fail = [](const char* message, std::optional<InputField> field) {
        return std::optional(Failure{message, {}, field});
    };
    if (input.surname.empty()) {
        return fail(texts::kEmptySurname, InputField::Surname);
    }
    if (input.givenName.empty()) {
        return fail(texts::kEmptyGivenName, InputField::GivenName);
    }
    if (auto refused = checkAlphabet(input.surname, texts::kSurnameCaption, InputField::Surname)) {
        return refused;
    }
    if (auto refused =
            checkAlphabet(input.givenName, texts::kGivenNameCaption, InputField::GivenName)) {
        return refused;
    }
    if (input.birthDate.empty()) {
        return fail(texts::kEmptyDate, InputField::BirthDate);
    }
    const auto read = fiscalcode::readBirthDate(input.birthDate);
    if (!read) {
        return fail(texts::kInvalidDate, InputField::BirthDate);
    }
    date = *read;
    if (input.birthDate.size() != 10) {
        return fail(texts::kDateLength, InputField::BirthDate);
    }
    if (fiscalcode::dayOf(date) > (input.today != 0 ? input.today : fiscalcode::today())) {
        return fail(texts::kFutureDate, InputField::BirthDate);
    }
    if (input.municipality.empty()) {
        return fail(texts::kEmptyMunicipality, InputField::Municipality);
    }
    if (input.sex != "M" && input.sex != "F") {
        return fail(texts::kInvalidSex, std::nullopt);
    }
    return std::nullopt;
}

// The places a failure concerns, one line each (see `line`); a pattern such as "*" may match
// thousands, of which the first few say enough.
template <typename Line>
Failure placeFailure(const char* message, const std::vector<const Place*>& places, Line&& line)
{
    constexpr std::size_t kListed = 30;
    Failure failure{message, {}, std::nullopt};
    for (const Place* place : places) {
        if (failure.details.size() == kListed) {
            failure.details.push_back("... e altri " + std::to_string(places.size() - kListed));
            break;
        }
        failure.details.push_back(line(*place));
    }
    return failure;
}

// The places that fit the birth date, each told apart from the others.
Failure listedFailure(const char* message, const std::vector<const Place*>& places, Day day)
{
    return placeFailure(message, places, [day](const Place& place) { return place.listing(day); });
}

// None of the places bore the name on the birth date: those in force then under another name
// say what it was, the others when they were in force.
Failure notInForceFailure(const std::vector<const Place*>& places, Day day)
{
    const bool renamed = std::any_of(places.begin(), places.end(),
                                     [day](const Place* place) { return place->inForce(day); });
    return placeFailure(
        renamed ? texts::kNotSoNamed : texts::kNotInForce, places, [day](const Place& place) {
            if (!place.inForce(day)) {
                return place.listing(day); // with all its times in force
            }
            return filled(texts::kEarlierNameLine,
                          {place.describeAsNamed() + " " + place.code, place.namePeriodsText(),
                           fiscalcode::formatDay(day), place.describe(day)});
        });
}

// What the user should know about a code computed for `place`: it was suppressed on the birth
// date, or then bore another name than the one given; empty otherwise.
std::string noticeFor(const Place& place, Day day)
{
    const Naming naming = place.naming(day);
    if (naming == Naming::AsNamed) {
        return {}; // the usual case
    }
    const std::string date = fiscalcode::formatDay(day);
    if (!place.inForce(day)) {
        return filled(texts::kSuspendedNotice,
                      {place.describe(day), date, place.periodsText(), place.code});
    }
    return filled(texts::kRenamedNotice, {place.name, date, place.describe(day)});
}

// The cadastral code as it enters the fiscal code: a capital and three digits. Small letters
// count as capitals; any other shape is a fault of the table, not of the person's data.
std::optional<std::string> CadastralCode(std::string_view stored)
{
    std::string code = text::capitals(stored);
    return isCadastralCode(code) ? std::optional(code) : std::nullopt;
}

} // namespace

CalculationOutcome calculate(const CalculationInput& input, const BirthplaceFinder& find,
                             const PlaceChooser& choose)
{
    using Outcome = Birthplace::Outcome;
    CalculationOutcome outcome;
    fiscalcode::CalendarDate date;
    if (auto failure = checkInput(input, date)) {
        outcome.failure = std::move(failure);
        return outcome;
    }
    const Day day = fiscalcode::dayOf(date);
    outcome.birthDate = fiscalcode::formatBirthDate(date);

    const Birthplace birthplace = find(input.municipality, day, text::capitals(input.province));
    const Place* place = nullptr;
    switch (birthplace.outcome) {
    case Outcome::Found:
        place = birthplace.places.front();
        break;
    case Outcome::NotFound:
        outcome.failure = Failure{texts::kMunicipalityNotFound, {}, std::nullopt};
        return outcome;
    case Outcome::NotInForce:
        outcome.failure = notInForceFailure(birthplace.places, day);
        return outcome;
    case Outcome::NotInProvince:
        outcome.failure = listedFailure(texts::kNotInProvince, birthplace.places, day);
        return outcome;
    case Outcome::Ambiguous:
        if (!choose) {
            outcome.failure = listedFailure(texts::kAmbiguous, birthplace.places, day);
            return outcome;
        }
        place = choose(birthplace.places, day);
        if (!place) {
            outcome.cancelled = true;
            return outcome;
        }
        break;
    }
    const auto code = CadastralCode(place->code);
    if (!code) {
        outcome.failure =
            Failure{filled(texts::kMalformedCode, {place->code, place->name}), {}, std::nullopt};
        return outcome;
    }
    outcome.code = fiscalcode::ComputeFiscalCode(
        {input.surname, input.givenName, outcome.birthDate, input.sex, *code});
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
