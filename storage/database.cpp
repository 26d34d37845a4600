#include "storage/database.h"

#include "location/datalocation.h"
#include "storage/catalogue.h"
#include "text/files.h"
#include "text/likepattern.h"
#include "text/textfold.h"

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <new>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace storage {
namespace {

fs::path folderOf(const fs::path& file)
{
    std::error_code error;
    const fs::path absolute = fs::absolute(file, error);
    return error ? file.parent_path() : absolute.lexically_normal().parent_path();
}

std::string describeFile(const fs::path& file)
{
    return text::quoted(file.filename().string()) + " nella cartella " +
           text::quoted(folderOf(file).string());
}

// like(pattern, text): the pattern is compiled once per statement and kept with it.
void likeFunction(sqlite3_context* context, int, sqlite3_value** arguments)
{
    if (sqlite3_value_type(arguments[0]) == SQLITE_NULL ||
        sqlite3_value_type(arguments[1]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const auto text = [](sqlite3_value* value) {
        const auto* bytes = reinterpret_cast<const char*>(sqlite3_value_text(value));
        return std::string_view(bytes ? bytes : "", sqlite3_value_bytes(value));
    };
    try {
        if (auto* compiled = static_cast<text::LikePattern*>(sqlite3_get_auxdata(context, 0))) {
            sqlite3_result_int(context, compiled->matches(text(arguments[1])));
            return;
        }
        auto compiled = std::make_unique<text::LikePattern>(text(arguments[0]));
        sqlite3_result_int(context, compiled->matches(text(arguments[1])));
        sqlite3_set_auxdata(context, 0, compiled.release(),
                            [](void* p) { delete static_cast<text::LikePattern*>(p); });
    } catch (const std::bad_alloc&) {
        sqlite3_result_error_nomem(context);
    }
}

// A collation that compares two texts with `compare`.
template <int (*compare)(std::string_view, std::string_view)>
int collation(void*, int sizeA, const void* a, int sizeB, const void* b)
{
    return compare(std::string_view(static_cast<const char*>(a), sizeA),
                   std::string_view(static_cast<const char*>(b), sizeB));
}

// How long a statement waits for a file another connection has locked: kBusyTimeoutMs, or the
// milliseconds that MIRELTA_BUSY_TIMEOUT gives.
int busyTimeout()
{
    constexpr int kBusyTimeoutMs = 5000;
    const char* given = std::getenv("MIRELTA_BUSY_TIMEOUT");
    if (given == nullptr || *given == '\0') {
        return kBusyTimeoutMs;
    }
    char* end = nullptr;
    const long milliseconds = std::strtol(given, &end, 10);
    return *end == '\0' && milliseconds >= 0 && milliseconds <= 600'000
               ? static_cast<int>(milliseconds)
               : kBusyTimeoutMs;
}

// Whether SQLite refused a read because the journal of an interrupted update is to be rolled
// back first, which a read-only connection cannot do.
bool updateInterrupted(int code)
{
    return code == SQLITE_READONLY_ROLLBACK || code == SQLITE_READONLY_RECOVERY;
}

// What SQLite was doing when a file operation failed without a system error number.
std::string failedOperation(int code)
{
    switch (code) {
    case SQLITE_IOERR_READ:
    case SQLITE_IOERR_SHORT_READ:
        return "errore di lettura del disco";
    case SQLITE_IOERR_WRITE:
        return "errore di scrittura del disco";
    case SQLITE_IOERR_FSYNC:
    case SQLITE_IOERR_DIR_FSYNC:
        return "il disco non ha confermato la scrittura";
    case SQLITE_IOERR_LOCK:
    case SQLITE_IOERR_RDLOCK:
    case SQLITE_IOERR_UNLOCK:
    case SQLITE_IOERR_CHECKRESERVEDLOCK:
        return "impossibile bloccare il file (una cartella di rete?)";
    case SQLITE_IOERR_DELETE:
    case SQLITE_IOERR_DELETE_NOENT:
        return "impossibile cancellare il giornale delle modifiche accanto al file";
    case SQLITE_IOERR_NOMEM:
        return "memoria insufficiente";
    case SQLITE_CANTOPEN:
        return "impossibile aprire il file";
    default:
        return "errore di lettura o scrittura (codice " + std::to_string(code) + ")";
    }
}

} // namespace

fs::path resolveDatabaseFile(const location::DatabaseName& name)
{
    const std::vector<fs::path> found = location::filesNamedBy(name);
    if (found.size() > 1) {
        std::string names;
        for (const fs::path& file : found) {
            names += (names.empty() ? "" : ", ") + text::quoted(file.filename().string());
        }
        throw DataError("Impossibile scegliere l'archivio nella cartella " +
                        text::quoted(folderOf(name.file).string()) + ": vi sono più file di nome " +
                        location::kDatabaseFile +
                        " che differiscono solo per maiuscole e minuscole (" + names +
                        "). Lasciarne uno solo con questo nome.");
    }
    return found.front();
}

StoredValue StoredValue::fromColumn(sqlite3_stmt* statement, int column)
{
    StoredValue value;
    // The type first: reading the text may convert the value.
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_NULL:
        return value;
    case SQLITE_INTEGER:
        value.type = Type::Integer;
        value.integer = sqlite3_column_int64(statement, column);
        break;
    case SQLITE_FLOAT:
        value.type = Type::Real;
        value.real = sqlite3_column_double(statement, column);
        break;
    case SQLITE_BLOB:
        value.type = Type::Blob;
        break;
    default:
        value.type = Type::Text;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    if (text) {
        value.text.assign(text, static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
    }
    return value;
}

void StoredValue::bind(sqlite3_stmt* statement, int parameter) const
{
    const int size = static_cast<int>(text.size());
    switch (type) {
    case Type::Null:
        sqlite3_bind_null(statement, parameter);
        break;
    case Type::Integer:
        sqlite3_bind_int64(statement, parameter, integer);
        break;
    case Type::Real:
        sqlite3_bind_double(statement, parameter, real);
        break;
    case Type::Text:
        bindText(statement, parameter, text);
        break;
    case Type::Blob:
        // Never a null pointer, which would bind NULL for an empty blob.
        sqlite3_bind_blob(statement, parameter, text.c_str(), size, SQLITE_TRANSIENT);
        break;
    }
}

const char* StoredValue::typeName() const
{
    constexpr const char* kNames[] = {"null", "integer", "real", "text", "blob"};
    return kNames[static_cast<int>(type)];
}

void StatementDeleter::operator()(sqlite3_stmt* statement) const
{
    sqlite3_finalize(statement);
}

std::string columnText(sqlite3_stmt* statement, int column)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return text ? std::string(text,
                              static_cast<std::size_t>(sqlite3_column_bytes(statement, column)))
                : std::string();
}

void bindText(sqlite3_stmt* statement, int parameter, std::string_view text)
{
    sqlite3_bind_text(statement, parameter, text.data(), static_cast<int>(text.size()),
                      SQLITE_TRANSIENT);
}

Database::Database(const location::DatabaseName& name, Access access)
    : path_(resolveDatabaseFile(name))
{
    const std::string notOpened = "Impossibile aprire l'archivio " + describeFile(path_) + ": ";
    std::error_code error;
    switch (fs::status(path_, error).type()) {
    case fs::file_type::regular:
        break;
    case fs::file_type::not_found:
        throw DataError(notOpened + "il file non esiste.");
    case fs::file_type::directory:
        throw DataError(notOpened + "è una cartella, non un file.");
    case fs::file_type::none:
        throw DataError(notOpened + text::fileFailure(error.value()) + ".");
    default: // reading a FIFO would wait for a writer forever
        throw DataError(notOpened +
                        "non è un file ordinario ma un dispositivo, una coda o un socket.");
    }
    const int mode = access == Access::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    if (!connect(mode) && !(access == Access::ReadOnly && rollBackInterruptedUpdate())) {
        const std::string text = openingFailure();
        disconnect();
        throw DataError(text);
    }
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    if (sqlite3_create_function(db_, "like", 2, flags, nullptr, likeFunction, nullptr, nullptr) !=
            SQLITE_OK ||
        sqlite3_create_collation(db_, "NOCASE", SQLITE_UTF8, nullptr,
                                 collation<text::compareNames>) != SQLITE_OK ||
        sqlite3_create_collation(db_, "CASELESS", SQLITE_UTF8, nullptr,
                                 collation<text::compareIgnoringCase>) != SQLITE_OK) {
        disconnect();
        throw DataError("Impossibile preparare l'archivio " + describeFile(path_) +
                        ": memoria insufficiente.");
    }
}

// Opens the connection with `mode` and reads the file's list of tables, which is where a damaged
// file or an interrupted update shows; false, with the connection left open for its error, when
// either fails.
bool Database::connect(int mode)
{
    // A connection serves one thread: SQLite need not lock it at every call.
    const int opened = sqlite3_open_v2(path_.c_str(), &db_, mode | SQLITE_OPEN_NOMUTEX, nullptr);
    if (db_ == nullptr) {
        throw std::bad_alloc(); // the one failure that leaves no connection
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, busyTimeout());
    return opened == SQLITE_OK && sqlite3_exec(db_, "SELECT count(*) FROM sqlite_master", nullptr,
                                               nullptr, nullptr) == SQLITE_OK;
}

void Database::disconnect()
{
    sqlite3_close(db_);
    db_ = nullptr;
}

// A read-only connection cannot roll back the journal of an interrupted update. A connection that
// may write does, as it opens, when the user can write to the file and its folder; the read-only
// connection then opens again, and fails again with the interrupted update when nothing could be
// rolled back.
bool Database::rollBackInterruptedUpdate()
{
    if (!updateInterrupted(sqlite3_extended_errcode(db_))) {
        return false;
    }
    disconnect();
    connect(SQLITE_OPEN_READWRITE);
    disconnect();
    return connect(SQLITE_OPEN_READONLY);
}

std::string Database::openingFailure() const
{
    if ((sqlite3_errcode(db_) & 0xFF) == SQLITE_NOTADB) {
        return "Impossibile aprire l'archivio " + describe() +
               ": il file non è un archivio valido.";
    }
    return failureText();
}

Database::~Database()
{
    sqlite3_close(db_);
}

Statement Database::prepare(const std::string& sql) const
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &statement, nullptr) !=
        SQLITE_OK) {
        fail();
    }
    return Statement(statement);
}

void Database::execute(const std::string& sql) const
{
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
        fail();
    }
}

void Database::eachRow(const std::string& sql, const std::function<void(sqlite3_stmt*)>& read) const
{
    const Statement statement = prepare(sql);
    int step;
    while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
        read(statement.get());
    }
    if (step != SQLITE_DONE) {
        fail();
    }
}

bool Database::hasTable(const char* name) const
{
    const Statement statement = prepare(catalogue::kTableExists);
    sqlite3_bind_text(statement.get(), 1, name, -1, SQLITE_STATIC);
    const int step = sqlite3_step(statement.get());
    if (step != SQLITE_ROW && step != SQLITE_DONE) {
        fail();
    }
    return step == SQLITE_ROW;
}

bool Database::canWrite() const
{
    return sqlite3_db_readonly(db_, "main") == 0;
}

void Database::fail() const
{
    throw DataError(failureText());
}

std::string Database::failureText() const
{
    const std::string reason = sqlite3_errmsg(db_);
    const std::string missingTable = "no such table: ";
    if (reason.starts_with(missingTable)) {
        return "L'archivio " + describe() + " non contiene la tabella " +
               text::quoted(reason.substr(missingTable.size())) + ".";
    }
    const std::string notSaved = "Impossibile salvare le modifiche nell'archivio " + describe();
    const int code = sqlite3_extended_errcode(db_);
    if (updateInterrupted(code)) {
        return "Un aggiornamento dell'archivio " + describe() +
               " è stato interrotto prima della fine, e l'archivio non si può leggere finché non "
               "viene riportato com'era prima. Per farlo basta aprire la tabella dei comuni nel "
               "programma (Modifica Tabella) o ripetere l'aggiornamento (cfcalc "
               "--aggiorna-comuni), come utente che può scrivere nel file e nella sua cartella.";
    }
    if (code == SQLITE_READONLY_DIRECTORY) {
        return notSaved + ": la cartella è di sola lettura.";
    }
    if (code == SQLITE_READONLY_DBMOVED) {
        return notSaved + ": il file è stato spostato o cancellato mentre era in uso.";
    }
    switch (code & 0xFF) {
    case SQLITE_READONLY:
        return notSaved + ": il file è di sola lettura.";
    case SQLITE_FULL:
        return notSaved + ": " + text::fileFailure(ENOSPC) + ".";
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return "L'archivio " + describe() + " è in uso da un altro programma: riprovare più tardi.";
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return "L'archivio " + describe() + " è danneggiato.";
    case SQLITE_NOMEM:
        return "Errore nell'archivio " + describe() + ": memoria insufficiente.";
    case SQLITE_CANTOPEN:
        return "Impossibile aprire l'archivio " + describe() + ": " + ioFailure(code) + ".";
    case SQLITE_IOERR:
        return "Errore nell'archivio " + describe() + ": " + ioFailure(code) + ".";
    default:
        return "Errore nell'archivio " + describe() + ": " + reason + ".";
    }
}

// Why a file operation failed: the system's error number that SQLite saw, or, when it saw none,
// the one the database file last met, or else what SQLite was doing.
std::string Database::ioFailure(int code) const
{
    int error = sqlite3_system_errno(db_);
    if (error == 0) {
        sqlite3_file_control(db_, "main", SQLITE_FCNTL_LAST_ERRNO, &error);
    }
    return error != 0 ? text::fileFailure(error) : failedOperation(code);
}

std::string Database::describe() const
{
    return describeFile(path_);
}

void Database::rollBack() const noexcept
{
    if (!sqlite3_get_autocommit(db_)) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

} // namespace storage
