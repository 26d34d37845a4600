#include "birthdate.h"
#include "calculation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using fiscalcode::CalculationInput;
using fiscalcode::InputField;
namespace texts = fiscalcode::texts;

namespace {

std::optional<std::string> NoLookup(std::string_view)
{
    ADD_FAILURE() << "the municipality was looked up";
    return std::nullopt;
}

TEST(BirthDate, ReadsDayFirstAndRewritesAsTenCharacters)
{
    const auto format = [](const char* text) {
        const auto date = fiscalcode::ReadBirthDate(text);
        return date ? fiscalcode::FormatBirthDate(*date) : std::string("invalid");
    };
    EXPECT_EQ(format("01/02/1974"), "01/02/1974");
    EXPECT_EQ(format("1/2/1974"), "01/02/1974");
    EXPECT_EQ(format("1/2/74"), "01/02/1974");
    EXPECT_EQ(format("1/2/29"), "01/02/2029");
    EXPECT_EQ(format("1974/02/01"), "01/02/1974"); // a four-digit year may come first
    EXPECT_EQ(format("29/02/2000"), "29/02/2000");
    EXPECT_EQ(format("29/02/1900"), "invalid");
    EXPECT_EQ(format("31/02/1974"), "invalid");
    EXPECT_EQ(format("31/04/1974"), "invalid");
    EXPECT_EQ(format("00/01/1974"), "invalid");
    EXPECT_EQ(format("01/13/1974"), "invalid");
    EXPECT_EQ(format("01/01/0074"), "invalid");
    EXPECT_EQ(format("01-01-1974"), "invalid");
    EXPECT_EQ(format("01/01/1974/"), "invalid");
    EXPECT_EQ(format("/01/1974"), "invalid");
    EXPECT_EQ(format("001/01/1974"), "invalid");
    EXPECT_EQ(format(""), "invalid");
}

TEST(Calculation, ChecksRunInOrderAndStopAtTheFirstFailure)
{
    struct Case {
        CalculationInput input;
        const char* message;
        InputField field;
    };
    const std::vector<Case> cases = {
        {{"", "", "", "", "M"}, texts::kEmptySurname, InputField::Surname},
        {{"ROSSI", "", "", "", "M"}, texts::kEmptyGivenName, InputField::GivenName},
        {{"ROSSI", "MARIO", "", "", "M"}, texts::kEmptyDate, InputField::BirthDate},
        {{"ROSSI", "MARIO", "31/02/1974", "", "M"}, texts::kInvalidDate, InputField::BirthDate},
        {{"ROSSI", "MARIO", "1/2/1974", "", "M"}, texts::kDateLength, InputField::BirthDate},
        {{"ROSSI", "MARIO", "01/02/1974", "", "M"},
         texts::kEmptyMunicipality,
         InputField::Municipality},
    };
    for (const Case& c : cases) {
        const auto outcome = fiscalcode::Calculate(c.input, NoLookup);
        ASSERT_TRUE(outcome.failure);
        EXPECT_STREQ(outcome.failure->message, c.message);
        EXPECT_EQ(outcome.failure->field, c.field);
        EXPECT_TRUE(outcome.code.empty());
        EXPECT_TRUE(outcome.birthDate.empty());
    }
}

TEST(Calculation, FieldsOfBlanksAreNotEmpty)
{
    std::string looked;
    const auto outcome = fiscalcode::Calculate({" ", " ", "01/01/1974", " ", "M"},
                                               [&](std::string_view municipality) {
                                                   looked = municipality;
                                                   return std::optional<std::string>("H501");
                                               });
    EXPECT_FALSE(outcome.failure);
    EXPECT_EQ(looked, " ");
    EXPECT_EQ(outcome.code, "XXXXXX74A01H501" + std::string(1, outcome.code.back()));
}

TEST(Calculation, RewritesTheDateThenLooksUpAndComputes)
{
    const auto found = [](std::string_view municipality) {
        EXPECT_EQ(municipality, "ROMA");
        return std::optional<std::string>("H501");
    };
    const auto outcome =
        fiscalcode::Calculate({"ROSSI", "MARIA", "1974/04/25", "ROMA", "F"}, found);
    EXPECT_FALSE(outcome.failure);
    EXPECT_EQ(outcome.birthDate, "25/04/1974");
    EXPECT_EQ(outcome.code, "RSSMRA74D65H501V");
}

TEST(Calculation, MunicipalityNotFoundKeepsTheRewrittenDateAndMovesNoFocus)
{
    const auto outcome =
        fiscalcode::Calculate({"ROSSI", "MARIO", "1974/01/01", "ATLANTIDE", "M"},
                              [](std::string_view) { return std::optional<std::string>(); });
    ASSERT_TRUE(outcome.failure);
    EXPECT_STREQ(outcome.failure->message, texts::kMunicipalityNotFound);
    EXPECT_FALSE(outcome.failure->field);
    EXPECT_EQ(outcome.birthDate, "01/01/1974");
    EXPECT_TRUE(outcome.code.empty());
}

TEST(Calculation, SexOtherThanMOrFIsRefused)
{
    for (const char* sex : {"", "m", "X", "MF"}) {
        const auto outcome =
            fiscalcode::Calculate({"ROSSI", "MARIO", "01/01/1974", "ROMA", sex}, NoLookup);
        ASSERT_TRUE(outcome.failure) << sex;
        EXPECT_STREQ(outcome.failure->message, texts::kInvalidSex);
    }
}

TEST(Calculation, TypedTextHasCapitalsAndNothingElseChanged)
{
    EXPECT_EQ(fiscalcode::AsTyped("rossi d'angelo-2"), "ROSSI D'ANGELO-2");
    EXPECT_EQ(fiscalcode::AsTyped("nicolò"), "NICOLò"); // accented letters are left as they are
    EXPECT_EQ(fiscalcode::AsTyped("e\u0300va"), "E\u0300VA"); // a separate accent mark stays one
    EXPECT_EQ(fiscalcode::AsTyped(""), "");
}

} // namespace
