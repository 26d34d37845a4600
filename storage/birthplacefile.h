#pragma once

#include "location/datalocation.h"
#include "places/birthplaces.h"

#include <string_view>

// The birthplace index read from the database: COMUNI and, when the file has it, StoriaComuni.
namespace storage {

class Database;

// Reads every row; throws DataError.
places::BirthplaceIndex readBirthplaces(const Database& database);
places::BirthplaceIndex readBirthplaces(const location::DatabaseName& databaseName);

// Reads only what resolving `place` needs: the rows of COMUNI that the text can name and the
// history of their codes, through the file's indexes (a file without them, or a pattern that
// begins with a wildcard, is read whole). Resolving `place` then answers as on the whole file;
// throws DataError.
places::BirthplaceIndex readBirthplacesFor(const Database& database, std::string_view place);
places::BirthplaceIndex readBirthplacesFor(const location::DatabaseName& databaseName,
                                           std::string_view place);

} // namespace storage
