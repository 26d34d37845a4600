// Reading the birthplace index from the database: all of it, or only what one place's text
// needs, through the indexes of the file (see catalogue::kLookupIndexes).
#include "storage/birthplacefile.h"

#include "storage/catalogue.h"
#include "storage/database.h"
#include "text/likepattern.h"
#include "text/textfold.h"

#include <sqlite3.h>

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

namespace storage {
namespace {

using places::BirthplaceIndex;
using places::HistoryRows;
using places::MunicipalityRow;

std::string_view columnView(sqlite3_stmt* row, int column)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(row, column));
    return text
               ? std::string_view(text, static_cast<std::size_t>(sqlite3_column_bytes(row, column)))
               : std::string_view();
}

// A period of the history, from a row of kAllPeriods or kPeriodsOfCode: its code and the period.
void addPeriod(sqlite3_stmt* row, HistoryRows& periods)
{
    periods.add(columnView(row, 0), {fiscalcode::dayFromIso(columnView(row, 4)),
                                     fiscalcode::dayFromIso(columnView(row, 5)), columnText(row, 1),
                                     columnText(row, 2), columnText(row, 3)});
}

// The number of rows the query `count` gives.
std::size_t counted(const Database& database, const char* count)
{
    std::size_t rows = 0;
    database.eachRow(count, [&](sqlite3_stmt* row) {
        rows = static_cast<std::size_t>(sqlite3_column_int64(row, 0));
    });
    return rows;
}

// Reads every row of COMUNI and of the history; inside a snapshot.
void readAll(const Database& database, std::vector<MunicipalityRow>& municipalities,
             HistoryRows& periods)
{
    municipalities.reserve(counted(database, catalogue::kCountMunicipalities));
    database.eachRow(catalogue::kAllMunicipalities, [&](sqlite3_stmt* row) {
        municipalities.push_back({columnText(row, 0), columnText(row, 1)});
    });
    if (database.hasTable(catalogue::kHistoryTable)) {
        periods.reserve(counted(database, catalogue::kCountPeriods));
        database.eachRow(catalogue::kAllPeriods,
                         [&](sqlite3_stmt* row) { addPeriod(row, periods); });
    }
}

// A range of texts in byte order: from `low` (included) to `high` (excluded), to the end when
// `high` is empty.
struct TextRange {
    std::string low;
    std::string high;

    bool operator==(const TextRange&) const = default;
    bool operator<(const TextRange& other) const
    {
        return std::tie(low, high) < std::tie(other.low, other.high);
    }
};

char smallLetter(char capital)
{
    return static_cast<char>(capital - 'A' + 'a');
}

// The ranges that hold every stored text whose key, or whose match with a pattern, can begin with
// `leading`, its first letters A-Z (at most two; none when it begins otherwise): a text that
// begins with anything but a letter A-Z, or with those letters in either case, or with the first
// of them followed by anything but a letter A-Z. `first` is the smallest text of interest.
void addRanges(std::string_view leading, const std::string& first, std::vector<TextRange>& ranges)
{
    ranges.insert(ranges.end(), {{first, "A"}, {"[", "a"}, {"{", ""}});
    if (leading.empty()) {
        return;
    }
    for (const char letter : {leading[0], smallLetter(leading[0])}) {
        const std::string one(1, letter);
        const std::string next(1, static_cast<char>(letter + 1));
        if (leading.size() == 1) {
            ranges.push_back({one, next});
            continue;
        }
        ranges.insert(ranges.end(), {{one, one + "A"}, {one + "[", one + "a"}, {one + "{", next}});
        for (const char second : {leading[1], smallLetter(leading[1])}) {
            ranges.push_back({one + second, one + static_cast<char>(second + 1)});
        }
    }
}

// The first one or two letters A-Z of `text`, in capitals; none when it begins otherwise.
std::string leadingLetters(std::string_view text)
{
    std::string letters;
    for (char c : text.substr(0, 2)) {
        const char capital = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        if (capital < 'A' || capital > 'Z') {
            break;
        }
        letters += capital;
    }
    return letters;
}

// What a place text can name, as BirthplaceIndex::candidates reads it, and so what must be read
// to resolve it: the names equal to it or matching it as a pattern, the codes it gives.
class PlaceQuery {
public:
    explicit PlaceQuery(std::string_view text)
    {
        const auto brackets = places::splitBrackets(text);
        std::vector<std::string_view> names = {text};
        if (brackets) {
            names.push_back(brackets->name);
        }
        for (std::string_view name : names) {
            keys_.push_back(places::nameKey(name));
            const std::size_t wildcard = name.find_first_of(text::kWildcards);
            wholeFile_ = wholeFile_ || wildcard == 0;
            // Without a wildcard a pattern matches only names of the same key.
            if (wildcard != std::string_view::npos) {
                patterns_.emplace_back(name);
            }
            leading_.push_back(leadingLetters(keys_.back()));
            leading_.push_back(leadingLetters(name));
        }
        if (places::isCadastralCode(keys_.front())) {
            codes_.push_back(keys_.front());
        }
        if (brackets && places::isCadastralCode(brackets->inside)) {
            codes_.push_back(brackets->inside);
        }
    }

    // A pattern that begins with a wildcard can match any name.
    bool needsWholeFile() const { return wholeFile_; }

    // The ranges of byte order that hold every name the text can name; `first` the smallest
    // text of interest.
    std::vector<TextRange> ranges(const std::string& first) const
    {
        std::vector<TextRange> ranges;
        for (const std::string& leading : leading_) {
            addRanges(leading, first, ranges);
        }
        std::sort(ranges.begin(), ranges.end());
        ranges.erase(std::unique(ranges.begin(), ranges.end()), ranges.end());
        return ranges;
    }

    bool names(std::string_view name) const
    {
        const std::string key = places::nameKey(name);
        return std::find(keys_.begin(), keys_.end(), key) != keys_.end() ||
               std::any_of(patterns_.begin(), patterns_.end(),
                           [&](const text::LikePattern& pattern) { return pattern.matches(name); });
    }

    const std::vector<std::string>& codes() const { return codes_; }

private:
    std::vector<std::string> keys_;
    std::vector<text::LikePattern> patterns_;
    std::vector<std::string> leading_;
    std::vector<std::string> codes_;
    bool wholeFile_ = false;
};

// Runs `statement`, its parameters bound, handing each row to `read`, then makes it ready for
// other parameters.
template <typename Read>
void eachRowOf(const Database& database, const Statement& statement, Read&& read)
{
    int step;
    while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
        read(statement.get());
    }
    if (step != SQLITE_DONE) {
        database.fail();
    }
    sqlite3_reset(statement.get());
}

// Runs `statement` over each range: parameter 1 its low end, parameter 2 its high end (a blob,
// above every text, for the end).
template <typename Read>
void eachRowInRanges(const Database& database, const Statement& statement,
                     const std::vector<TextRange>& ranges, Read&& read)
{
    for (const TextRange& range : ranges) {
        bindText(statement.get(), 1, range.low);
        if (range.high.empty()) {
            sqlite3_bind_blob(statement.get(), 2, "\xFF\xFF", 2, SQLITE_STATIC);
        } else {
            bindText(statement.get(), 2, range.high);
        }
        eachRowOf(database, statement, read);
    }
}

// The code as the history and COMUNI may hold it: in capitals, and in small letters.
std::vector<std::string> codeSpellings(const std::string& code)
{
    std::string small = code;
    std::transform(small.begin(), small.end(), small.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? smallLetter(c) : c; });
    return small == code ? std::vector{code} : std::vector{code, small};
}

bool hasLookupIndexes(const Database& database)
{
    bool present = false;
    database.eachRow(catalogue::kLookupIndexesPresent, [&](sqlite3_stmt* row) {
        present = sqlite3_column_int(row, 0) == catalogue::kLookupIndexCount;
    });
    return present;
}

// Reads what `query` needs through the look-up's indexes; inside a snapshot.
void readNamed(const Database& database, const PlaceQuery& query,
               std::vector<MunicipalityRow>& municipalities, HistoryRows& periods)
{
    std::set<std::string> codes(query.codes().begin(), query.codes().end());
    const Statement alternatives = database.prepare(catalogue::kAlternativeNamesInRange);
    eachRowInRanges(database, alternatives, query.ranges(std::string(1, '\0')),
                    [&](sqlite3_stmt* row) {
                        if (query.names(columnText(row, 1))) {
                            codes.insert(text::capitals(columnText(row, 0)));
                        }
                    });
    std::map<sqlite3_int64, MunicipalityRow> rows; // in table order
    const auto keep = [&](sqlite3_stmt* row) {
        rows.try_emplace(sqlite3_column_int64(row, 0),
                         MunicipalityRow{columnText(row, 1), columnText(row, 2)});
    };
    const auto keepNamed = [&](sqlite3_stmt* row) {
        if (query.names(columnText(row, 1))) {
            keep(row);
        }
    };
    eachRowInRanges(database, database.prepare(catalogue::kMunicipalitiesInRange), query.ranges(""),
                    keepNamed);
    eachRowOf(database, database.prepare(catalogue::kMunicipalitiesWithoutName), keepNamed);
    const Statement byCode = database.prepare(catalogue::kMunicipalitiesByCode);
    for (const std::string& code : codes) {
        for (const std::string& spelling : codeSpellings(code)) {
            bindText(byCode.get(), 1, spelling);
            eachRowOf(database, byCode, keep);
        }
    }
    // The history of a code given as such, even without a row: a code's history answers too.
    std::set<std::string> historyCodes(query.codes().begin(), query.codes().end());
    for (auto& [rowid, row] : rows) {
        historyCodes.insert(text::capitals(row.code));
        municipalities.push_back(std::move(row));
    }
    const Statement periodsOfCode = database.prepare(catalogue::kPeriodsOfCode);
    for (const std::string& code : historyCodes) {
        for (const std::string& spelling : codeSpellings(code)) {
            bindText(periodsOfCode.get(), 1, spelling);
            eachRowOf(database, periodsOfCode, [&](sqlite3_stmt* row) { addPeriod(row, periods); });
        }
    }
}

} // namespace

BirthplaceIndex readBirthplaces(const Database& database)
{
    std::vector<MunicipalityRow> municipalities;
    HistoryRows periods;
    database.inSnapshot([&] { readAll(database, municipalities, periods); });
    return BirthplaceIndex(std::move(municipalities), std::move(periods));
}

BirthplaceIndex readBirthplaces(const location::DatabaseName& databaseName)
{
    return readBirthplaces(Database(databaseName, Access::ReadOnly));
}

BirthplaceIndex readBirthplacesFor(const Database& database, std::string_view place)
{
    const PlaceQuery query(place);
    std::vector<MunicipalityRow> municipalities;
    HistoryRows periods;
    database.inSnapshot([&] {
        if (query.needsWholeFile() || !hasLookupIndexes(database)) {
            readAll(database, municipalities, periods);
        } else {
            readNamed(database, query, municipalities, periods);
        }
    });
    return BirthplaceIndex(std::move(municipalities), std::move(periods));
}

BirthplaceIndex readBirthplacesFor(const location::DatabaseName& databaseName,
                                   std::string_view place)
{
    return readBirthplacesFor(Database(databaseName, Access::ReadOnly), place);
}

} // namespace storage
