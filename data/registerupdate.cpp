#include "data/registerupdate.h"

#include "data/birthplaces.h"
#include "data/catalogue.h"
#include "data/database.h"
#include "text/csv.h"
#include "text/textfold.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <map>
#include <optional>
#include <set>
#include <string_view>
#include <tuple>
#include <utility>

namespace fs = std::filesystem;

namespace refdata {
namespace {

// The register's columns that the update reads, in the order of RegisterPeriod's fields.
constexpr std::array<const char*, 6> kColumns = {"registry_code",    "name_it",
                                                 "alternative_name", "provincial_code",
                                                 "institution_date", "end_date"};

constexpr std::size_t kNamesShown = 5;

// One row of the register: a period of validity of a cadastral code.
struct RegisterPeriod {
    std::string code;
    std::string name;
    std::string alternativeName;
    std::string province;
    std::string from; // yyyy-mm-dd, both days included
    std::string to;
};

// What identifies a period: its code, its start and its name.
using PeriodKey = std::tuple<std::string, Day, std::string>;

PeriodKey keyOf(const std::string& code, const std::string& from, const std::string& name)
{
    return {text::capitals(code), dayFromIso(from), nameKey(name)};
}

// A name and code of COMUNI, or of the history, as compared: the code in capitals, the name's key.
using NamedCode = std::pair<std::string, std::string>;

NamedCode namedCode(const std::string& code, const std::string& name)
{
    return {text::capitals(code), nameKey(name)};
}

std::string quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

constexpr const char* kNothingWritten = " L'archivio non è stato modificato.";

[[noreturn]] void refuse(const fs::path& file, const std::string& reason)
{
    throw DataError("Il file " + quoted(file.string()) +
                    " non è un archivio dei comuni del registro: " + reason + "." +
                    kNothingWritten);
}

std::string trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

// The position of every column of kColumns in the header; refuses a header that lacks any.
std::array<std::size_t, kColumns.size()> findColumns(const std::vector<std::string>& header,
                                                     const fs::path& file)
{
    std::array<std::size_t, kColumns.size()> positions{};
    std::vector<std::string> missing;
    for (std::size_t column = 0; column < kColumns.size(); ++column) {
        const auto found = std::find_if(header.begin(), header.end(), [&](const std::string& name) {
            return text::capitals(trimmed(name)) == text::capitals(kColumns[column]);
        });
        if (found == header.end()) {
            missing.push_back(kColumns[column]);
        }
        positions[column] = static_cast<std::size_t>(found - header.begin());
    }
    if (missing.size() == 1) {
        refuse(file, "manca la colonna " + missing.front());
    }
    if (!missing.empty()) {
        std::string names;
        for (const std::string& name : missing) {
            names += (names.empty() ? "" : ", ") + name;
        }
        refuse(file, "mancano le colonne " + names);
    }
    return positions;
}

// The register's file is some 2 MB; a file far larger is not its archive.
constexpr std::uintmax_t kMaxFileBytes = 64 * 1024 * 1024;

// What is wrong with a name of the register, for "la riga N ha un nome ..."; empty for a sound
// one: UTF-8 without control characters, and no longer than a place name the windows take.
std::string nameFlaw(std::string_view name)
{
    std::size_t characters = 0;
    for (std::size_t pos = 0; pos < name.size(); ++characters) {
        const char32_t c = text::nextCharacter(name, pos);
        if (c < 0x20 || (c >= 0x7F && c < 0xA0)) {
            return "con caratteri di controllo";
        }
    }
    if (characters > catalogue::kPlaceNameCharacters) {
        return "più lungo di " + std::to_string(catalogue::kPlaceNameCharacters) + " caratteri";
    }
    return {};
}

bool isProvince(std::string_view province)
{
    return province.size() == 2 && std::all_of(province.begin(), province.end(),
                                               [](char c) { return c >= 'A' && c <= 'Z'; });
}

// Refuses the period read on `line` unless it can be stored as it stands.
void checkPeriod(const fs::path& file, const std::string& line, const RegisterPeriod& period)
{
    if (period.name.empty()) {
        refuse(file, line + " non ha il nome del comune");
    }
    if (!text::isUtf8(period.name) || !text::isUtf8(period.alternativeName) ||
        !text::isUtf8(period.province)) {
        refuse(file, line + " non è scritta in UTF-8");
    }
    for (const std::string* name : {&period.name, &period.alternativeName}) {
        if (const std::string flaw = nameFlaw(*name); !flaw.empty()) {
            refuse(file, line + " ha un nome " + flaw);
        }
    }
    if (!isProvince(period.province)) {
        refuse(file, line + " ha una sigla di provincia non valida: " + quoted(period.province) +
                         " (servono due lettere maiuscole)");
    }
    for (const std::string* date : {&period.from, &period.to}) {
        if (dayFromIso(*date) == 0) {
            refuse(file, line + " ha una data non valida: " + quoted(*date));
        }
    }
    if (dayFromIso(period.to) < dayFromIso(period.from)) {
        refuse(file, line + " ha un periodo che finisce prima di cominciare");
    }
}

// The periods of the register's file, each once, in the file's order. Refuses a file that cannot
// be read or is of another shape, with the line at fault.
std::vector<RegisterPeriod> readRegister(const fs::path& file)
{
    std::ifstream in;
    std::error_code error;
    if (fs::is_regular_file(file, error)) {
        in.open(file, std::ios::binary);
    }
    if (!in.is_open()) {
        throw DataError("Impossibile leggere il file " + quoted(file.string()) + "." +
                        kNothingWritten);
    }
    if (fs::file_size(file, error) > kMaxFileBytes) {
        refuse(file, "è più grande di " + std::to_string(kMaxFileBytes >> 20) + " MiB");
    }
    text::CsvReader reader(in, ',');
    std::vector<std::string> fields;
    if (!reader.next(fields)) {
        refuse(file, "il file è vuoto");
    }
    const std::size_t width = fields.size();
    const auto positions = findColumns(fields, file);
    std::vector<RegisterPeriod> periods;
    std::set<PeriodKey> seen;
    while (reader.next(fields)) {
        const std::string line = "la riga " + std::to_string(reader.lineNumber());
        if (fields.size() == 1 && fields.front().empty()) {
            continue; // a blank line
        }
        if (reader.flaw() != text::CsvReader::Flaw::None) {
            refuse(file, line + " non si può leggere (" + reader.flawText() + ")");
        }
        if (fields.size() != width) {
            refuse(file, line + " ha " + std::to_string(fields.size()) + " campi invece di " +
                             std::to_string(width));
        }
        const auto field = [&](std::size_t column) {
            return trimmed(fields[positions[column]]);
        };
        RegisterPeriod period{field(0), field(1), field(2), field(3), field(4), field(5)};
        if (!isCadastralCode(period.code)) {
            continue; // a placeholder for a code the register does not know
        }
        checkPeriod(file, line, period);
        if (seen.insert(keyOf(period.code, period.from, period.name)).second) {
            periods.push_back(std::move(period));
        }
    }
    if (in.bad()) {
        throw DataError("Errore di lettura del file " + quoted(file.string()) + "." +
                        kNothingWritten);
    }
    if (periods.empty()) {
        refuse(file, "non contiene alcun comune con il suo codice catastale");
    }
    return periods;
}

// Runs the prepared `statement` with `values` and, when given, the row's id after them; a write
// that does not change exactly one row fails, and with it the whole update.
void writeOneRow(const Database& database, const Statement& statement,
                 std::initializer_list<std::string_view> values,
                 std::optional<std::int64_t> rowid = std::nullopt)
{
    sqlite3_stmt* write = statement.get();
    sqlite3_reset(write);
    int parameter = 0;
    for (std::string_view value : values) {
        sqlite3_bind_text(write, ++parameter, value.data(), static_cast<int>(value.size()),
                          SQLITE_TRANSIENT);
    }
    if (rowid) {
        sqlite3_bind_int64(write, ++parameter, *rowid);
    }
    if (sqlite3_step(write) != SQLITE_DONE) {
        database.fail();
    }
    if (sqlite3_changes(database.handle()) != 1) {
        throw DataError("Errore nell'archivio " + database.describe() +
                        ": una scrittura non ha cambiato la riga attesa." + kNothingWritten);
    }
}

struct StoredPeriod {
    std::int64_t rowid = 0;
    std::string name;
    std::string alternativeName;
    std::string province;
    std::string to;
};

// The update itself, inside its transaction.
class Updater {
public:
    Updater(const Database& database, RegisterUpdate& result)
        : database_(database), result_(result), addPeriod_(database.prepare(catalogue::kAddPeriod)),
          correctPeriod_(database.prepare(catalogue::kCorrectPeriod))
    {}

    void readDatabase()
    {
        database_.eachRow(catalogue::kAllPeriodsByRow, [this](sqlite3_stmt* row) {
            const std::string code = columnText(row, 1);
            const std::string name = columnText(row, 2);
            stored_.emplace(keyOf(code, columnText(row, 5), name),
                            StoredPeriod{sqlite3_column_int64(row, 0), name, columnText(row, 3),
                                         columnText(row, 4), columnText(row, 6)});
            knownToHistory_.insert(namedCode(code, name));
        });
        database_.eachRow(catalogue::kAllMunicipalities, [this](sqlite3_stmt* row) {
            inTable_.insert(namedCode(columnText(row, 1), columnText(row, 0)));
        });
    }

    void updateHistory(const std::vector<RegisterPeriod>& periods)
    {
        for (const RegisterPeriod& period : periods) {
            const auto found = stored_.find(keyOf(period.code, period.from, period.name));
            if (found == stored_.end()) {
                writeOneRow(database_, addPeriod_,
                            {period.code, period.name, period.alternativeName, period.province,
                             period.from, period.to});
                result_.addedPeriods.push_back(period.name);
            } else {
                correct(found->second, period);
            }
        }
    }

    // The register's new names and codes, each once, in name order.
    std::vector<MunicipalityRow> newMunicipalities(const std::vector<RegisterPeriod>& periods)
    {
        std::vector<MunicipalityRow> added;
        for (const RegisterPeriod& period : periods) {
            const NamedCode key = namedCode(period.code, period.name);
            if (!knownToHistory_.contains(key) && inTable_.insert(key).second) {
                added.push_back({period.name, period.code});
            }
        }
        std::sort(added.begin(), added.end(),
                  [](const MunicipalityRow& a, const MunicipalityRow& b) {
                      const int byName = text::compareNames(a.name, b.name);
                      return byName != 0 ? byName < 0 : a.code < b.code;
                  });
        return added;
    }

    void addMunicipalities(const std::vector<MunicipalityRow>& added)
    {
        const Statement addMunicipality = database_.prepare(catalogue::kAddMunicipality);
        for (const MunicipalityRow& row : added) {
            writeOneRow(database_, addMunicipality, {row.name, row.code});
            result_.addedMunicipalities.push_back(row.name);
        }
    }

private:
    void correct(const StoredPeriod& stored, const RegisterPeriod& period)
    {
        if (stored.to == period.to && stored.name == period.name &&
            stored.alternativeName == period.alternativeName &&
            stored.province == period.province) {
            return;
        }
        writeOneRow(database_, correctPeriod_,
                    {period.name, period.alternativeName, period.province, period.to},
                    stored.rowid);
        const bool ended = dayFromIso(stored.to) == kForever && dayFromIso(period.to) != kForever;
        (ended ? result_.endedPeriods : result_.correctedPeriods).push_back(period.name);
    }

    const Database& database_;
    RegisterUpdate& result_;
    Statement addPeriod_;
    Statement correctPeriod_;
    std::map<PeriodKey, StoredPeriod> stored_;
    std::set<NamedCode> knownToHistory_; // before the update
    std::set<NamedCode> inTable_;        // COMUNI
};

// "3 (ALANO DI PIAVE, CARCERI, QUERO VAS)"; the names after the first few are counted.
std::string countAndNames(std::vector<std::string> names)
{
    std::string text = std::to_string(names.size());
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return text::compareNames(a, b) < 0;
    });
    if (names.empty()) {
        return text;
    }
    const std::size_t shown = std::min(names.size(), kNamesShown);
    text += " (";
    for (std::size_t i = 0; i < shown; ++i) {
        text += (i == 0 ? "" : ", ") + names[i];
    }
    if (names.size() > shown) {
        text += " e altri " + std::to_string(names.size() - shown);
    }
    return text + ")";
}

} // namespace

bool RegisterUpdate::changedNothing() const
{
    return !historyCreated && addedMunicipalities.empty() && addedPeriods.empty() &&
           endedPeriods.empty() && correctedPeriods.empty();
}

std::string RegisterUpdate::summary() const
{
    std::string text =
        "Aggiornamento dell'archivio " + database + " dal file " + quoted(file) + ":\n";
    if (historyCreated) {
        text += "creata la tabella StoriaComuni, la storia dei codici catastali;\n";
    }
    text += "comuni aggiunti alla tabella: " + countAndNames(addedMunicipalities) + ";\n";
    text += "periodi aggiunti alla storia: " + countAndNames(addedPeriods) + ";\n";
    text += "periodi chiusi: " + countAndNames(endedPeriods);
    if (!correctedPeriods.empty()) {
        text += ";\nperiodi corretti: " + countAndNames(correctedPeriods);
    }
    text += ".\n";
    if (changedNothing()) {
        text += "L'archivio era già aggiornato: nessuna modifica.\n";
    }
    return text;
}

RegisterUpdate updateFromRegister(const Database& database, const fs::path& registerFile,
                                  Additions additions)
{
    RegisterUpdate result;
    result.database = database.describe();
    result.file = registerFile.string();
    if (!database.canWrite()) {
        throw DataError("Impossibile aggiornare l'archivio " + database.describe() +
                        ": il file è di sola lettura.");
    }
    const std::vector<RegisterPeriod> periods = readRegister(registerFile);
    database.inTransaction([&] {
        if (!database.hasTable(catalogue::kHistoryTable)) {
            database.execute(catalogue::kHistorySchema);
            result.historyCreated = true;
        }
        database.execute(catalogue::kLookupIndexes); // a file made before the indexes gets them
        Updater updater(database, result);
        updater.readDatabase();
        const std::vector<MunicipalityRow> added = updater.newMunicipalities(periods);
        if (additions == Additions::Plausible && added.size() > kPlausibleAdditions) {
            throw TooManyMunicipalities(
                "Il file " + quoted(registerFile.string()) + " aggiungerebbe " +
                std::to_string(added.size()) + " comuni alla tabella COMUNI, più dei " +
                std::to_string(kPlausibleAdditions) +
                " che un aggiornamento porta: forse non è l'archivio del registro, o l'archivio " +
                database.describe() + " è quasi vuoto." + kNothingWritten);
        }
        updater.updateHistory(periods);
        updater.addMunicipalities(added);
    });
    return result;
}

} // namespace refdata
