#pragma once

#include "storage/database.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

// Brings the reference database up to date with the archive of municipalities that the national
// register publishes, read and checked by places::readRegister (places/registerfile.h):
//
//   - StoriaComuni gets every period it lacks; a period is the same when code, start and name
//     (nameKey) are. A period it has takes the register's end (a municipality that ceased, a
//     province that changed), and the register's spelling, alternative name and province. A file
//     made before the history existed gets the table: the one change of schema the program makes.
//   - COMUNI gets the register's new municipalities and codes: one row per name and code that the
//     history did not know before and that the table does not hold yet (names compared by nameKey,
//     codes in capitals). Rows the register does not have are the user's; a row the user renamed
//     or deleted is not brought back while the history knows it.
//   - Nothing is ever deleted.
//
// Everything is written in one transaction; a file of another shape is refused before anything is.
// A file that would add more municipalities than an update plausibly brings is refused too, unless
// the caller says so.
namespace storage {

// How many municipalities one update may add to COMUNI: kPlausibleAdditions (the register brings
// a few a year), or any number, when the user confirms the file (cfcalc --forza).
enum class Additions { Plausible, Any };
inline constexpr std::size_t kPlausibleAdditions = 1000;

// What an update did, for the user.
struct RegisterUpdate {
    std::string database; // the database, as Database::describe names it
    std::string file;     // the register's file, as named
    bool historyCreated = false;
    // The names, in name order, once for every row added or changed.
    std::vector<std::string> addedMunicipalities; // rows added to COMUNI
    std::vector<std::string> addedPeriods;        // rows added to StoriaComuni
    std::vector<std::string> endedPeriods;        // periods in force that the register now ends
    std::vector<std::string> correctedPeriods;    // periods with another end, spelling or province

    bool changedNothing() const;
    // In Italian, one line per kind of change with its count and its first names.
    std::string summary() const;
};

// Updates `database`, which must be open for writing, from the register's archive in the file
// `registerFile`. Throws DataError with the reason in Italian when the database cannot be written
// or a write fails, when the file cannot be read or is of another shape (RegisterRefused), or when
// it would add more than kPlausibleAdditions municipalities (TooManyMunicipalities): nothing has
// then been written.
RegisterUpdate updateFromRegister(const Database& database,
                                  const std::filesystem::path& registerFile,
                                  Additions additions = Additions::Plausible);

} // namespace storage
