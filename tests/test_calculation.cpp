#include "fiscalcode/dates.h"
#include "fiscalcode/fiscalcode.h"
#include "messages/texts.h"
#include "places/calculation.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using fiscalcode::Sex;
using places::CalculationInput;
using places::InputField;
using Kind = places::CalculationFailure::Kind;

namespace {

places::Birthplace noLookup(std::string_view, fiscalcode::Day, std::string_view)
{
    ADD_FAILURE() << "the municipality was looked up";
    return {};
}

// The failure's sentence and the lines that follow it, as the user reads them.
std::string said(const places::CalculationOutcome& outcome)
{
    return outcome.failure ? messages::failureText(*outcome.failure) : std::string();
}

std::vector<std::string> lines(const places::CalculationOutcome& outcome)
{
    return outcome.failure ? messages::failureLines(*outcome.failure) : std::vector<std::string>();
}

std::string birthDate(const places::CalculationOutcome& outcome)
{
    return outcome.birthDate ? fiscalcode::formatBirthDate(*outcome.birthDate) : std::string();
}

// A finder that knows one place, valid at every date.
places::BirthplaceFinder onePlace(std::string code, std::string* looked = nullptr,
                                  fiscalcode::Day* day = nullptr)
{
    auto place = std::make_shared<places::Place>(places::Place{"ROMA", std::move(code)});
    return [=](std::string_view text, fiscalcode::Day on, std::string_view) {
        if (looked) {
            *looked = text;
        }
        if (day) {
            *day = on;
        }
        return places::Birthplace{places::Birthplace::Outcome::Found, {place.get()}};
    };
}

TEST(BirthDate, ReadsDayFirstAndRewritesAsTenCharacters)
{
    const auto format = [](const char* text) {
        const auto date = fiscalcode::readBirthDate(text);
        return date ? fiscalcode::formatBirthDate(*date) : std::string("invalid");
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
        Kind kind;
        InputField field;
    };
    const std::vector<Case> cases = {
        {{"", "", "", ""}, Kind::EmptySurname, InputField::Surname},
        {{"ROSSI", "", "", ""}, Kind::EmptyGivenName, InputField::GivenName},
        {{"ROSSI", "MARIO", "", ""}, Kind::EmptyDate, InputField::BirthDate},
        {{"ROSSI", "MARIO", "31/02/1974", ""}, Kind::InvalidDate, InputField::BirthDate},
        {{"ROSSI", "MARIO", "1/2/1974", ""}, Kind::DateLength, InputField::BirthDate},
        {{"ROSSI", "MARIO", "01/02/1974", ""}, Kind::EmptyMunicipality, InputField::Municipality},
    };
    for (const Case& c : cases) {
        const auto outcome = places::calculate(c.input, noLookup);
        ASSERT_TRUE(outcome.failure);
        EXPECT_EQ(outcome.failure->kind, c.kind);
        EXPECT_EQ(outcome.failure->field, c.field);
        EXPECT_TRUE(outcome.code.empty());
        EXPECT_FALSE(outcome.birthDate);
    }
}

TEST(Calculation, NamesOutsideTheLatinAlphabetAreRefusedWithTheirField)
{
    struct Case {
        const char* surname;
        const char* givenName;
        const char* message;
        InputField field;
    };
    const Case cases[] = {
        {"ПЕТРОВ", "IVAN", "Il campo Cognome contiene «П»", InputField::Surname},
        {"ROSSI", "ΣΟΦΙΑ", "Il campo Nome contiene «Σ»", InputField::GivenName},
        {"ROSSI 2", "MARIO", "Il campo Cognome contiene «2»", InputField::Surname},
        {"ROSSI", "MARIO III", "", InputField::GivenName}, // letters only: accepted
        {"ROSSI", "LUCA\xE0", "Il campo Nome contiene «\xEF\xBF\xBD»", InputField::GivenName},
    };
    for (const Case& c : cases) {
        const auto outcome =
            places::calculate({c.surname, c.givenName, "01/01/1974", "ROMA"}, onePlace("H501"));
        if (*c.message == '\0') {
            EXPECT_FALSE(outcome.failure) << c.givenName;
            continue;
        }
        ASSERT_TRUE(outcome.failure) << c.surname << " " << c.givenName;
        EXPECT_TRUE(said(outcome).starts_with(c.message)) << said(outcome);
        EXPECT_EQ(outcome.failure->field, c.field);
        EXPECT_FALSE(outcome.birthDate); // refused before the date is looked at
    }
}

TEST(Calculation, FieldsOfBlanksAreNotEmpty)
{
    std::string looked;
    const auto outcome =
        places::calculate({" ", " ", "01/01/1974", " ", Sex::Male}, onePlace("H501", &looked));
    EXPECT_FALSE(outcome.failure);
    EXPECT_EQ(looked, " ");
    EXPECT_EQ(outcome.code, "XXXXXX74A01H501" + std::string(1, outcome.code.back()));
}

TEST(Calculation, RewritesTheDateThenLooksUpOnThatDayAndComputes)
{
    std::string looked;
    fiscalcode::Day day = 0;
    const auto outcome = places::calculate({"ROSSI", "MARIA", "1974/04/25", "ROMA", Sex::Female},
                                           onePlace("H501", &looked, &day));
    EXPECT_FALSE(outcome.failure);
    EXPECT_EQ(looked, "ROMA");
    EXPECT_EQ(day, 19740425);
    EXPECT_EQ(birthDate(outcome), "25/04/1974");
    EXPECT_EQ(outcome.code, "RSSMRA74D65H501V");
}

TEST(Calculation, MunicipalityNotFoundKeepsTheRewrittenDateAndMovesNoFocus)
{
    const auto outcome = places::calculate(
        {"ROSSI", "MARIO", "1974/01/01", "ATLANTIDE", Sex::Male},
        [](std::string_view, fiscalcode::Day, std::string_view) { return places::Birthplace{}; });
    ASSERT_TRUE(outcome.failure);
    EXPECT_EQ(outcome.failure->kind, Kind::NotFound);
    EXPECT_FALSE(outcome.failure->field);
    EXPECT_EQ(birthDate(outcome), "01/01/1974");
    EXPECT_TRUE(outcome.code.empty());
}

TEST(Calculation, SexOtherThanMOrFIsRefused)
{
    for (const char* sex : {"", "m", "X", "MF"}) {
        const auto outcome = places::calculate(
            {"ROSSI", "MARIO", "01/01/1974", "ROMA", fiscalcode::readSex(sex)}, noLookup);
        ASSERT_TRUE(outcome.failure) << sex;
        EXPECT_EQ(outcome.failure->kind, Kind::InvalidSex);
        EXPECT_FALSE(outcome.failure->field);
    }
}

TEST(Calculation, CadastralCodesOfAnotherShapeAreNeverPutInACode)
{
    // Small letters count as capitals; anything else is a fault of the table, said as such.
    EXPECT_EQ(places::calculate({"ROSSI", "MARIO", "01/01/1974", "X"}, onePlace("z998")).code,
              "RSSMRA74A01Z998" + std::string(1, fiscalcode::CheckCharacter("RSSMRA74A01Z998")));
    for (const char* code : {"", "H50", "H5011", "1501", "HH01", "H5O1", "H 01"}) {
        const auto finder = onePlace(code); // the failure points into the finder's place
        const auto outcome = places::calculate({"ROSSI", "MARIO", "01/01/1974", "ROMA"}, finder);
        ASSERT_TRUE(outcome.failure) << code;
        EXPECT_TRUE(lines(outcome).empty());
        EXPECT_EQ(said(outcome),
                  "Il codice catastale «" + std::string(code) +
                      "» del comune ROMA non è valido: deve essere una lettera seguita da tre "
                      "cifre. Correggerlo nella Tabella Comuni !");
        EXPECT_TRUE(outcome.code.empty());
    }
}

// Two municipalities of one name, with their histories.
class TwoCastros : public ::testing::Test {
protected:
    places::BirthplaceIndex index{{{"CASTRO", "C337"}, {"CASTRO", "M261"}},
                                  {{"C337", {18610317, 99991231, "CASTRO", "", "BG"}},
                                   {"M261", {19750501, 99991231, "CASTRO", "", "LE"}}}};
    const CalculationInput person{"ROSSI", "MARIO", "01/01/1980", "CASTRO"};
};

TEST_F(TwoCastros, SeveralPlacesAreNeverPickedSilently)
{
    const auto outcome = places::calculate(person, index);
    ASSERT_TRUE(outcome.failure);
    EXPECT_EQ(said(outcome), "Comune ambiguo:");
    EXPECT_EQ(lines(outcome), (std::vector<std::string>{"CASTRO (BG) C337 dal 17/03/1861",
                                                        "CASTRO (LE) M261 dal 01/05/1975"}));
    EXPECT_EQ(birthDate(outcome), "01/01/1980");
    EXPECT_TRUE(outcome.code.empty());
}

TEST_F(TwoCastros, TheUsersChoiceDecidesAndCancellingComputesNothing)
{
    std::vector<std::string> offered;
    const auto chooseLast = [&](const std::vector<const places::Place*>& places,
                                fiscalcode::Day day) {
        for (const auto* place : places) {
            offered.push_back(place->describe(day));
        }
        return places.back();
    };
    const auto chosen = places::calculate(person, index, chooseLast);
    EXPECT_FALSE(chosen.failure);
    EXPECT_EQ(chosen.code.substr(11, 4), "M261");
    EXPECT_EQ(offered, (std::vector<std::string>{"CASTRO (BG)", "CASTRO (LE)"}));

    const auto cancelled =
        places::calculate(person, index, [](const auto&, fiscalcode::Day) -> const places::Place* {
            return nullptr;
        });
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_FALSE(cancelled.failure);
    EXPECT_TRUE(cancelled.code.empty());
}

TEST_F(TwoCastros, TheDateAndTheProvinceNarrowTheChoice)
{
    CalculationInput before1975 = person;
    before1975.birthDate = "30/04/1975";
    EXPECT_EQ(places::calculate(before1975, index).code.substr(11, 4), "C337");

    CalculationInput withProvince = person;
    withProvince.municipality = "CASTRO (LE)";
    EXPECT_EQ(places::calculate(withProvince, index).code.substr(11, 4), "M261");
    withProvince.municipality = "CASTRO";
    withProvince.province = "bg";
    EXPECT_EQ(places::calculate(withProvince, index).code.substr(11, 4), "C337");

    withProvince.province = "RM";
    const auto elsewhere = places::calculate(withProvince, index);
    ASSERT_TRUE(elsewhere.failure);
    EXPECT_EQ(said(elsewhere), "Comune non presente nella provincia indicata:");
    EXPECT_EQ(lines(elsewhere), (std::vector<std::string>{"CASTRO (BG) C337 dal 17/03/1861",
                                                          "CASTRO (LE) M261 dal 01/05/1975"}));

    CalculationInput tooEarly = person;
    tooEarly.birthDate = "01/01/1850";
    const auto missing = places::calculate(tooEarly, index);
    ASSERT_TRUE(missing.failure);
    EXPECT_EQ(said(missing), "Comune non esistente alla data di nascita:");
    EXPECT_EQ(lines(missing), (std::vector<std::string>{"CASTRO (BG) C337 dal 17/03/1861",
                                                        "CASTRO (LE) M261 dal 01/05/1975"}));
}

// Places renamed or suppressed: the code comes with a notice that names the place as it was on
// the birth date; a name borne only before is refused with what the place was called then.
TEST(Calculation, ANameNotBorneOnTheBirthDateIsSaidSo)
{
    const places::BirthplaceIndex index{
        {{"FIUME VENETO", "D621"},
         {"FIUME", "D621"},
         {"CAMPOSPINOSO ALBAREDO", "B567"},
         {"CAMPOSPINOSO", "B567"},
         {"ORATINO", "G086"},
         {"MARTIRANO LOMBARDO", "E991"},
         {"MARTIRANO", "E991"}},
        {{"D621", {18661119, 19111031, "FIUME", "", "UD"}},
         {"D621", {19111101, 19680405, "FIUME VENETO", "", "UD"}},
         {"D621", {19680406, 99991231, "FIUME VENETO", "", "PN"}},
         {"B567", {18610317, 20231117, "CAMPOSPINOSO", "", "PV"}},
         {"B567", {20231118, 99991231, "CAMPOSPINOSO ALBAREDO", "", "PV"}},
         {"G086", {18610317, 19280512, "ORATINO", "", "CB"}},
         {"G086", {19470522, 99991231, "ORATINO", "", "CB"}},
         {"E991", {18610317, 19291003, "MARTIRANO", "", "CZ"}},
         {"E991", {19291004, 99991231, "MARTIRANO LOMBARDO", "", "CZ"}}}};
    const struct {
        const char* place;
        const char* date;
        const char* code; // the cadastral code in the fiscal code, or the failure's first line
        const char* said; // the notice, or the failure's places
    } cases[] = {
        {"FIUME VENETO", "01/03/1950", "D621", ""},
        {"CAMPOSPINOSO ALBAREDO", "10/03/1990", "B567",
         "CAMPOSPINOSO ALBAREDO il 10/03/1990 si chiamava CAMPOSPINOSO (PV)"},
        {"MARTIRANO (E991)", "10/03/1985", "E991",
         "MARTIRANO il 10/03/1985 si chiamava MARTIRANO LOMBARDO (CZ)"},
        {"E991", "10/03/1985", "E991", ""},
        {"ORATINO", "09/07/1931", "G086",
         "Il comune ORATINO (CB) il 09/07/1931 era soppresso (esisteva dal 17/03/1861 al "
         "12/05/1928 e dal 22/05/1947): il codice è calcolato con il suo codice catastale G086, "
         "ma quello registrato dall'Agenzia delle Entrate può avere invece il codice catastale "
         "del comune che allora ne comprendeva il territorio."},
        {"FIUME", "01/03/1950", "Nessun comune aveva questo nome alla data di nascita:",
         "FIUME (UD) D621 dal 19/11/1866 al 31/10/1911: il 01/03/1950 si chiamava FIUME VENETO "
         "(UD)"},
        {"ORATINO", "01/01/1850", "Comune non esistente alla data di nascita:",
         "ORATINO (CB) G086 dal 17/03/1861 al 12/05/1928 e dal 22/05/1947"},
    };
    for (const auto& c : cases) {
        const auto outcome =
            places::calculate({"ROSSI", "MARIA", c.date, c.place, Sex::Female}, index);
        if (outcome.failure) {
            EXPECT_EQ(said(outcome), c.code) << c.place;
            EXPECT_EQ(lines(outcome), std::vector<std::string>{c.said}) << c.place;
            continue;
        }
        EXPECT_EQ(outcome.code.substr(11, 4), c.code) << c.place;
        EXPECT_EQ(outcome.notice ? messages::noticeText(*outcome.notice) : "", c.said) << c.place;
    }
}

// An archive without history: the cadastral code tells places of one name apart.
TEST(Calculation, PlacesWithoutHistoryAreToldApartByTheirCode)
{
    const places::BirthplaceIndex index{{{"BELLAGIO", "A744"}, {"BELLAGIO", "M335"}}, {}};
    const auto outcome = places::calculate({"ROSSI", "MARIO", "01/01/1980", "BELLAGIO"}, index);
    ASSERT_TRUE(outcome.failure);
    EXPECT_EQ(lines(outcome), (std::vector<std::string>{"BELLAGIO A744", "BELLAGIO M335"}));
    EXPECT_EQ(places::calculate({"ROSSI", "MARIO", "01/01/1980", "BELLAGIO (M335)"}, index)
                  .code.substr(11, 4),
              "M335");
}

TEST(Calculation, NoBirthAfterToday)
{
    const struct {
        const char* date;
        fiscalcode::Day today;
        bool refused;
    } cases[] = {
        {"31/12/2024", 20241231, false},
        {"01/01/2025", 20241231, true},
        {"01/01/2099", 0, true}, // today's real date
        {"29/02/2024", 20240228, true},
    };
    for (const auto& c : cases) {
        CalculationInput input{"ROSSI", "MARIO", c.date, "ROMA"};
        input.today = c.today;
        const auto outcome = places::calculate(input, onePlace("H501"));
        EXPECT_EQ(outcome.failure.has_value(), c.refused) << c.date;
        if (c.refused) {
            EXPECT_EQ(said(outcome),
                      "La data di nascita non può essere successiva alla data di oggi !");
            EXPECT_EQ(outcome.failure->field, InputField::BirthDate);
        }
    }
}

} // namespace
