#include "fiscalcode/calculation.h"

#include "fiscalcode/birthdate.h"
#include "fiscalcode/fiscalcode.h"
#include "fiscalcode/plainletters.h"

namespace fiscalcode {
namespace {

using Failure = CalculationOutcome::Failure;

std::string Filled(std::string_view text, std::initializer_list<std::string_view> values)
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
std::optional<Failure> CheckAlphabet(std::string_view name, const char* caption, InputField field)
{
    const std::string refused = FirstRefusedCharacter(name);
    if (refused.empty()) {
        return std::nullopt;
    }
    return Failure{Filled(texts::kRefusedCharacter, {caption, refused}), {}, field};
}

// The first failing check, or none; then `date` holds the date of birth.
std::optional<Failure> CheckInput(const CalculationInput& input, CalendarDate& date)
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
    if (auto refused = CheckAlphabet(input.surname, texts::kSurnameCaption, InputField::Surname)) {
        return refused;
    }
    if (auto refused =
            CheckAlphabet(input.givenName, texts::kGivenNameCaption, InputField::GivenName)) {
        return refused;
    }
    if (input.birthDate.empty()) {
        return fail(texts::kEmptyDate, InputField::BirthDate);
    }
    const auto read = ReadBirthDate(input.birthDate);
    if (!read) {
        return fail(texts::kInvalidDate, InputField::BirthDate);
    }
    date = *read;
    if (input.birthDate.size() != 10) {
        return fail(texts::kDateLength, InputField::BirthDate);
    }
    if (input.municipality.empty()) {
        return fail(texts::kEmptyMunicipality, InputField::Municipality);
    }
    if (input.sex != "M" && input.sex != "F") {
        return fail(texts::kInvalidSex, std::nullopt);
    }
    return std::nullopt;
}

// The places a failure concerns, one line each; a pattern such as "*" may match thousands, of
// which the first few say enough.
Failure PlaceFailure(const char* message, const std::vector<const refdata::Place*>& places,
                     refdata::Day day, bool withPeriods)
{
    constexpr std::size_t kListed = 30;
    Failure failure{message, {}, std::nullopt};
    for (const refdata::Place* place : places) {
        if (failure.details.size() == kListed) {
            failure.details.push_back("... e altri " + std::to_string(places.size() - kListed));
            break;
        }
        std::string line = place->describe(day);
        if (withPeriods) {
            line += " " + place->periodsText();
        }
        failure.details.push_back(std::move(line));
    }
    return failure;
}

// The cadastral code as it enters the fiscal code: a capital and three digits. Small letters
// count as capitals; any other shape is a fault of the table, not of the person's data.
std::optional<std::string> CadastralCode(std::string_view stored)
{
    std::string code = AsTyped(stored);
    return refdata::IsCadastralCode(code) ? std::optional(code) : std::nullopt;
}

refdata::Day DayOf(const CalendarDate& date)
{
    return date.year * 10000 + date.month * 100 + date.day;
}

} // namespace

std::string AsTyped(std::string_view text)
{
    std::string typed(text);
    for (char& c : typed) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return typed;
}

CalculationOutcome Calculate(const CalculationInput& input, const BirthplaceFinder& find,
                             const PlaceChooser& choose)
{
    using Outcome = refdata::Birthplace::Outcome;
    CalculationOutcome outcome;
    CalendarDate date;
    if (auto failure = CheckInput(input, date)) {
        outcome.failure = std::move(failure);
        return outcome;
    }
    const refdata::Day day = DayOf(date);
    outcome.birthDate = FormatBirthDate(date);

    const refdata::Birthplace birthplace = find(input.municipality, day, AsTyped(input.province));
    const refdata::Place* place = nullptr;
    switch (birthplace.outcome) {
    case Outcome::Found:
        place = birthplace.places.front();
        break;
    case Outcome::NotFound:
        outcome.failure = Failure{texts::kMunicipalityNotFound, {}, std::nullopt};
        return outcome;
    case Outcome::NotInForce:
        outcome.failure = PlaceFailure(texts::kNotInForce, birthplace.places, day, true);
        return outcome;
    case Outcome::NotInProvince:
        outcome.failure = PlaceFailure(texts::kNotInProvince, birthplace.places, day, false);
        return outcome;
    case Outcome::Ambiguous:
        if (!choose) {
            outcome.failure = PlaceFailure(texts::kAmbiguous, birthplace.places, day, false);
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
            Failure{Filled(texts::kMalformedCode, {place->code, place->name}), {}, std::nullopt};
        return outcome;
    }
    outcome.code =
        ComputeFiscalCode({input.surname, input.givenName, outcome.birthDate, input.sex, *code});
    return outcome;
}

CalculationOutcome Calculate(const CalculationInput& input, const refdata::BirthplaceIndex& index,
                             const PlaceChooser& choose)
{
    return Calculate(
        input,
        [&index](std::string_view place, refdata::Day day, std::string_view province) {
            return index.resolve(place, day, province);
        },
        choose);
}

} // namespace fiscalcode
