#include "fiscalcode/dates.h"
#include "fiscalcode/fiscalcode.h"
#include "messages/texts.h"
#include "places/verification.h"
#include "storage/birthplacefile.h"
#include "storage/database.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

using places::verifyFiscalCode;

namespace {

constexpr fiscalcode::Day kToday = 20251231;

std::string withCheck(std::string body)
{
    return body + fiscalcode::CheckCharacter(body);
}

// Why a code is not valid, as the user reads it; empty for a valid code.
std::string reason(const fiscalcode::CheckedCode& checked)
{
    return checked.fault ? messages::faultText(*checked.fault) : std::string();
}

// Every period of every cadastral code in the shipped database.
std::vector<places::PeriodRow> shippedPeriods()
{
    const storage::Database database(std::filesystem::path(MIRELTA_DATABASE));
    const storage::Statement statement =
        database.prepare("SELECT codice, comune, provincia, dal, al FROM StoriaComuni");
    std::vector<places::PeriodRow> periods;
    while (sqlite3_step(statement.get()) == SQLITE_ROW) {
        const auto text = [&](int column) {
            return std::string(
                reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), column)));
        };
        periods.push_back({text(0),
                           {fiscalcode::dayFromIso(text(3)), fiscalcode::dayFromIso(text(4)),
                            text(1), "", text(2)}});
    }
    return periods;
}

// Persons born in the last 99 years in places of the shipped database (current and ceased
// municipalities, foreign states), in every month, men and women, with their codes as the
// program computes them, come back from the decoder as they went in; so do the seven omocodia
// variants of each code.
TEST(Verification, ComputedCodesAndTheirVariantsDecodeToThePerson)
{
    const auto places = storage::readBirthplaces(std::filesystem::path(MIRELTA_DATABASE));
    const std::vector<places::PeriodRow> periods = shippedPeriods();
    ASSERT_GT(periods.size(), 10'000u);
    const char* surnames[] = {"ROSSI", "D'ANGELO", "Nicolò", "O", "DE LUCA", "Müller"};
    const char* givenNames[] = {"MARIO", "anna maria", "GIANFRANCO", "ÈVA", "LI", "YVONNE"};
    std::mt19937 random(20251231);
    const auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    const fiscalcode::Day earliest = kToday - 990000 + 1; // 99 years back, the day after
    int foreign = 0;
    int ceased = 0;
    for (int person = 0; person < 1200; ++person) {
        const places::PeriodRow* row = nullptr;
        fiscalcode::Day day = 0;
        const int month = person % 12 + 1;
        while (day == 0) { // a period in force some time in those 99 years, then a day in it
            row = &periods[static_cast<std::size_t>(pick(0, static_cast<int>(periods.size()) - 1))];
            const int from = std::max(row->period.from, earliest) / 10000;
            const int to = std::min(row->period.to, kToday) / 10000;
            if (from > to) {
                continue;
            }
            const int year = pick(from, to);
            const fiscalcode::Day candidate =
                year * 10000 + month * 100 + pick(1, fiscalcode::daysInMonth(month, year));
            if (candidate >= std::max(row->period.from, earliest) &&
                candidate <= std::min(row->period.to, kToday)) {
                day = candidate;
            }
        }
        foreign += row->period.province == "EE";
        ceased += row->period.province != "EE" && row->period.to < 99991231;
        const fiscalcode::Sex sex = person % 2 ? fiscalcode::Sex::Female : fiscalcode::Sex::Male;
        const places::CalculationInput input{
            .surname = surnames[person % 6],
            .givenName = givenNames[person / 6 % 6],
            .birthDate = fiscalcode::formatDay(day),
            .municipality = row->period.name + " (" + row->period.province + ")",
            .sex = sex,
        };
        const std::string code = fiscalcode::ComputeFiscalCode(
            {input.surname, input.givenName, fiscalcode::readBirthDate(input.birthDate).value(),
             sex, fiscalcode::CadastralCode::read(row->code).value()});
        std::vector<std::string> written = {code};
        for (const std::string& variant : fiscalcode::omocodiaVariants(code)) {
            written.push_back(variant);
        }
        for (const std::string& text : written) {
            const auto verified = verifyFiscalCode(text, places, kToday);
            ASSERT_TRUE(verified.valid()) << text << ": " << reason(verified);
            EXPECT_EQ(verified.isOmocodia(), text != code) << text;
            EXPECT_EQ(verified.baseCode, code);
            EXPECT_EQ(verified.sex, sex) << text;
            EXPECT_EQ(verified.birthDay, day) << text;
            EXPECT_EQ(verified.cadastralCode, row->code) << text;
            EXPECT_EQ(messages::birthplaceText(verified), input.municipality) << text;
            EXPECT_TRUE(places::matchPerson(verified, input, places).all())
                << text << " " << input.municipality << " " << input.birthDate;
        }
    }
    EXPECT_GT(foreign, 10);
    EXPECT_GT(ceased, 10);
}

TEST(Verification, VariantsFollowTheOfficesOrder)
{
    const std::string base = "RSSMRA74A01H501W";
    const std::vector<std::string> expected = {
        withCheck("RSSMRA74A01H50M"), withCheck("RSSMRA74A01H5LM"), withCheck("RSSMRA74A01HRLM"),
        withCheck("RSSMRA74A0MHRLM"), withCheck("RSSMRA74ALMHRLM"), withCheck("RSSMRA7QALMHRLM"),
        withCheck("RSSMRATQALMHRLM"),
    };
    const auto variants = fiscalcode::omocodiaVariants(base);
    EXPECT_EQ(std::vector<std::string>(variants.begin(), variants.end()), expected);
    for (const std::string& variant : expected) {
        EXPECT_EQ(fiscalcode::baseCode(variant), base);
    }
    // Any mixture of letters and digits in the digit places is read back.
    EXPECT_EQ(fiscalcode::baseCode("RSSMRAT4A0MH5L1X"), base);
}

TEST(Verification, EachFaultHasItsOwnReason)
{
    const auto letter = [](const char* shown, int place) {
        return "carattere «" + std::string(shown) + "» non ammesso in posizione " +
               std::to_string(place) + ": attesa una lettera";
    };
    const auto digit = [](const char* shown, int place) {
        return "carattere «" + std::string(shown) + "» non ammesso in posizione " +
               std::to_string(place) + ": attesa una cifra o una delle lettere L M N P Q R S T U V";
    };
    const auto day = [](const char* digits) {
        return "giorno " + std::string(digits) +
               " non valido: da 01 a 31 per gli uomini, da 41 a 71 per le donne";
    };
    const struct {
        std::string text;
        std::string reason;
    } cases[] = {
        {"RSSMRA74A01H501", "lunghezza errata: 15 caratteri invece di 16"},
        {"RSSMRA74A01H501WW", "lunghezza errata: 17 caratteri invece di 16"},
        {"R", "lunghezza errata: 1 carattere invece di 16"},
        {"   ", "lunghezza errata: 0 caratteri invece di 16"},
        {"RSSMRÀ74A01H501", "lunghezza errata: 15 caratteri invece di 16"}, // characters, not bytes
        {"RSSMRÀ74A01H501W", letter("À", 6)},
        {"RSSMR\xFF"
         "74A01H501W",
         letter("\xEF\xBF\xBD", 6)}, // not UTF-8
        {"RSS MRA74A01H501", letter(" ", 4)},
        {"RSSMR474A01H501W", letter("4", 6)},
        {"RSSMRA7AA01H501W", digit("A", 8)},
        {"RSSMRA74A01H50-W", digit("-", 15)},
        {"RSSMRA74A011501W", letter("1", 12)},
        {"RSSMRA74A01H5011", letter("1", 16)},
        {"RSSMRA74F01H501W", "lettera del mese «F» non valida: ammesse A B C D E H L M P R S T"},
        {"RSSMRA74A00H501W", day("00")},
        {"RSSMRA74A32H501W", day("32")},
        {"RSSMRA74A40H501W", day("40")},
        {"RSSMRA74A72H501W", day("72")},
        {"RSSMRA74APNH501W", day("32")}, // omocodia letters for 3 and 2
        {"RSSMRA74B31H501W", "data di nascita inesistente: 31/02/74"},
        {"RSSMRA74B71H501W", "data di nascita inesistente: 31/02/74"},
        {"RSSMRA74D31H501W", "data di nascita inesistente: 31/04/74"},
        {"RSSMRA01B29H501W", "data di nascita inesistente: 29/02/01"},
        {"RSSMRA74A01H501X", "carattere di controllo errato: atteso W, trovato X"},
        {"RSSMRA74A01H50MW", "carattere di controllo errato: atteso " +
                                 withCheck("RSSMRA74A01H50M").substr(15) + ", trovato W"},
    };
    const places::BirthplaceIndex none({}, {});
    for (const auto& c : cases) {
        const auto verified = verifyFiscalCode(c.text, none, kToday);
        EXPECT_EQ(reason(verified), c.reason) << c.text;
        EXPECT_FALSE(verified.valid());
        EXPECT_EQ(verified.baseCode + verified.cadastralCode + verified.placeName, "");
        EXPECT_FALSE(verified.sex);
        EXPECT_EQ(verified.birthDay, 0);
    }
}

TEST(Verification, SmallLettersAndBlanksAroundAreAccepted)
{
    const places::BirthplaceIndex none({}, {});
    const std::string code = withCheck("RSSMRA74A01H50M");
    std::string typed = " \t" + code + "\n";
    std::transform(typed.begin(), typed.end(), typed.begin(), ::tolower);
    const auto verified = verifyFiscalCode(typed, none, kToday);
    ASSERT_TRUE(verified.valid()) << reason(verified);
    EXPECT_EQ(verified.code, code);
    EXPECT_EQ(verified.baseCode, "RSSMRA74A01H501W");
    EXPECT_TRUE(verified.isOmocodia());
    EXPECT_EQ(verified.birthDate(), "01/01/1974");
    EXPECT_EQ(verified.cadastralCode, "H501");
    // A place the database does not know is unknown, not a fault of the code.
    EXPECT_FALSE(verified.placeKnown);
    EXPECT_EQ(messages::birthplaceText(verified),
              "sconosciuto (codice catastale non presente in archivio)");
}

// The form alone, with times handed in by whoever keeps them: the century follows them, asked for
// the cadastral code with its digits (A7QQ is A744).
TEST(CodeForm, TheCenturyFollowsTheTimesInForceHandedIn)
{
    const fiscalcode::Spans untilMerged = {{18610317, 20140203}};
    const fiscalcode::Spans inNoCentury = {{19500101, 19601231}};
    const struct {
        const fiscalcode::Spans* times;
        const char* birthDate;
    } cases[] = {
        {nullptr, "01/01/2020"},
        {&untilMerged, "01/01/1920"},
        {&inNoCentury, "01/01/2020"},
    };
    for (const auto& c : cases) {
        std::string asked;
        const auto times = [&](std::string_view cadastralCode) {
            asked = cadastralCode;
            return c.times;
        };
        const fiscalcode::CheckedCode checked =
            fiscalcode::checkFiscalCode(withCheck("RSSMRA20A01A7QQ"), kToday, times);
        ASSERT_TRUE(checked.valid()) << reason(checked);
        EXPECT_EQ(checked.birthDate(), c.birthDate);
        EXPECT_EQ(asked, "A744");
        EXPECT_EQ(checked.cadastralCode, "A744");
    }
    EXPECT_EQ(fiscalcode::checkFiscalCode(withCheck("RSSMRA20A01A744"), kToday).birthDate(),
              "01/01/2020");
}

// Places whose codes were in force at known times.
class Century : public ::testing::Test {
protected:
    std::string decodedDate(const std::string& body, fiscalcode::Day today = kToday) const
    {
        const auto verified = verifyFiscalCode(withCheck(body), places, today);
        return verified.valid() ? verified.birthDate() + " " + messages::birthplaceText(verified)
                                : reason(verified);
    }

    places::BirthplaceIndex places{
        {{"ROMA", "H501"}, {"BELLAGIO", "A744"}, {"BELLAGIO", "M335"}, {"ABANO", "A001"}},
        {{"H501", {18710201, 99991231, "ROMA", "", "RM"}},
         {"A744", {18610317, 20140203, "BELLAGIO", "", "CO"}},
         {"M335", {20140204, 99991231, "BELLAGIO", "", "CO"}},
         {"A001", {18661119, 19241113, "ABANO", "", "PD"}},
         {"A001", {19241114, 99991231, "ABANO TERME", "", "PD"}},
         {"Z110", {10101, 99991231, "FRANCIA", "", "EE"}},
         {"Z999", {10101, 19901231, "STATO CESSATO", "", "EE"}}}};
};

TEST_F(Century, TheLatestYearNotAfterToday)
{
    EXPECT_EQ(decodedDate("RSSMRA25A01H501", 20250101), "01/01/2025 ROMA (RM)");
    EXPECT_EQ(decodedDate("RSSMRA25A01H501", 20241231), "01/01/1925 ROMA (RM)");
    EXPECT_EQ(decodedDate("RSSMRA25A02H501", 20250101), "02/01/1925 ROMA (RM)");
    EXPECT_EQ(decodedDate("RSSMRA99T31Z110", 20000101), "31/12/1999 FRANCIA (EE)");
    EXPECT_EQ(decodedDate("RSSMRA00B69Z110"), "29/02/2000 FRANCIA (EE)");
    // Unknown code: no history to fit.
    EXPECT_EQ(decodedDate("RSSMRA20A01Z998"),
              "01/01/2020 sconosciuto (codice catastale non presente in archivio)");
}

TEST_F(Century, ACodeInForceOnlyInOneCenturyDecidesIt)
{
    EXPECT_EQ(decodedDate("RSSMRA20A01A744"), "01/01/1920 BELLAGIO (CO)");
    EXPECT_EQ(decodedDate("RSSMRA20A01M335"), "01/01/2020 BELLAGIO (CO)");
    EXPECT_EQ(decodedDate("RSSMRA14B03A744"), "03/02/2014 BELLAGIO (CO)"); // its last day
    EXPECT_EQ(decodedDate("RSSMRA14B04A744"), "04/02/1914 BELLAGIO (CO)");
    EXPECT_EQ(decodedDate("RSSMRA95A01Z999"), "01/01/1895 STATO CESSATO (EE)");
    // No century fits: the latest not after today, the code's place of its last period.
    EXPECT_EQ(decodedDate("RSSMRA14B03M335"), "03/02/2014 BELLAGIO (CO)");
    // 1900 had no 29 February: the state had ceased, yet 2000 is the only year that fits.
    EXPECT_EQ(decodedDate("RSSMRA00B29Z999"), "29/02/2000 STATO CESSATO (EE)");
    EXPECT_EQ(decodedDate("RSSMRA04B29Z999"), "29/02/1904 STATO CESSATO (EE)");
}

TEST_F(Century, ThePlaceIsTheOneOfTheBirthDate)
{
    EXPECT_EQ(decodedDate("RSSMRA24S13A001", 19500101), "13/11/1924 ABANO (PD)");
    EXPECT_EQ(decodedDate("RSSMRA24S14A001", 19500101), "14/11/1924 ABANO TERME (PD)");
    EXPECT_EQ(decodedDate("RSSMRA60A01A001"), "01/01/1960 ABANO TERME (PD)");
}

// Two municipalities of one name, as the calculation finds them.
class MatchWithAPerson : public ::testing::Test {
protected:
    std::string agreeing(const places::CalculationInput& person,
                         const std::string& code = "RSSMRA80A01M261X") const
    {
        const auto match =
            places::matchPerson(verifyFiscalCode(code, places, kToday), person, places);
        return std::string(match.surname ? "S" : "-") + (match.givenName ? "N" : "-") +
               (match.dateAndSex ? "D" : "-") + (match.place ? "P" : "-");
    }

    places::BirthplaceIndex places{{{"CASTRO", "C337"}, {"CASTRO", "M261"}, {"ROMA", "H501"}},
                                   {{"C337", {18610317, 99991231, "CASTRO", "", "BG"}},
                                    {"M261", {19750501, 99991231, "CASTRO", "", "LE"}},
                                    {"H501", {18710201, 99991231, "ROMA", "", "RM"}}}};
    const places::CalculationInput person{"Rossi", "Mario", "01/01/1980", "CASTRO"};
};

TEST_F(MatchWithAPerson, SaysWhichPartsAgree)
{
    ASSERT_EQ(fiscalcode::ComputeFiscalCode(
                  {"ROSSI", "MARIO", {1, 1, 1980}, fiscalcode::Sex::Male, "M261"}),
              "RSSMRA80A01M261X");
    const auto with = [this](auto change) {
        places::CalculationInput changed = person;
        change(changed);
        return changed;
    };
    using Input = places::CalculationInput;
    EXPECT_EQ(agreeing(person), "SNDP"); // the code tells which CASTRO
    EXPECT_EQ(agreeing(person, withCheck("RSSMRAULALMMNSM")), "SNDP"); // omocodia
    EXPECT_EQ(agreeing(with([](Input& p) { p.surname = "BIANCHI"; })), "-NDP");
    EXPECT_EQ(agreeing(with([](Input& p) { p.surname = ""; })), "-NDP");
    EXPECT_EQ(agreeing(with([](Input& p) { p.surname = "ROSSIΣ"; })), "-NDP");
    EXPECT_EQ(agreeing(with([](Input& p) { p.givenName = "LUCA"; })), "S-DP");
    EXPECT_EQ(agreeing(with([](Input& p) { p.birthDate = "1/1/80"; })), "SNDP");
    EXPECT_EQ(agreeing(with([](Input& p) { p.birthDate = "02/01/1980"; })), "SN-P");
    // The code holds no century; the place of 1880 is the other CASTRO.
    EXPECT_EQ(agreeing(with([](Input& p) { p.birthDate = "01/01/1880"; })), "SND-");
    EXPECT_EQ(agreeing(with([](Input& p) { p.birthDate = "31/02/1980"; })), "SN-P");
    EXPECT_EQ(agreeing(with([](Input& p) { p.sex = fiscalcode::Sex::Female; })), "SN-P");
    EXPECT_EQ(agreeing(with([](Input& p) { p.sex = std::nullopt; })), "SN-P");
    EXPECT_EQ(agreeing(with([](Input& p) { p.municipality = "CASTRO (LE)"; })), "SNDP");
    EXPECT_EQ(agreeing(with([](Input& p) { p.municipality = "CASTRO (BG)"; })), "SND-");
    EXPECT_EQ(agreeing(with([](Input& p) { p.province = "BG"; })), "SND-");
    EXPECT_EQ(agreeing(with([](Input& p) { p.municipality = "ROMA"; })), "SND-");
    EXPECT_EQ(agreeing(with([](Input& p) { p.municipality = "ATLANTIDE"; })), "SND-");
    // The place before CASTRO (LE) existed is not this code's.
    EXPECT_EQ(agreeing(with([](Input& p) { p.birthDate = "01/01/1970"; })), "SN--");
    // Nothing agrees with a code that is not valid.
    EXPECT_EQ(agreeing(person, "RSSMRA80A01M261Y"), "----");
}

} // namespace
