#pragma once

#include "catalogue.h"
#include "datasource.h"

#include <optional>
#include <string>
#include <string_view>

namespace refdata {

// Finds the cadastral code of a municipality as the calculation does: the first row of COMUNI,
// in the table's own order, whose name matches the text as a pattern (case ignored, an
// apostrophe standing for any one character, "*" and "?" keeping their meaning).
class CadastralLookup {
public:
    // Opens the database, read-only; throws DataError when it cannot be opened or has no COMUNI
    // table.
    explicit CadastralLookup(std::string databaseName = catalogue::kDatabaseFileUpper);

    std::optional<std::string> Find(std::string_view municipality);

private:
    DataSource comuni_;
};

} // namespace refdata
