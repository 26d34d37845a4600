#include "storage/datasource.h"

#include "text/textfold.h"

#include <sqlite3.h>

#include <algorithm>
#include <utility>

namespace storage {
namespace {

std::string QuotedName(std::string_view name)
{
    std::string quoted = "\"";
    for (char c : name) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + "\"";
}

// The criterion as a condition of a statement, its value a parameter.
std::string condition(const Criterion& criterion)
{
    return QuotedName(criterion.column) +
           (criterion.test == Criterion::Test::Matches ? " LIKE ?" : " = ? COLLATE CASELESS");
}

} // namespace

DataSource::DataSource(location::DatabaseName database, Query query)
    : databaseName_(std::move(database)), query_(std::move(query))
{}

const Database& DataSource::database() const
{
    if (!db_) {
        throw DataError("Nessun archivio aperto.");
    }
    return *db_;
}

void DataSource::refresh()
{
    if (!db_ || openedReadOnly_ != readOnly_) {
        db_.reset();
        db_ = std::make_unique<Database>(databaseName_,
                                         readOnly_ ? Access::ReadOnly : Access::ReadWrite);
        openedReadOnly_ = readOnly_;
    }
    inForce_ = query_;
    const Statement statement = select(nullptr);
    fieldNames_.clear();
    for (int i = 1; i < sqlite3_column_count(statement.get()); ++i) {
        fieldNames_.emplace_back(sqlite3_column_name(statement.get(), i));
    }
    loaded_ = false;
    rows_.clear();
    position_ = 0;
    found_.reset();
    noMatch_ = false;
    pending_ = Pending::None;
}

std::string DataSource::quotedTable() const
{
    return QuotedName(inForce_->table);
}

// The query in force as a statement that also yields each row's rowid, its values bound; narrowed
// by one more criterion when `extra` is given, and followed by `limit`. Rows with equal sort keys
// keep the table's order.
Statement DataSource::select(const Criterion* extra, const char* limit) const
{
    std::vector<const Criterion*> criteria;
    for (const Criterion& criterion : inForce_->criteria) {
        criteria.push_back(&criterion);
    }
    if (extra) {
        criteria.push_back(extra);
    }
    std::string sql = "SELECT rowid, * FROM " + quotedTable();
    for (std::size_t i = 0; i < criteria.size(); ++i) {
        sql += (i == 0 ? " WHERE " : " AND ") + condition(*criteria[i]);
    }
    sql += " ORDER BY ";
    if (!inForce_->orderBy.empty()) {
        sql += QuotedName(inForce_->orderBy) + ", ";
    }
    Statement statement = database().prepare(sql + "rowid" + limit);
    for (std::size_t i = 0; i < criteria.size(); ++i) {
        bindText(statement.get(), static_cast<int>(i + 1), criteria[i]->value);
    }
    return statement;
}

DataSource::Row DataSource::readRow(sqlite3_stmt* statement) const
{
    Row row;
    row.rowid = sqlite3_column_int64(statement, 0);
    const int columns = sqlite3_column_count(statement);
    row.fields.reserve(columns - 1);
    for (int i = 1; i < columns; ++i) {
        row.fields.push_back(StoredValue::fromColumn(statement, i));
    }
    return row;
}

void DataSource::ensureLoaded()
{
    if (!inForce_) {
        throw DataError("Origine dati non aggiornata.");
    }
    if (loaded_) {
        return;
    }
    const Statement statement = select(nullptr);
    int step;
    while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
        rows_.push_back(readRow(statement.get()));
    }
    if (step != SQLITE_DONE) {
        rows_.clear();
        database().fail();
    }
    loaded_ = true;
    if (found_) {
        const auto at = std::find_if(rows_.begin(), rows_.end(),
                                     [&](const Row& row) { return row.rowid == found_->rowid; });
        position_ = static_cast<std::size_t>(at - rows_.begin());
        found_.reset();
    }
}

int DataSource::rowCount()
{
    ensureLoaded();
    return static_cast<int>(rows_.size());
}

int DataSource::currentRow()
{
    ensureLoaded();
    return static_cast<int>(position_);
}

void DataSource::setCurrentRow(int row)
{
    ensureLoaded();
    position_ =
        std::clamp<std::size_t>(static_cast<std::size_t>(std::max(row, 0)), 0, rows_.size());
}

void DataSource::moveLast()
{
    setCurrentRow(rowCount() - 1);
}

void DataSource::moveNext()
{
    setCurrentRow(currentRow() + 1);
}

void DataSource::findFirst(const Criterion& criterion)
{
    if (!inForce_) {
        throw DataError("Origine dati non aggiornata.");
    }
    // Before the rows are read, the first match is the answer; once they are read, only a match
    // among them counts (a row added since the refresh is not part of this record set yet).
    const Statement statement = select(&criterion, loaded_ ? "" : " LIMIT 1");
    int step;
    while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
        Row row = readRow(statement.get());
        if (!loaded_) {
            found_ = std::move(row);
            noMatch_ = false;
            return;
        }
        const auto at = std::find_if(rows_.begin(), rows_.end(),
                                     [&](const Row& r) { return r.rowid == row.rowid; });
        if (at != rows_.end()) {
            position_ = static_cast<std::size_t>(at - rows_.begin());
            noMatch_ = false;
            return;
        }
    }
    if (step != SQLITE_DONE) {
        database().fail();
    }
    noMatch_ = true;
}

DataSource::Row& DataSource::current()
{
    if (found_) {
        return *found_;
    }
    ensureLoaded();
    if (position_ >= rows_.size()) {
        throw DataError("Nessun record corrente nell'archivio " + database().describe() + ".");
    }
    return rows_[position_];
}

std::size_t DataSource::fieldIndex(std::string_view field) const
{
    for (std::size_t i = 0; i < fieldNames_.size(); ++i) {
        if (text::sameIgnoringCase(fieldNames_[i], field)) {
            return i;
        }
    }
    throw DataError("Il campo " + text::quoted(field) + " non esiste nell'archivio " +
                    database().describe() + ".");
}

std::string DataSource::fieldValue(std::string_view field)
{
    const std::size_t index = fieldIndex(field);
    return current().fields[index].text;
}

const std::string& DataSource::valueAt(int row, int column)
{
    ensureLoaded();
    return rows_.at(static_cast<std::size_t>(row)).fields.at(static_cast<std::size_t>(column)).text;
}

void DataSource::addNew()
{
    database();
    pending_ = Pending::Adding;
    pendingValues_.assign(fieldNames_.size(), std::nullopt);
}

void DataSource::edit()
{
    current();
    pending_ = Pending::Editing;
    pendingValues_.assign(fieldNames_.size(), std::nullopt);
}

void DataSource::setFieldValue(std::string_view field, std::string value)
{
    if (pending_ == Pending::None) {
        throw DataError("Modifica non avviata sull'archivio " + database().describe() + ".");
    }
    const std::size_t index = fieldIndex(field);
    if (pending_ == Pending::Editing && value == current().fields[index].text) {
        pendingValues_[index].reset();
        return;
    }
    pendingValues_[index] = std::move(value);
}

void DataSource::update()
{
    if (pending_ == Pending::None) {
        throw DataError("Modifica non avviata sull'archivio " + database().describe() + ".");
    }
    const Pending pending = std::exchange(pending_, Pending::None);
    if (pending == Pending::Adding) {
        database().inTransaction([&] { insertPending(); });
        return;
    }
    Row& row = current();
    Row stored;
    database().inTransaction([&] { stored = updatePending(row); });
    row = std::move(stored);
}

void DataSource::insertPending()
{
    std::string names;
    std::string placeholders;
    for (std::size_t i = 0; i < fieldNames_.size(); ++i) {
        if (pendingValues_[i]) {
            names += (names.empty() ? "" : ", ") + QuotedName(fieldNames_[i]);
            placeholders += placeholders.empty() ? "?" : ", ?";
        }
    }
    const std::string sql = names.empty() ? "INSERT INTO " + quotedTable() + " DEFAULT VALUES"
                                          : "INSERT INTO " + quotedTable() + " (" + names +
                                                ") VALUES (" + placeholders + ")";
    const Statement statement = database().prepare(sql);
    int parameter = 0;
    for (const auto& value : pendingValues_) {
        if (value) {
            bindText(statement.get(), ++parameter, *value);
        }
    }
    if (sqlite3_step(statement.get()) != SQLITE_DONE) {
        database().fail();
    }
}

// "rowid = ? AND <field> IS ? AND typeof(<field>) = ? ...": the row as it was read, every field
// with its type and its bytes (never compared by the table's collation, which ignores case).
std::string DataSource::unchangedCondition() const
{
    std::string condition = "rowid = ?";
    for (const auto& name : fieldNames_) {
        const std::string quoted = QuotedName(name);
        condition += " AND " + quoted + " IS ? COLLATE BINARY AND typeof(" + quoted + ") = ?";
    }
    return condition;
}

void DataSource::bindUnchanged(sqlite3_stmt* statement, int firstParameter, const Row& row) const
{
    int parameter = firstParameter;
    sqlite3_bind_int64(statement, parameter++, row.rowid);
    for (const StoredValue& value : row.fields) {
        value.bind(statement, parameter++);
        sqlite3_bind_text(statement, parameter++, value.typeName(), -1, SQLITE_STATIC);
    }
}

void DataSource::failChanged() const
{
    throw DataError("I dati sono stati modificati o cancellati da un altro utente dopo essere "
                    "stati letti dall'archivio " +
                        database().describe() + ": nulla è stato salvato.",
                    DataError::Kind::RowChanged);
}

// Writes the fields given a new value, as long as the row holds what was read; then reads the row
// again as it is stored now. A change of nothing still checks that the row is there as it was read.
DataSource::Row DataSource::updatePending(const Row& row)
{
    std::string assignments;
    for (std::size_t i = 0; i < fieldNames_.size(); ++i) {
        if (pendingValues_[i]) {
            assignments += (assignments.empty() ? "" : ", ") + QuotedName(fieldNames_[i]) + " = ?";
        }
    }
    const std::string where = " WHERE " + unchangedCondition();
    const Statement statement = database().prepare(
        assignments.empty() ? "SELECT count(*) FROM " + quotedTable() + where
                            : "UPDATE " + quotedTable() + " SET " + assignments + where);
    int parameter = 0;
    for (const auto& value : pendingValues_) {
        if (value) {
            bindText(statement.get(), ++parameter, *value);
        }
    }
    bindUnchanged(statement.get(), parameter + 1, row);
    const int step = sqlite3_step(statement.get());
    if (step != SQLITE_DONE && step != SQLITE_ROW) {
        database().fail();
    }
    const bool oneRow = assignments.empty() ? sqlite3_column_int(statement.get(), 0) == 1
                                            : sqlite3_changes(database().handle()) == 1;
    if (!oneRow) {
        failChanged();
    }
    const Statement stored =
        database().prepare("SELECT rowid, * FROM " + quotedTable() + " WHERE rowid = ?");
    sqlite3_bind_int64(stored.get(), 1, row.rowid);
    if (sqlite3_step(stored.get()) != SQLITE_ROW) {
        database().fail();
    }
    return readRow(stored.get());
}

void DataSource::deleteCurrent()
{
    const Row& row = current();
    database().inTransaction([&] {
        const Statement statement =
            database().prepare("DELETE FROM " + quotedTable() + " WHERE " + unchangedCondition());
        bindUnchanged(statement.get(), 1, row);
        if (sqlite3_step(statement.get()) != SQLITE_DONE) {
            database().fail();
        }
        if (sqlite3_changes(database().handle()) != 1) {
            failChanged();
        }
    });
    if (found_) {
        found_.reset(); // the rows, once read, no longer hold it
        return;
    }
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(position_));
}

} // namespace storage
