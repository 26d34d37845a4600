#pragma once

#include "fiscalcode/dates.h"
#include "fiscalcode/fiscalcode.h"

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

// Where a person was born, as the fiscal code needs it: the municipality or foreign state whose
// cadastral code was in force on the birth date, under the name the person gives. The index holds
// the rows of COMUNI (what the user can edit) and the history of every code (StoriaComuni), where
// each period keeps the name, alternative name and province the place bore in it:
//
//   1. candidates by name: the rows whose name equals the text, case and accents ignored, letters
//      read in the plain alphabet as in a person's name (Æ is AE, ß is SS), a vowel followed by
//      an apostrophe at the end of a word read as that vowel accented (CANTU' is CANTÙ); the
//      alternative (bilingual) names of the history count as names. When some are written as the
//      text, accents included, the others drop out (PATERNÒ is not PATERNO, nor PATERNO
//      PATERNÒ). Only when none has that name, the text as a cadastral code (E990), or as a name
//      followed by a province or a code in brackets ("CASTRO (LE)", "MARTIRANO (E990)"); then the
//      rows whose name matches the text as a pattern (see text::LikePattern; an apostrophe stands
//      for any one character).
//   2. in the province, when one is given: the province on the birth date or the last one; EE for
//      a foreign state.
//   3. by the birth date, the most fitting of (see Naming): the places that bore the name on that
//      day; else those in force under another name that bore it later (the user writes today's
//      name); else the municipalities suppressed on that day and re-established later. A name
//      borne only before the day counts for nothing. A code given as such counts whenever it was
//      in force, or suppressed, whatever its name.
//   4. one place per code; one left is the birthplace, several are left to the user to choose
//      from.
//
// The index is built from rows handed to it; reading them from the database is the storage's.
namespace places {

// Places count days as the fiscal code does.
using fiscalcode::Day;
using fiscalcode::kForever;
using fiscalcode::Spans;

// The longest name of a place, in characters, that the windows take: the calculation window's
// birthplace field.
inline constexpr std::size_t kPlaceNameCharacters = 50;

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
    Spans spans;

    bool inForce(Day day) const;
    // The period that holds `day`, or nullptr.
    const Period* periodHolding(Day day) const;
    // The period that holds `day`, else the last one.
    const Period& periodOn(Day day) const;
};

// How a place's name stands on a day, from the most fitting to the least.
enum class Naming {
    AsNamed,     // in force under this name (a row without history: at every date)
    LaterName,   // in force under another name, and named so later
    Suspended,   // not in force, but before and after that day
    EarlierName, // in force under another name, and named so only before
    NotInForce,  // none of these
};

// A row of COMUNI, or an alternative name of the history, with the history of its code.
struct Place {
    std::string name;
    std::string code;
    const CodeHistory* history = nullptr; // none: a row without history
    // The times the code bore this name, as its name or its alternative name, when they are not
    // all its times in force; empty when they are, as for most places, and when the history never
    // knew the name (a row the user renamed).
    Spans otherSpans{};
    // The one time the code bore this name, when there is only one, kept here too: a batch asks
    // of every person whether it holds the birth date, and this way without looking further.
    std::pair<Day, Day> onlyTimeNamed{0, 0};

    bool hasHistory() const { return history != nullptr; }
    // The times the code bore this name; see otherSpans. Only with history.
    const Spans& timesNamed() const { return otherSpans.empty() ? history->spans : otherSpans; }
    bool isForeign() const;
    // Whether the code was in force on `day`, under any name.
    bool inForce(Day day) const;
    Naming naming(Day day) const;
    // The province on `day`, else the last one; empty without history.
    std::string provinceOn(Day day) const;
    // "CASTRO (LE)": the name and province on `day`; the name alone without history.
    std::string describe(Day day) const;
    // "FIUME (UD)": this name with the province of the last time the code bore it.
    std::string describeAsNamed() const;
};

struct Birthplace {
    enum class Outcome {
        Found,         // places holds the one
        NotFound,      // no name matches
        NotInForce,    // places holds those named so, none in force under that name on the day
        NotInProvince, // places holds those that fit the day, none in the province
        Ambiguous,     // places holds those left, several
    };
    Outcome outcome = Outcome::NotFound;
    std::vector<const Place*> places;
};

// Whether a text has the shape of a cadastral code, as the fiscal code takes it.
using fiscalcode::isCadastralCode;

// The text in brackets that ends a place's text, in capitals ("LE" of "CASTRO (LE)", "E990" of
// "MARTIRANO (E990)"), and the text before it.
struct Brackets {
    std::string_view name;
    std::string inside;
};
std::optional<Brackets> splitBrackets(std::string_view text);

// One row of COMUNI and one period of StoriaComuni, as read from the file.
struct MunicipalityRow {
    std::string name;
    std::string code;
};
struct PeriodRow {
    std::string code;
    Period period;
};

// The periods of each code, by the code in capitals, gathered as they are read: the periods of a
// code mostly come one after the other.
class HistoryRows {
public:
    HistoryRows() = default;
    HistoryRows(std::vector<PeriodRow> periods);
    HistoryRows(std::initializer_list<PeriodRow> periods);

    void reserve(std::size_t codes) { byCode_.reserve(codes); }
    void add(std::string_view code, Period period);

private:
    friend class BirthplaceIndex;
    std::unordered_map<std::string, CodeHistory> byCode_;
    CodeHistory* last_ = nullptr;
    std::string lastCode_;
};

class BirthplaceIndex {
public:
    BirthplaceIndex(std::vector<MunicipalityRow> municipalities, HistoryRows periods);

    // The birthplace of someone born on `day` in `place`; `province` may be empty.
    Birthplace resolve(std::string_view place, Day day, std::string_view province = {}) const;

    // The candidates by name alone (step 1), with the province that the text names, if any.
    struct NamedPlaces {
        std::vector<const Place*> places{};
        std::string province{};
        bool byCode = false; // given by cadastral code: its times in force count, not its names'
    };
    NamedPlaces candidates(std::string_view place) const;
    // Steps 2 to 4 on the candidates of step 1.
    static Birthplace choose(const NamedPlaces& named, Day day, std::string_view province);

    // The history of a cadastral code (capitals), or nullptr.
    const CodeHistory* history(std::string_view code) const;

private:
    struct Alternative {
        std::string name;
        std::string code; // as its code's row writes it
        const CodeHistory* history;
    };
    static constexpr std::uint32_t kNoPlace = ~std::uint32_t{0};

    void addHistories(HistoryRows periods);
    static std::vector<Alternative>
    alternativeNames(const std::vector<MunicipalityRow>& municipalities,
                     const std::vector<const CodeHistory*>& owners);
    void addPlace(std::string name, std::string code, const CodeHistory* own);

    std::vector<const Place*> byName(std::string_view text) const;
    std::vector<const Place*> byCode(std::string_view code, std::string_view name) const;
    std::vector<const Place*> byPattern(std::string_view text) const;
    NamedPlaces named(std::vector<const Place*> places, std::string_view text,
                      std::string province) const;

    // Moving the index keeps the periods and places where they are, so pointers stay valid.
    std::unordered_map<std::string, CodeHistory> histories_;
    std::vector<Place> places_; // the rows of COMUNI in table order, then alternative names
    // The places of each nameKey, in order: the first and the last, and from each the next one.
    std::unordered_map<std::string, std::pair<std::uint32_t, std::uint32_t>> names_;
    std::vector<std::uint32_t> nextNamed_;
};

// The key under which names are compared: letters as plain capitals (À is A, Æ is AE, ß is SS),
// combining marks left out, a vowel's apostrophe at the end of a word dropped (CANTU' and CANTÙ
// give CANTU), typographic apostrophes as "'", blanks trimmed and runs of them made one.
std::string nameKey(std::string_view name);

// The spelling of a name, for telling names that differ only by accents: as nameKey, but an
// accented vowel is kept as the vowel followed by an apostrophe, as it is typed without accents
// (PATERNÒ and PATERNO' give PATERNO', PATERNO gives PATERNO), and the other letters outside
// A-Z stay as they are written, in capitals.
std::string spellingKey(std::string_view name);

} // namespace places
