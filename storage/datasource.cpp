#include "storage/datasource.h"

#include "text/textfold.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <utility>

namespace storage {
namespace {

bool isSpace(char c)
{
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

bool isWordCharacter(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

bool sameAscii(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

// Whether the word `keyword` stands at `pos` of `sql`, as a whole word.
bool wordAt(std::string_view sql, std::size_t pos, std::string_view keyword)
{
    if (pos > 0 && isWordCharacter(sql[pos - 1])) {
        return false;
    }
    if (!sameAscii(sql.substr(pos, keyword.size()), keyword)) {
        return false;
    }
    const std::size_t end = pos + keyword.size();
    return end >= sql.size() || !isWordCharacter(sql[end]);
}

// Position of "order by" in `sql` outside quoted texts and bracketed names, or npos.
std::size_t findOrderBy(std::string_view sql)
{
    for (std::size_t i = 0; i < sql.size(); ++i) {
        const char c = sql[i];
        if (c == '\'' || c == '"' || c == '[') {
            const char close = c == '[' ? ']' : c;
            i = sql.find(close, i + 1);
            if (i == std::string_view::npos) {
                return i;
            }
            continue;
        }
        if (wordAt(sql, i, "order")) {
            std::size_t next = i + 5;
            while (next < sql.size() && isSpace(sql[next])) {
                ++next;
            }
            if (next > i + 5 && wordAt(sql, next, "by")) {
                return i;
            }
        }
    }
    return std::string_view::npos;
}

std::size_t lengthOfName(std::string_view text)
{
    if (!text.empty() && text.front() == '[') {
        const std::size_t close = text.find(']');
        return close == std::string_view::npos ? 0 : close + 1;
    }
    std::size_t length = 0;
    while (length < text.size() && isWordCharacter(text[length])) {
        ++length;
    }
    return length;
}

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

} // namespace

DataSource::DataSource(std::string databaseName, std::string recordSource)
    : databaseName_(std::move(databaseName)), recordSource_(std::move(recordSource))
{}

const Database& DataSource::database() const
{
    if (!db_) {
        throw DataError("Nessun archivio aperto.");
    }
    return *db_;
}

// Splits the record source into table, condition and order: a bare table name, or
// "select * from <table> [where <condition>] [order by <order>]".
std::optional<DataSource::Query> DataSource::parseRecordSource(std::string_view source)
{
    source = text::trimmed(source);
    std::size_t nameLength = lengthOfName(source);
    if (nameLength > 0 && nameLength == source.size()) {
        return Query{std::string(source), {}, {}};
    }
    std::string_view rest = source;
    for (std::string_view word : {"select", "*", "from"}) {
        if (!sameAscii(rest.substr(0, word.size()), word)) {
            return std::nullopt;
        }
        rest = text::trimmed(rest.substr(word.size()));
    }
    nameLength = lengthOfName(rest);
    if (nameLength == 0) {
        return std::nullopt;
    }
    const std::string table(rest.substr(0, nameLength));
    rest = text::trimmed(rest.substr(nameLength));
    const std::size_t orderBy = findOrderBy(rest);
    std::string_view condition = rest.substr(0, orderBy);
    std::string order;
    if (orderBy != std::string_view::npos) {
        const std::size_t by = rest.find_first_not_of(" \t\r\n", orderBy + 5) + 2;
        order = text::trimmed(rest.substr(by));
    }
    condition = text::trimmed(condition);
    if (!condition.empty()) {
        if (!wordAt(condition, 0, "where")) {
            return std::nullopt;
        }
        condition = text::trimmed(condition.substr(5));
    }
    return Query{table, std::string(condition), order};
}

void DataSource::refresh()
{
    if (!db_ || openedName_ != databaseName_ || openedReadOnly_ != readOnly_) {
        db_.reset();
        db_ = std::make_unique<Database>(databaseName_,
                                         readOnly_ ? Access::ReadOnly : Access::ReadWrite);
        openedName_ = databaseName_;
        openedReadOnly_ = readOnly_;
    }
    const auto parsed = parseRecordSource(recordSource_);
    if (!parsed) {
        throw DataError("Origine dati non valida sull'archivio " + db_->describe() + ": " +
                        recordSource_);
    }
    query_ = *parsed;

    const Statement statement = db_->prepare(selectText({}));
    fieldNames_.clear();
    for (int i = 1; i < sqlite3_column_count(statement.get()); ++i) {
        fieldNames_.emplace_back(sqlite3_column_name(statement.get(), i));
    }
    refreshed_ = true;
    loaded_ = false;
    rows_.clear();
    position_ = 0;
    found_.reset();
    noMatch_ = false;
    pending_ = Pending::None;
}

// The record source as a statement that also yields each row's rowid, optionally narrowed by
// one more condition. Rows with equal sort keys keep the table's order.
std::string DataSource::selectText(const std::string& extraCondition) const
{
    std::string sql = "SELECT rowid, * FROM " + query_.table;
    if (!query_.where.empty() && !extraCondition.empty()) {
        sql += " WHERE (" + query_.where + ") AND (" + extraCondition + ")";
    } else if (!query_.where.empty() || !extraCondition.empty()) {
        sql += " WHERE " + (query_.where.empty() ? extraCondition : query_.where);
    }
    sql += " ORDER BY ";
    if (!query_.orderBy.empty()) {
        sql += query_.orderBy + ", ";
    }
    return sql + "rowid";
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
    if (!refreshed_) {
        throw DataError("Origine dati non aggiornata.");
    }
    if (loaded_) {
        return;
    }
    const Statement statement = database().prepare(selectText({}));
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

void DataSource::findFirst(const std::string& criterion)
{
    if (!refreshed_) {
        throw DataError("Origine dati non aggiornata.");
    }
    // Before the rows are read, the first match is the answer; once they are read, only a match
    // among them counts (a row added since the refresh is not part of this record set yet).
    const Statement statement =
        database().prepare(selectText(criterion) + (loaded_ ? "" : " LIMIT 1"));
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
        if (sameAscii(fieldNames_[i], field)) {
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
    const std::string sql = names.empty() ? "INSERT INTO " + query_.table + " DEFAULT VALUES"
                                          : "INSERT INTO " + query_.table + " (" + names +
                                                ") VALUES (" + placeholders + ")";
    const Statement statement = database().prepare(sql);
    int parameter = 0;
    for (const auto& value : pendingValues_) {
        if (value) {
            sqlite3_bind_text(statement.get(), ++parameter, value->data(),
                              static_cast<int>(value->size()), SQLITE_TRANSIENT);
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
        assignments.empty() ? "SELECT count(*) FROM " + query_.table + where
                            : "UPDATE " + query_.table + " SET " + assignments + where);
    int parameter = 0;
    for (const auto& value : pendingValues_) {
        if (value) {
            sqlite3_bind_text(statement.get(), ++parameter, value->data(),
                              static_cast<int>(value->size()), SQLITE_TRANSIENT);
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
        database().prepare("SELECT rowid, * FROM " + query_.table + " WHERE rowid = ?");
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
            database().prepare("DELETE FROM " + query_.table + " WHERE " + unchangedCondition());
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
