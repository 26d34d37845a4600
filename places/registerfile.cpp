#include "places/registerfile.h"

#include "places/birthplaces.h"
#include "text/csv.h"
#include "text/textfold.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <set>
#include <string_view>

namespace fs = std::filesystem;

namespace places {
namespace {

// The register's columns that the update reads, in the order of RegisterPeriod's fields.
constexpr std::array<const char*, 6> kColumns = {"registry_code",    "name_it",
                                                 "alternative_name", "provincial_code",
                                                 "institution_date", "end_date"};

[[noreturn]] void refuse(const fs::path& file, const std::string& reason)
{
    throw RegisterRefused("Il file " + text::quoted(file.string()) +
                          " non è un archivio dei comuni del registro: " + reason + "." +
                          kNothingWritten);
}

// The position of every column of kColumns in the header; refuses a header that lacks any.
std::array<std::size_t, kColumns.size()> findColumns(const std::vector<std::string>& header,
                                                     const fs::path& file)
{
    std::array<std::size_t, kColumns.size()> positions{};
    std::vector<std::string> missing;
    for (std::size_t column = 0; column < kColumns.size(); ++column) {
        const auto found = std::find_if(header.begin(), header.end(), [&](const std::string& name) {
            return text::capitals(text::trimmed(name)) == text::capitals(kColumns[column]);
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
    if (characters > kPlaceNameCharacters) {
        return "più lungo di " + std::to_string(kPlaceNameCharacters) + " caratteri";
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
        refuse(file, line + " ha una sigla di provincia non valida: " +
                         text::quoted(period.province) + " (servono due lettere maiuscole)");
    }
    for (const std::string* date : {&period.from, &period.to}) {
        if (fiscalcode::dayFromIso(*date) == 0) {
            refuse(file, line + " ha una data non valida: " + text::quoted(*date));
        }
    }
    if (fiscalcode::dayFromIso(period.to) < fiscalcode::dayFromIso(period.from)) {
        refuse(file, line + " ha un periodo che finisce prima di cominciare");
    }
}

} // namespace

PeriodKey keyOf(const std::string& code, const std::string& from, const std::string& name)
{
    return {text::capitals(code), fiscalcode::dayFromIso(from), nameKey(name)};
}

std::vector<RegisterPeriod> readRegister(const fs::path& file)
{
    std::ifstream in;
    std::error_code error;
    if (fs::is_regular_file(file, error)) {
        in.open(file, std::ios::binary);
    }
    if (!in.is_open()) {
        throw RegisterRefused("Impossibile leggere il file " + text::quoted(file.string()) + "." +
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
            return std::string(text::trimmed(fields[positions[column]]));
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
        throw RegisterRefused("Errore di lettura del file " + text::quoted(file.string()) + "." +
                              kNothingWritten);
    }
    if (periods.empty()) {
        refuse(file, "non contiene alcun comune con il suo codice catastale");
    }
    return periods;
}

} // namespace places
