#pragma once

#include "fiscalcode/dates.h"
#include "text/csv.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

// The archive of municipalities that the national register publishes, read and checked as any
// input from outside: a CSV file separated by "," with fields in double quotes where needed and a
// header, one row per period of validity of a municipality. Its columns are found by their names:
// registry_code, name_it, alternative_name, provincial_code, institution_date, end_date; others
// are ignored. Rows whose code is a placeholder (not a letter and three digits) are left out. The
// file is at most 64 MiB; its dates are real calendar dates; its names UTF-8 without control
// characters and no longer than the windows take (kPlaceNameCharacters); its provinces two
// capital letters. Bringing the database up to date with it is the storage's
// (storage/registerupdate.h).
namespace places {

// The register's file is some 2 MB; a file far larger is not its archive.
inline constexpr std::uintmax_t kMaxRegisterBytes = 64 * 1024 * 1024;

// Why a register's file was refused: it cannot be read, or it is of another shape.
struct RegisterDefect {
    enum class Kind {
        Unreadable,       // the file cannot be opened
        ReadFailed,       // reading it failed on the way
        TooLarge,         // more than kMaxRegisterBytes
        Empty,            // not even a header
        MissingColumns,   // the header lacks `columns`
        UnreadableLine,   // the reader found `flaw` in field `field`
        FieldCount,       // `fields` fields instead of the header's `expected`
        NoName,           // the name is missing
        NotUtf8,          // a name or province is not UTF-8
        ControlCharacter, // a name holds a control character
        NameTooLong,      // a name longer than kPlaceNameCharacters
        BadProvince,      // the province `value` is not two capital letters
        BadDate,          // the date `value` is not yyyy-mm-dd of the calendar
        EndsBeforeStart,  // the period ends before it starts
        NoMunicipality,   // no row has a cadastral code
    };
    Kind kind = Kind::Unreadable;
    long line = 0; // the line at fault, from 1; 0 for the file as a whole
    std::vector<std::string> columns{};
    std::string value{};
    text::CsvReader::Flaw flaw = text::CsvReader::Flaw::None;
    std::size_t field = 0; // from 1
    std::size_t fields = 0;
    std::size_t expected = 0;
};

// One row of the register: a period of validity of a cadastral code.
struct RegisterPeriod {
    std::string code;
    std::string name;
    std::string alternativeName;
    std::string province;
    std::string from; // yyyy-mm-dd, both days included
    std::string to;
};

// The periods of the register's file, each once, in the file's order; or why the file was refused.
struct [[nodiscard]] RegisterReading {
    std::vector<RegisterPeriod> periods;
    std::optional<RegisterDefect> defect; // none when the file was read
};
RegisterReading readRegister(const std::filesystem::path& file);

// What identifies a period: its code in capitals, its start and its name's key (nameKey).
using PeriodKey = std::tuple<std::string, fiscalcode::Day, std::string>;
PeriodKey keyOf(const std::string& code, const std::string& from, const std::string& name);

} // namespace places
