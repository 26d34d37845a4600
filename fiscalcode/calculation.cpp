#include "calculation.h"

#include "birthdate.h"
#include "fiscalcode.h"

namespace fiscalcode {

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

CalculationOutcome Calculate(const CalculationInput& input, const CadastralCodeFinder& find)
{
    using Failure = CalculationOutcome::Failure;
    CalculationOutcome outcome;
    const auto fail = [&](const char* message, std::optional<InputField> field) {
        outcome.failure = Failure{message, field};
        return outcome;
    };
    if (input.surname.empty()) {
        return fail(texts::kEmptySurname, InputField::Surname);
    }
    if (input.givenName.empty()) {
        return fail(texts::kEmptyGivenName, InputField::GivenName);
    }
    if (input.birthDate.empty()) {
        return fail(texts::kEmptyDate, InputField::BirthDate);
    }
    const auto date = ReadBirthDate(input.birthDate);
    if (!date) {
        return fail(texts::kInvalidDate, InputField::BirthDate);
    }
    if (input.birthDate.size() != 10) {
        return fail(texts::kDateLength, InputField::BirthDate);
    }
    if (input.municipality.empty()) {
        return fail(texts::kEmptyMunicipality, InputField::Municipality);
    }
    if (input.sex != "M" && input.sex != "F") {
        return fail(texts::kInvalidSex, std::nullopt);
    }
    outcome.birthDate = FormatBirthDate(*date);
    const auto cadastralCode = find(input.municipality);
    if (!cadastralCode) {
        return fail(texts::kMunicipalityNotFound, std::nullopt);
    }
    outcome.code = ComputeFiscalCode(
        {input.surname, input.givenName, outcome.birthDate, input.sex, *cadastralCode});
    return outcome;
}

} // namespace fiscalcode
