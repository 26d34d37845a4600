#pragma once

#include "location/datalocation.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace storage {

// Every failure of the storage: what failed, as a kind, and a message in Italian that names the
// file and its folder and can be shown to the user as it stands.
class DataError : public std::runtime_error {
public:
    enum class Kind {
        Database,              // the database cannot be opened, read or written
        RowChanged,            // a change or deletion refused: another program changed or deleted
                               // the row meanwhile, and nothing was written
        RegisterRefused,       // the register's file cannot be read or is of another shape
        TooManyMunicipalities, // an update would add more municipalities than one brings
    };

    explicit DataError(const std::string& message, Kind kind = Kind::Database)
        : std::runtime_error(message), kind_(kind)
    {}

    Kind kind() const { return kind_; }

private:
    Kind kind_;
};

// The file a connection opens for `name` (see location::filesNamedBy): the one it stands for;
// when it stands for several files that differ only in letter case, none of them is chosen
// (DataError naming them).
std::filesystem::path resolveDatabaseFile(const location::DatabaseName& name);

struct StatementDeleter {
    void operator()(sqlite3_stmt* statement) const;
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

// The text of column `column` of the row `statement` stands on; empty for no value.
std::string columnText(sqlite3_stmt* statement, int column);

// Binds a copy of `text`, every byte of it (NUL bytes included), to parameter `parameter`.
void bindText(sqlite3_stmt* statement, int parameter, std::string_view text);

// A value as the file stores it, with its type, so that a statement can compare with it or write it
// back byte for byte. `text` is what a grid shows: the bytes of a text or blob, a number written
// out, nothing for NULL; a number is also kept as it is stored.
struct StoredValue {
    enum class Type { Null, Integer, Real, Text, Blob };
    Type type = Type::Null;
    std::string text;
    std::int64_t integer = 0;
    double real = 0;

    static StoredValue fromColumn(sqlite3_stmt* statement, int column);
    void bind(sqlite3_stmt* statement, int parameter) const;
    // The name typeof() gives the type: "null", "integer", "real", "text", "blob".
    const char* typeName() const;
};

// Whether a connection may change the file. A read-only connection never writes to the file or
// beside it, so it also works on a file or folder the user cannot write.
enum class Access { ReadWrite, ReadOnly };

// One connection to the reference database. Opening never creates the file, and refuses at once
// anything that is not a regular file (a folder, a device, a FIFO). The connection compares texts
// by the rules of text::LikePattern in `like`, compares them without regard to letter case with
// the collation CASELESS (text::compareIgnoringCase) and orders names with text::compareNames
// (the collation NOCASE, refined). A file that
// another connection has locked is waited for up to 5 seconds (the environment variable
// MIRELTA_BUSY_TIMEOUT may give other milliseconds, from 0 to 600000), then reported as in use.
//
// An update that was interrupted (the program killed, the machine stopped) leaves its journal
// beside the file, and the file is read as it was before the update only once that journal is
// rolled back. A connection that may write does so as it opens; a read-only one has it done by a
// connection that may write, when the user can write to the file and its folder, and otherwise
// reports the interrupted update and how to finish it.
class Database {
public:
    explicit Database(const location::DatabaseName& name, Access access = Access::ReadWrite);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    sqlite3* handle() const { return db_; }

    Statement prepare(const std::string& sql) const;

    // Runs `sql`, which may hold several statements separated by ";".
    void execute(const std::string& sql) const;

    // Runs the query `sql` and hands every row of its result to `read`, in order.
    void eachRow(const std::string& sql, const std::function<void(sqlite3_stmt*)>& read) const;

    // Whether the file holds the table `name`, its letter case ignored.
    bool hasTable(const char* name) const;

    // Whether the connection may write: false when opened read-only, or when the file or its
    // folder let it be read only.
    bool canWrite() const;

    // Runs `write` inside a transaction that is committed at once, or rolled back when `write`
    // throws; a refused write becomes a DataError.
    template <typename Writing> void inTransaction(Writing&& write) const
    {
        transaction("BEGIN IMMEDIATE", write);
    }

    // Runs `read` inside one read transaction: it sees the file as it was at one moment, also
    // while another program writes, and a locked file is waited for once.
    template <typename Reading> void inSnapshot(Reading&& read) const
    {
        transaction("BEGIN", read);
    }

    // Throws the last error of the connection as a DataError naming the file.
    [[noreturn]] void fail() const;

    // "«AA1.mdb» nella cartella «/home/user»", for messages.
    std::string describe() const;

private:
    bool connect(int mode);
    void disconnect();
    bool rollBackInterruptedUpdate();
    std::string openingFailure() const;
    std::string ioFailure(int code) const;
    template <typename Work> void transaction(const char* begin, Work& work) const
    {
        execute(begin);
        try {
            work();
            execute("COMMIT");
        } catch (...) {
            rollBack();
            throw;
        }
    }
    std::string failureText() const;
    void rollBack() const noexcept;

    sqlite3* db_ = nullptr;
    std::filesystem::path path_;
};

} // namespace storage
