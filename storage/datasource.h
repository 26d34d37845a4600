#pragma once

#include "storage/database.h"
#include "storage/query.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace storage {

// A record set over one table of the reference database, as the windows use it: a database and a
// query (see query.h); refreshed, it holds the rows of the query in their order and a current row.
// Rows are changed through add-new/edit, set-field-value and update, or deleted; every write is
// committed at once in its own transaction.
//
// A change or deletion goes through only while the row still holds every value as it was read
// (type and bytes); otherwise another program changed or deleted it meanwhile, nothing is written
// and a DataError of the kind RowChanged is thrown. A change writes only the fields given a new
// value, and leaves every other one as it is stored.
//
// Rows are read only when they are needed: a refresh followed by a find, as in a look-up, reads
// just the row found.
class DataSource {
public:
    DataSource(location::DatabaseName database, Query query);

    // Takes effect at the next refresh.
    void setQuery(Query query) { query_ = std::move(query); }
    // A read-only record set opens the file read-only: every write is refused.
    void setReadOnly(bool readOnly) { readOnly_ = readOnly; }
    const location::DatabaseName& databaseName() const { return databaseName_; }

    // Runs the query again; the current row becomes the first row, if any.
    void refresh();

    // Fields of the table, in order.
    const std::vector<std::string>& fieldNames() const { return fieldNames_; }

    int rowCount();
    // Position of the current row, from 0; rowCount() when past the last row.
    int currentRow();
    void setCurrentRow(int row);
    void moveFirst() { setCurrentRow(0); }
    void moveLast();
    void moveNext();
    bool isPastEnd() { return currentRow() >= rowCount(); }

    // Makes the first row (in the query's order) that meets `criterion` the current one; noMatch()
    // tells when there is none, and the current row is then left where it was.
    void findFirst(const Criterion& criterion);
    bool noMatch() const { return noMatch_; }

    // Text of a field of the current row (name without regard to case); empty for no value.
    std::string fieldValue(std::string_view field);
    // Text of field `column` of row `row`, for grids.
    const std::string& valueAt(int row, int column);

    void addNew();
    void edit();
    // While editing, a value equal to the field's text as read leaves the field as it is stored.
    void setFieldValue(std::string_view field, std::string value);
    void update();
    void deleteCurrent();

private:
    struct Row {
        std::int64_t rowid = 0;
        std::vector<StoredValue> fields;
    };
    enum class Pending { None, Adding, Editing };

    const Database& database() const;
    void ensureLoaded();
    Row readRow(sqlite3_stmt* statement) const;
    std::string quotedTable() const;
    Statement select(const Criterion* extra, const char* limit = "") const;
    std::size_t fieldIndex(std::string_view field) const;
    Row& current();
    void insertPending();
    Row updatePending(const Row& row);
    std::string unchangedCondition() const;
    void bindUnchanged(sqlite3_stmt* statement, int firstParameter, const Row& row) const;
    [[noreturn]] void failChanged() const;

    location::DatabaseName databaseName_;
    Query query_;
    std::optional<Query> inForce_; // the query refreshed last, whose rows are read and written

    std::unique_ptr<Database> db_;
    bool readOnly_ = false;
    bool openedReadOnly_ = false;
    std::vector<std::string> fieldNames_;
    bool loaded_ = false;
    std::vector<Row> rows_;
    std::size_t position_ = 0;
    std::optional<Row> found_; // the current row when found before the rows were read
    bool noMatch_ = false;
    Pending pending_ = Pending::None;
    // The values to write: every field set, for a new row; the fields given a new value, else.
    std::vector<std::optional<std::string>> pendingValues_;
};

} // namespace storage
