#pragma once

#include "storage/query.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

// Every statement and search criterion the program issues on the reference database, in one
// place. A value from outside (a name typed by the user, a row of the register's file) is always a
// bound parameter, never part of a statement's text; the windows' statements are data (Query)
// that the record sets run.
namespace storage {
namespace catalogue {

// The tables, as the build creates them. Names are ordered without regard to case; the
// program's connections refine NOCASE so that accented letters sort with their base letter,
// while any SQLite shell can still read and sort the file.
//
// StoriaComuni is the history of the cadastral codes: one row per period of validity (`dal`, `al`,
// both included, yyyy-mm-dd) with the name, the alternative (bilingual) name and the province of
// that period; foreign states have the province EE. A code of COMUNI without history is valid at
// every date. Files made before the history existed lack the table and are read as such; the
// update from the register's archive (registerupdate.h) creates it, the one change of schema the
// program makes.
inline constexpr char kHistoryTableSchema[] =
    "CREATE TABLE StoriaComuni (codice TEXT, comune TEXT, altro_nome TEXT, provincia TEXT,"
    " dal TEXT, al TEXT);";

// The indexes let the birthplace look-up read only the rows a name can concern: COMUNI by name in
// byte order (not by NOCASE, which the program's connections refine: an index must sort the same
// for every program that writes the file) and by code, the history by code and by alternative
// name. SQLite keeps them in step with every change, whoever makes it; a file without them is read
// whole.
inline constexpr char kLookupIndexes[] =
    "CREATE INDEX IF NOT EXISTS ComuniPerNome ON COMUNI (comune COLLATE BINARY, codice);"
    "CREATE INDEX IF NOT EXISTS ComuniPerCodice ON COMUNI (codice);"
    "CREATE INDEX IF NOT EXISTS StoriaComuniPerCodice ON StoriaComuni (codice);"
    "CREATE INDEX IF NOT EXISTS StoriaComuniPerAltroNome ON StoriaComuni (altro_nome, codice);";
inline constexpr const char* kLookupIndexesPresent =
    "SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name IN ('ComuniPerNome',"
    " 'ComuniPerCodice', 'StoriaComuniPerCodice', 'StoriaComuniPerAltroNome')";
inline constexpr int kLookupIndexCount = 4;

namespace detail {
// Two string literals one after the other, as one literal, at compile time.
template <std::size_t A, std::size_t B> struct Joined {
    char text[A + B - 1] = {};
};
template <std::size_t A, std::size_t B>
consteval Joined<A, B> join(const char (&first)[A], const char (&second)[B])
{
    Joined<A, B> joined;
    std::copy_n(first, A - 1, joined.text);
    std::copy_n(second, B, joined.text + A - 1);
    return joined;
}
inline constexpr auto kHistorySchemaText = join(kHistoryTableSchema, kLookupIndexes);
inline constexpr auto kSchemaText =
    join("CREATE TABLE COMUNI (comune TEXT COLLATE NOCASE, codice TEXT);"
         "CREATE TABLE CittaItaliane (cap TEXT, provincia TEXT, localita TEXT COLLATE NOCASE,"
         " regione TEXT);",
         kHistorySchemaText.text);
} // namespace detail

// The history with the look-up's indexes, as the update makes it in a file that lacks it.
inline constexpr const char* kHistorySchema = detail::kHistorySchemaText.text;
inline constexpr const char* kSchema = detail::kSchemaText.text;

// Municipalities: the editor's grid and export, in name order; the rows of one name, letter case
// aside, for the editor's check that no two share it.
inline constexpr const char* kComuniTable = "COMUNI";
Query municipalities();
Query municipalitiesNamed(std::string_view name);

// Whether the file has the table named by the parameter (files made before the history lack it).
inline constexpr const char* kTableExists =
    "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE";

// The history of the cadastral codes.
inline constexpr const char* kHistoryTable = "StoriaComuni";
inline constexpr const char* kAllMunicipalities =
    "SELECT comune, codice FROM COMUNI ORDER BY rowid";
inline constexpr const char* kAllPeriods =
    "SELECT codice, comune, altro_nome, provincia, dal, al FROM StoriaComuni";
inline constexpr const char* kCountMunicipalities = "SELECT count(*) FROM COMUNI";
inline constexpr const char* kCountPeriods = "SELECT count(*) FROM StoriaComuni";

// What the birthplace look-up reads of one name: the rows of COMUNI whose name lies in a range of
// byte order (?1 included, ?2 not), or that have no name, or a code; the alternative names of the
// history in a range; the periods of a code.
inline constexpr const char* kMunicipalitiesInRange =
    "SELECT rowid, comune, codice FROM COMUNI"
    " WHERE comune COLLATE BINARY >= ? AND comune COLLATE BINARY < ?";
inline constexpr const char* kMunicipalitiesWithoutName =
    "SELECT rowid, comune, codice FROM COMUNI WHERE comune IS NULL";
inline constexpr const char* kMunicipalitiesByCode =
    "SELECT rowid, comune, codice FROM COMUNI WHERE codice = ?";
inline constexpr const char* kAlternativeNamesInRange =
    "SELECT codice, altro_nome FROM StoriaComuni WHERE altro_nome >= ? AND altro_nome < ?";
inline constexpr const char* kPeriodsOfCode =
    "SELECT codice, comune, altro_nome, provincia, dal, al FROM StoriaComuni WHERE codice = ?";

// The update from the register's archive: rows are added, and periods get their new end and
// their corrections; nothing is ever deleted.
inline constexpr const char* kAddMunicipality = "INSERT INTO COMUNI (comune, codice) VALUES (?, ?)";
inline constexpr const char* kAllPeriodsByRow =
    "SELECT rowid, codice, comune, altro_nome, provincia, dal, al FROM StoriaComuni";
inline constexpr const char* kAddPeriod = "INSERT INTO StoriaComuni"
                                          " (codice, comune, altro_nome, provincia, dal, al)"
                                          " VALUES (?, ?, ?, ?, ?, ?)";
inline constexpr const char* kCorrectPeriod =
    "UPDATE StoriaComuni SET comune = ?, altro_nome = ?, provincia = ?, al = ? WHERE rowid = ?";

// Localities with their postal codes: the editor's grid and export and the search's list, in name
// order; the rows of one postal code, letter case aside, for the editor's check that no two share
// postal code and locality; those of a region, a pattern as the region picker names it. The search
// finds the first locality that begins with a text and lists those that contain it: the text is a
// pattern, whose wildcards the user may type.
inline constexpr const char* kCittaTable = "CittaItaliane";
Query localities();
Query localitiesWithPostalCode(std::string_view cap);
Query localitiesOfRegion(std::string_view region);
Criterion localityBeginningWith(std::string_view text);
Query localitiesContaining(std::string_view text);

} // namespace catalogue
} // namespace storage
