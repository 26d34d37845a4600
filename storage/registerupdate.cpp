#include "storage/registerupdate.h"

#include "messages/texts.h"
#include "places/birthplaces.h"
#include "places/registerfile.h"
#include "storage/catalogue.h"
#include "storage/database.h"
#include "text/textfold.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <optional>
#include <set>
#include <string_view>
#include <tuple>
#include <utility>

namespace fs = std::filesystem;

namespace storage {
namespace {

using messages::kNothingWritten;
using places::keyOf;
using places::PeriodKey;
using places::RegisterPeriod;

constexpr std::size_t kNamesShown = 5;

// A name and code of COMUNI, or of the history, as compared: the code in capitals, the name's key.
using NamedCode = std::pair<std::string, std::string>;

NamedCode namedCode(const std::string& code, const std::string& name)
{
    return {text::capitals(code), places::nameKey(name)};
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
        bindText(write, ++parameter, value);
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
    std::vector<places::MunicipalityRow>
    newMunicipalities(const std::vector<RegisterPeriod>& periods)
    {
        std::vector<places::MunicipalityRow> added;
        for (const RegisterPeriod& period : periods) {
            const NamedCode key = namedCode(period.code, period.name);
            if (!knownToHistory_.contains(key) && inTable_.insert(key).second) {
                added.push_back({period.name, period.code});
            }
        }
        std::sort(added.begin(), added.end(),
                  [](const places::MunicipalityRow& a, const places::MunicipalityRow& b) {
                      const int byName = text::compareNames(a.name, b.name);
                      return byName != 0 ? byName < 0 : a.code < b.code;
                  });
        return added;
    }

    void addMunicipalities(const std::vector<places::MunicipalityRow>& added)
    {
        const Statement addMunicipality = database_.prepare(catalogue::kAddMunicipality);
        for (const places::MunicipalityRow& row : added) {
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
        const bool ended = fiscalcode::dayFromIso(stored.to) == fiscalcode::kForever &&
                           fiscalcode::dayFromIso(period.to) != fiscalcode::kForever;
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
        "Aggiornamento dell'archivio " + database + " dal file " + text::quoted(file) + ":\n";
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
    places::RegisterReading reading = places::readRegister(registerFile);
    if (reading.defect) {
        throw DataError(messages::defectText(*reading.defect, registerFile),
                        DataError::Kind::RegisterRefused);
    }
    const std::vector<RegisterPeriod> periods = std::move(reading.periods);
    database.inTransaction([&] {
        if (!database.hasTable(catalogue::kHistoryTable)) {
            database.execute(catalogue::kHistorySchema);
            result.historyCreated = true;
        }
        database.execute(catalogue::kLookupIndexes); // a file made before the indexes gets them
        Updater updater(database, result);
        updater.readDatabase();
        const std::vector<places::MunicipalityRow> added = updater.newMunicipalities(periods);
        if (additions == Additions::Plausible && added.size() > kPlausibleAdditions) {
            throw DataError(
                "Il file " + text::quoted(registerFile.string()) + " aggiungerebbe " +
                    std::to_string(added.size()) + " comuni alla tabella COMUNI, più dei " +
                    std::to_string(kPlausibleAdditions) +
                    " che un aggiornamento porta: forse non è l'archivio del registro, o "
                    "l'archivio " +
                    database.describe() + " è quasi vuoto." + kNothingWritten,
                DataError::Kind::TooManyMunicipalities);
        }
        updater.updateHistory(periods);
        updater.addMunicipalities(added);
    });
    return result;
}

} // namespace storage
