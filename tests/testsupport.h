#pragma once

#include "storage/catalogue.h"
#include "tests/testfolders.h"

#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

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
    sqlite3_exec(db, storage::catalogue::kSchema, nullptr, nullptr, nullptr);
    for (const auto& [comune, codice] : comuni) {
        run("INSERT INTO COMUNI VALUES (?, ?)", {comune, codice});
    }
    for (const auto& row : localities) {
        run("INSERT INTO CittaItaliane VALUES (?, ?, ?, ?)",
            {row.cap, row.provincia, row.localita, row.regione});
    }
    sqlite3_close(db);
}

// Runs `sql` on `file` through a connection of its own, as another program would. Returns the
// first column of the first row of the answer, as text; or the error.
inline std::string otherProgram(const std::filesystem::path& file, const std::string& sql)
{
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    std::string answer;
    const auto first = [](void* out, int, char** values, char**) {
        auto& text = *static_cast<std::string*>(out);
        if (text.empty() && values[0]) {
            text = values[0];
        }
        return 0;
    };
    if (sqlite3_exec(db, sql.c_str(), first, &answer, nullptr) != SQLITE_OK) {
        answer = std::string("errore: ") + sqlite3_errmsg(db);
    }
    sqlite3_close(db);
    return answer;
}
