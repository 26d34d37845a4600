#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

// Where a person was born, as the fiscal code needs it: the municipality or foreign state whose
// cadastral code was in force on the birth date. The index holds the rows of COMUNI (what the
// user can edit) and the history of every code (StoriaComuni), and answers in microseconds:
//
//   1. candidates by name: the rows whose name equals the text, case and accents ignored, a vowel
//      followed by an apostrophe at the end of a word read as that vowel accented (CANTU' is
//      CANTÙ); alternative (bilingual) names count as names. Only when none has that name, the
//      rows whose name matches the text as a pattern (see LikePattern; an apostrophe stands for
//      any one character).
//   2. valid at the birth date: a code counts when any of its periods holds the date; a code
//      without history (a row the user added) is valid at every date.
//   3. in the province, when one is given (after the name as "CASTRO (LE)", or on its own): the
//      province on the birth date or the last one; EE for a foreign state.
//   4. one left is the birthplace; several are left to the user to choose from.
namespace refdata {

class Database;

// A day as the number yyyymmdd, so that days compare as numbers: 19800101.
using Day = std::int32_t;

// The end of a period still in force, 9999-12-31.
inline constexpr Day kForever = 99991231;

// The number of days of `month` (1 to 12) in `year`, leap years counted.
int daysInMonth(int month, int year);

// A day read from "yyyy-mm-dd"; 0 when the text is not of that form or not a day of the calendar
// ("2024-02-30").
Day dayFromIso(std::string_view text);

// "dd/mm/yyyy".
std::string formatDay(Day day);

struct Period {
    Day from = 0; // both days included
    Day to = 0;
    std::string name;
    std::string alternativeName;
    std::string province;
};

// The history of one cadastral code.
struct CodeHistory {
    std::vector<Period> periods; // in time order
    // The times in force: the periods joined where one begins the day after the other ends.
    std::vector<std::pair<Day, Day>> spans;

    bool inForce(Day day) const;
    // The period that holds `day`, else the last one.
    const Period& periodOn(Day day) const;
};

// A row of COMUNI with the history of its code.
struct Place {
    std::string name;
    std::string code;
    const CodeHistory* history = nullptr; // none: a row without history
    // The one time in force of a code that has only one, kept beside the place too: a batch asks
    // it of every person, and this way without looking further.
    std::pair<Day, Day> onlySpan{0, 0};

    bool hasHistory() const { return history != nullptr; }
    bool isForeign() const;
    bool inForce(Day day) const;
    // The province on `day`, else the last one; empty without history.
    std::string provinceOn(Day day) const;
    // The times the code was in force, for messages: "dal 17/03/1861 al 03/02/2014",
    // "dal 04/02/2014", "stato estero", "stato estero cessato nel 1990", "senza storia".
    std::string periodsText() const;
    // The time in force that holds `day` ("dal 28/05/1975", "dal 17/03/1861 al 03/02/2014"),
    // "stato estero" or "senza storia"; periodsText() when no time holds it.
    std::string periodOnText(Day day) const;
    // "CASTRO (LE)" on `day`; the name alone without history.
    std::string describe(Day day) const;
};

struct Birthplace {
    enum class Outcome {
        Found,         // places holds the one
        NotFound,      // no name matches
        NotInForce,    // places holds those named so, none in force on the day
        NotInProvince, // places holds those in force on the day, none in the province
        Ambiguous,     // places holds those left, several
    };
    Outcome outcome = Outcome::NotFound;
    std::vector<const Place*> places;
};

// Whether `code` has the shape of a cadastral code: a capital letter and three digits (H501).
bool isCadastralCode(std::string_view code);

// One row of COMUNI and one period of StoriaComuni, as read from the file.
struct MunicipalityRow {
    std::string name;
    std::string code;
};
struct PeriodRow {
    std::string code;
    Period period;
};

class BirthplaceIndex {
public:
    BirthplaceIndex(const std::vector<MunicipalityRow>& municipalities,
                    const std::vector<PeriodRow>& periods);

    // Reads COMUNI and, when the file has it, StoriaComuni; throws DataError.
    static BirthplaceIndex read(const Database& database);
    static BirthplaceIndex read(const std::string& databaseName);

    // The birthplace of someone born on `day` in `place`; `province` may be empty.
    Birthplace resolve(std::string_view place, Day day, std::string_view province = {}) const;

    // The candidates by name alone (step 1), with the province that the text names, if any.
    struct NamedPlaces {
        std::vector<const Place*> places;
        std::string province;
    };
    NamedPlaces candidates(std::string_view place) const;
    // Steps 2 to 4 on the candidates of step 1.
    static Birthplace choose(const NamedPlaces& named, Day day, std::string_view province);

    // The history of a cadastral code (capitals), or nullptr.
    const CodeHistory* history(std::string_view code) const;

private:
    std::vector<const Place*> byName(std::string_view text) const;
    std::vector<const Place*> byPattern(std::string_view text) const;

    // Moving the index keeps the periods where they are, so the places' pointers stay valid.
    std::unordered_map<std::string, CodeHistory> histories_;
    std::vector<Place> places_;
    std::unordered_map<std::string, std::vector<std::uint32_t>> names_; // by nameKey
};

// The key under which names are compared: capitals without accents, a vowel's apostrophe at the
// end of a word dropped (CANTU' and CANTÙ give CANTU), typographic apostrophes as "'", blanks
// trimmed and runs of them made one.
std::string nameKey(std::string_view name);

} // namespace refdata
