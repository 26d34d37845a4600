#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace refdata {

// A failure of the reference database, with a message in Italian that names the file and its
// folder and can be shown to the user as it stands.
class DataError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Finds `name` (a bare file name, looked up in the working folder, or a path) without regard to
// the letter case of the file name: "AA1.MDB" finds "aa1.mdb". Returns the path of the file
// found, or the path as given when there is none.
std::filesystem::path resolveDatabaseFile(const std::filesystem::path& name);

struct StatementDeleter {
    void operator()(sqlite3_stmt* statement) const;
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

// The text of column `column` of the row `statement` stands on; empty for no value.
std::string columnText(sqlite3_stmt* statement, int column);

// Whether a connection may change the file. A read-only connection never writes to the file or
// beside it, so it also works on a file or folder the user cannot write.
enum class Access { ReadWrite, ReadOnly };

// One connection to the reference database. Opening never creates the file. The connection
// compares texts by the rules of LikePattern in `like` and orders names with compareNames.
class Database {
public:
    explicit Database(const std::filesystem::path& name, Access access = Access::ReadWrite);
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
        execute("BEGIN IMMEDIATE");
        try {
            write();
            execute("COMMIT");
        } catch (...) {
            rollBack();
            throw;
        }
    }

    // Throws the last error of the connection as a DataError naming the file.
    [[noreturn]] void fail() const;

    // "«AA1.mdb» nella cartella «/home/user»", for messages.
    std::string describe() const;

private:
    void rollBack() const noexcept;

    sqlite3* db_ = nullptr;
    std::filesystem::path path_;
};

} // namespace refdata
