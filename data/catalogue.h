#pragma once

#include <string>
#include <string_view>

// Every statement and search criterion the program issues on the reference database, in one
// place. Each function that takes a value from the user passes it through SostituisciApici first,
// so that an apostrophe never ends the quoted pattern; a NUL byte in it is looked for as such.
namespace refdata {

// Returns `text` with every apostrophe replaced by "?", the pattern's any-one-character
// wildcard; nothing else is changed.
std::string SostituisciApici(std::string_view text);

namespace catalogue {

inline constexpr const char* kDatabaseFile = "AA1.mdb";
inline constexpr const char* kDatabaseFileUpper = "AA1.MDB";

// The tables, as the build creates them. Names are ordered without regard to case; the
// program's connections refine NOCASE so that accented letters sort with their base letter,
// while any SQLite shell can still read and sort the file.
//
// StoriaComuni is the history of the cadastral codes: one row per period of validity (`dal`, `al`,
// both included, yyyy-mm-dd) with the name, the alternative (bilingual) name and the province of
// that period; foreign states have the province EE. A code of COMUNI without history is valid at
// every date. Files made before the history existed lack the table and are read as such.
inline constexpr const char* kSchema =
    "CREATE TABLE COMUNI (comune TEXT COLLATE NOCASE, codice TEXT);"
    "CREATE TABLE CittaItaliane (cap TEXT, provincia TEXT, localita TEXT COLLATE NOCASE,"
    " regione TEXT);"
    "CREATE TABLE StoriaComuni (codice TEXT, comune TEXT, altro_nome TEXT, provincia TEXT,"
    " dal TEXT, al TEXT);";

// Municipalities.
inline constexpr const char* kComuniTable = "COMUNI";
inline constexpr const char* kComuniGridSource = "Select * from Comuni order by [comune]";
inline constexpr const char* kComuniExportSource = "Select * from comuni order by [comune]";
std::string comuneCriterion(std::string_view name);

// The history of the cadastral codes.
inline constexpr const char* kHistoryTable = "StoriaComuni";
inline constexpr const char* kAllMunicipalities = "SELECT comune, codice FROM COMUNI";
inline constexpr const char* kAllPeriods =
    "SELECT codice, comune, altro_nome, provincia, dal, al FROM StoriaComuni";

// Localities with their postal codes.
inline constexpr const char* kCittaTable = "CittaItaliane";
inline constexpr const char* kCittaDuplicateSource = "cittaitaliane";
inline constexpr const char* kCittaGridSource = "Select * from Cittaitaliane order by [localita]";
inline constexpr const char* kCittaExportSource = "Select * from cittaitaliane order by [localita]";
inline constexpr const char* kAllLocalities = "Select * from cittaitaliane order by [localita]";
std::string capCriterion(std::string_view cap);
std::string regionQuery(std::string_view region);
std::string localityPrefixCriterion(std::string_view text);
std::string localityContainingQuery(std::string_view text);

} // namespace catalogue
} // namespace refdata
