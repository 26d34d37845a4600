#pragma once

#include "fiscalcode/dates.h"

#include <filesystem>
#include <stdexcept>
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

// The end of every refusal: the file was refused before anything was written.
inline constexpr const char* kNothingWritten = " L'archivio non è stato modificato.";

// A register's file that cannot be read or is of another shape; the message, in Italian, names
// the file and the line at fault.
class RegisterRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
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

// The periods of the register's file, each once, in the file's order. Throws RegisterRefused for a
// file that cannot be read or is of another shape, with the line at fault.
std::vector<RegisterPeriod> readRegister(const std::filesystem::path& file);

// What identifies a period: its code in capitals, its start and its name's key (nameKey).
using PeriodKey = std::tuple<std::string, fiscalcode::Day, std::string>;
PeriodKey keyOf(const std::string& code, const std::string& from, const std::string& name);

} // namespace places
