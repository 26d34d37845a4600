// The birthplace of a person: by name, by date, by province.
#include "data/birthplaces.h"
#include "data/csv.h"
#include "data/database.h"
#include "tests/testsupport.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

using refdata::Birthplace;
using refdata::BirthplaceIndex;
using Outcome = refdata::Birthplace::Outcome;

namespace {

// "FOUND H501", "AMBIGUOUS C337 M261", ...: what a resolution says, in one comparable line.
std::string answer(const Birthplace& birthplace)
{
    const char* outcomes[] = {"FOUND", "NOT FOUND", "NOT IN FORCE", "NOT IN PROVINCE", "AMBIGUOUS"};
    std::string answer = outcomes[static_cast<int>(birthplace.outcome)];
    for (const auto* place : birthplace.places) {
        answer += " " + place->code;
    }
    return answer;
}

refdata::Period always(const char* name, const char* province)
{
    return {18610317, 99991231, name, "", province};
}

TEST(NameKey, IgnoresCaseAccentsAndAVowelsApostropheAtTheEndOfAWord)
{
    EXPECT_EQ(refdata::nameKey("Cantù"), "CANTU");
    EXPECT_EQ(refdata::nameKey("CANTU'"), "CANTU");
    EXPECT_EQ(refdata::nameKey("cantu’"), "CANTU");
    EXPECT_EQ(refdata::nameKey("CITTA' DI CASTELLO"), "CITTA DI CASTELLO");
    EXPECT_EQ(refdata::nameKey("MALÉ"), refdata::nameKey("MALÈ"));
    EXPECT_NE(refdata::nameKey("MALE'"), refdata::nameKey("MALEO"));
    // An apostrophe inside a word, or after a consonant, is part of the name.
    EXPECT_EQ(refdata::nameKey("SANT'ANGELO"), "SANT'ANGELO");
    EXPECT_EQ(refdata::nameKey("sant’angelo"), "SANT'ANGELO");
    EXPECT_EQ(refdata::nameKey("D'"), "D'");
    EXPECT_EQ(refdata::nameKey("  VILLA   SANT'ANGELO "), "VILLA SANT'ANGELO");
    EXPECT_EQ(refdata::nameKey(""), "");
}

// A small register: two CASTRO, a municipality that changed its code, a renamed one with a
// bilingual name, a foreign state sharing a municipality's name, and a row the user added.
class SmallRegister : public ::testing::Test {
protected:
    BirthplaceIndex index{{{"CASTRO", "C337"},
                           {"CASTRO", "M261"},
                           {"BELLAGIO", "M335"},
                           {"BELLAGIO", "A744"},
                           {"BOLZANO", "A952"},
                           {"PALAU", "G258"},
                           {"PALAU", "Z734"},
                           {"ISOLE COOK (NZ)", "Z703"},
                           {"NUOVO COMUNE", "x001"},
                           {"ROMA", "h501"}},
                          {{"C337", always("CASTRO", "BG")},
                           {"M261", {19750528, 99991231, "CASTRO", "", "LE"}},
                           {"A744", {18610317, 20140203, "BELLAGIO", "", "CO"}},
                           {"M335", {20140204, 99991231, "BELLAGIO", "", "CO"}},
                           {"A952", {19270112, 99991231, "BOLZANO", "BOZEN", "BZ"}},
                           {"A952", {19201016, 19270111, "BOLZANO", "BOZEN", "TN"}},
                           {"G258", {19590408, 20051231, "PALAU", "", "SS"}},
                           {"G258", {20060101, 20160427, "PALAU", "", "OT"}},
                           {"G258", {20160428, 99991231, "PALAU", "", "SS"}},
                           {"Z734", {10101, 99991231, "PALAU", "", "EE"}},
                           {"Z703", {10101, 99991231, "ISOLE COOK (NZ)", "", "EE"}},
                           {"H501", always("ROMA", "RM")}}};
};

TEST_F(SmallRegister, TheBirthDateChoosesTheCodeInForce)
{
    EXPECT_EQ(answer(index.resolve("BELLAGIO", 19800101)), "FOUND A744");
    EXPECT_EQ(answer(index.resolve("BELLAGIO", 20140203)), "FOUND A744");
    EXPECT_EQ(answer(index.resolve("BELLAGIO", 20140204)), "FOUND M335");
    EXPECT_EQ(answer(index.resolve("CASTRO", 19750527)), "FOUND C337");
    EXPECT_EQ(answer(index.resolve("CASTRO", 19750528)), "AMBIGUOUS C337 M261");
    EXPECT_EQ(answer(index.resolve("BOLZANO", 19000101)), "NOT IN FORCE A952");
    EXPECT_EQ(index.resolve("BOLZANO", 19000101).places[0]->periodsText(), "dal 16/10/1920");
    EXPECT_EQ(answer(index.resolve("ATLANTIDE", 19800101)), "NOT FOUND");
}

TEST_F(SmallRegister, AProvinceNarrowsBySuffixOrOnItsOwn)
{
    EXPECT_EQ(answer(index.resolve("CASTRO (LE)", 19800101)), "FOUND M261");
    EXPECT_EQ(answer(index.resolve("castro(le)", 19800101)), "FOUND M261");
    EXPECT_EQ(answer(index.resolve("CASTRO", 19800101, "BG")), "FOUND C337");
    EXPECT_EQ(answer(index.resolve("CASTRO (RM)", 19800101)), "NOT IN PROVINCE C337 M261");
    EXPECT_EQ(answer(index.resolve("CASTRO (LE)", 19800101, "BG")), "NOT IN PROVINCE C337 M261");
    EXPECT_EQ(answer(index.resolve("PALAU", 20100101)), "AMBIGUOUS G258 Z734");
    EXPECT_EQ(answer(index.resolve("PALAU (EE)", 20100101)), "FOUND Z734");
    // The province of the birth date, or the last one.
    EXPECT_EQ(answer(index.resolve("PALAU (OT)", 20100101)), "FOUND G258");
    EXPECT_EQ(answer(index.resolve("PALAU (SS)", 20100101)), "FOUND G258");
    EXPECT_EQ(answer(index.resolve("PALAU (OT)", 20200101)), "NOT IN PROVINCE G258 Z734");
    // A name that itself ends in brackets is a name.
    EXPECT_EQ(answer(index.resolve("isole cook (nz)", 19800101)), "FOUND Z703");
}

TEST_F(SmallRegister, AlternativeNamesAndPatternsFindPlacesToo)
{
    EXPECT_EQ(answer(index.resolve("bozen", 19800101)), "FOUND A952");
    // The pattern rules apply only when no name is equal.
    EXPECT_EQ(answer(index.resolve("BELLAGI?", 19800101)), "FOUND A744");
    EXPECT_EQ(answer(index.resolve("CAST*", 19800101)), "AMBIGUOUS C337 M261");
    EXPECT_EQ(answer(index.resolve("CAST* (LE)", 19800101)), "FOUND M261");
    EXPECT_EQ(answer(index.resolve("[", 19800101)), "NOT FOUND");
    EXPECT_EQ(answer(index.resolve(std::string(1, '\0'), 19800101)), "NOT FOUND");
}

TEST_F(SmallRegister, RowsWithoutHistoryAreValidAtEveryDate)
{
    EXPECT_EQ(answer(index.resolve("NUOVO COMUNE", 18000101)), "FOUND x001");
    // Without a province of its own, such a row stands only where no other one does.
    EXPECT_EQ(answer(index.resolve("NUOVO COMUNE (MI)", 19800101)), "FOUND x001");
    // The history belongs to the code, whatever the letter case it is stored in.
    EXPECT_EQ(answer(index.resolve("ROMA (RM)", 19800101)), "FOUND h501");
    EXPECT_EQ(answer(index.resolve("ROMA (MI)", 19800101)), "NOT IN PROVINCE h501");
}

TEST(BirthplaceFile, AFileWithoutHistoryIsReadAsSuch)
{
    WorkingFolder folder;
    makeDatabase(folder.path() / "AA1.mdb", {{"ROMA", "H501"}, {"CASTRO", "C337"}});
    sqlite3* db = nullptr;
    sqlite3_open("AA1.mdb", &db);
    sqlite3_exec(db, "DROP TABLE StoriaComuni", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    const auto index = BirthplaceIndex::read("AA1.mdb");
    EXPECT_EQ(answer(index.resolve("castro", 17000101)), "FOUND C337");
}

// --- The shipped table against the register's own periods, read here from the seed files. ---

// Capitals without the accents that the register's names hold.
std::string plain(const std::string& name)
{
    static const std::map<std::string, char> accented = {
        {"À", 'A'}, {"Â", 'A'}, {"Ä", 'A'}, {"Ç", 'C'}, {"È", 'E'},
        {"É", 'E'}, {"Ê", 'E'}, {"Ì", 'I'}, {"Ò", 'O'}, {"Ô", 'O'},
        {"Ö", 'O'}, {"Ù", 'U'}, {"Ü", 'U'}, {"Š", 'S'}, {"Ž", 'Z'}};
    std::string plain;
    for (std::size_t i = 0; i < name.size();) {
        const std::size_t length = static_cast<unsigned char>(name[i]) < 0x80 ? 1 : 2;
        const auto found = accented.find(name.substr(i, length));
        plain += found != accented.end()         ? found->second
                 : name.substr(i, length) == "ß" ? 'S'
                                                 : name[i];
        i += length;
    }
    return plain;
}

struct RegisterPeriod {
    refdata::Day from;
    refdata::Day to;
    std::string province;
};

struct Register {
    std::vector<std::pair<std::string, std::string>> rows; // COMUNI: name, code
    std::map<std::string, std::vector<RegisterPeriod>> periods;
    std::map<std::string, std::set<std::string>> alternatives; // code: its other names
};

Register readRegister()
{
    Register reg;
    std::vector<std::string> fields;
    std::ifstream comuni(MIRELTA_SEED_DIR "/COMUNI.csv");
    refdata::CsvReader rows(comuni);
    rows.next(fields);
    while (rows.next(fields)) {
        reg.rows.emplace_back(fields[0], fields[1]);
    }
    std::ifstream history(MIRELTA_SEED_DIR "/StoriaComuni.csv");
    refdata::CsvReader periods(history);
    periods.next(fields);
    while (periods.next(fields)) {
        const auto day = [](const std::string& iso) {
            return std::stoi(iso.substr(0, 4) + iso.substr(5, 2) + iso.substr(8, 2));
        };
        reg.periods[fields[0]].push_back({day(fields[4]), day(fields[5]), fields[3]});
        if (!fields[2].empty()) {
            reg.alternatives[fields[0]].insert(fields[2]);
        }
    }
    return reg;
}

TEST(ShippedBirthplaces, AgreeWithTheRegistersPeriodsOnRandomPersons)
{
    const Register reg = readRegister();
    ASSERT_GT(reg.rows.size(), 10000u);
    const auto index = BirthplaceIndex::read(MIRELTA_DATABASE);
    std::mt19937 random(20261208);
    const auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    std::map<std::string, std::set<std::string>> byPlainName;
    std::map<std::string, std::set<std::string>> byOtherName;
    for (const auto& [name, code] : reg.rows) {
        byPlainName[plain(name)].insert(code);
        if (reg.alternatives.count(code)) {
            for (const auto& other : reg.alternatives.at(code)) {
                byOtherName[other].insert(code);
            }
        }
    }
    int ambiguous = 0;
    for (int i = 0; i < 20000; ++i) {
        const auto& [name, code] =
            reg.rows[static_cast<std::size_t>(pick(0, static_cast<int>(reg.rows.size()) - 1))];
        const auto& own = reg.periods.at(code);
        // Mostly days when the place existed, sometimes any day.
        refdata::Day day = pick(1861, 2025) * 10000 + pick(1, 12) * 100 + pick(1, 28);
        if (pick(0, 3) > 0 && own.front().from > 10101) {
            const auto& period =
                own[static_cast<std::size_t>(pick(0, static_cast<int>(own.size()) - 1))];
            day = std::min(period.to, std::max(period.from, day));
        }
        const bool withProvince = pick(0, 1) == 1;
        std::string province;
        for (const auto& p : own) {
            if (p.from <= day && day <= p.to) {
                province = p.province;
            }
        }
        if (province.empty()) {
            province = own.back().province;
        }

        // Every code whose name (or other name) reads the same, in force on the day, and in the
        // province when one is given.
        std::set<std::string> named = byPlainName[plain(name)];
        named.insert(byOtherName[name].begin(), byOtherName[name].end());
        std::set<std::string> expected;
        for (const auto& candidate : named) {
            std::string onDay;
            bool inForce = false;
            for (const auto& p : reg.periods.at(candidate)) {
                if (p.from <= day && day <= p.to) {
                    inForce = true;
                    onDay = p.province;
                }
            }
            const std::string last = reg.periods.at(candidate).back().province;
            if (inForce && (!withProvince || onDay == province || last == province)) {
                expected.insert(candidate);
            }
        }

        const Birthplace found = index.resolve(name, day, withProvince ? province : "");
        std::set<std::string> codes;
        for (const auto* place : found.places) {
            codes.insert(place->code);
        }
        const std::string what = name + " " + std::to_string(day) + " " + province;
        if (expected.size() == 1) {
            EXPECT_EQ(found.outcome, Outcome::Found) << what;
            EXPECT_EQ(codes, expected) << what;
        } else if (expected.size() > 1) {
            ++ambiguous;
            EXPECT_EQ(found.outcome, Outcome::Ambiguous) << what;
            EXPECT_EQ(codes, expected) << what;
        } else {
            EXPECT_TRUE(found.outcome == Outcome::NotInForce ||
                        found.outcome == Outcome::NotInProvince)
                << what;
        }
    }
    EXPECT_GT(ambiguous, 10); // the sample does reach shared names
}

} // namespace
