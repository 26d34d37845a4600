#pragma once

#include "data/catalogue.h"

#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// A fresh empty folder that becomes the working folder for the life of the object, then is
// removed with everything in it and the previous working folder restored.
class WorkingFolder {
public:
    WorkingFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "mirelta-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(path_);
    }
    ~WorkingFolder()
    {
        std::filesystem::current_path(previous_);
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // Copies the shipped database into the folder under `name`.
    void copyShippedDatabase(const std::string& name = "AA1.mdb") const
    {
        std::filesystem::copy_file(MIRELTA_DATABASE, path_ / name);
    }

private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
};

// An environment variable set for the life of the object, then put back as it was.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::string& value) : name_(name)
    {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnvironment() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

struct LocalityRow {
    std::string cap, provincia, localita, regione;
};

// A database with the program's schema holding the given rows, in table order.
inline void makeDatabase(const std::filesystem::path& file,
                         const std::vector<std::pair<std::string, std::string>>& comuni,
                         const std::vector<LocalityRow>& localities = {})
{
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    const auto run = [&](const char* sql, const std::vector<std::string>& values) {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
        for (std::size_t i = 0; i < values.size(); ++i) {
            sqlite3_bind_text(statement, static_cast<int>(i + 1), values[i].c_str(), -1,
                              SQLITE_TRANSIENT);
        }
        const int step = sqlite3_step(statement);
        sqlite3_finalize(statement);
        if (step != SQLITE_DONE) {
            throw std::runtime_error(sqlite3_errmsg(db));
        }
    };
    sqlite3_exec(db, refdata::catalogue::kSchema, nullptr, nullptr, nullptr);
    for (const auto& [comune, codice] : comuni) {
        run("INSERT INTO COMUNI VALUES (?, ?)", {comune, codice});
    }
    for (const auto& row : localities) {
        run("INSERT INTO CittaItaliane VALUES (?, ?, ?, ?)",
            {row.cap, row.provincia, row.localita, row.regione});
    }
    sqlite3_close(db);
}
