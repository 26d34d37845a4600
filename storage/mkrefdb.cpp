// Makes the reference database AA1.mdb from the seed CSV files.
//
//   mkrefdb SEED_FOLDER OUTPUT_FILE
//
// The database is written to a temporary file beside OUTPUT_FILE and renamed into place only
// when complete, so an interrupted run never leaves a damaged database behind.
#include "messages/texts.h"
#include "storage/catalogue.h"
#include "text/csv.h"

#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Table {
    const char* name;
    const char* seedFile;
    std::vector<std::string> fields;
};

const Table kTables[] = {
    {"COMUNI", "COMUNI.csv", {"comune", "codice"}},
    {"StoriaComuni",
     "StoriaComuni.csv",
     {"codice", "comune", "altro_nome", "provincia", "dal", "al"}},
    {"CittaItaliane", "CittaItaliane.csv", {"cap", "provincia", "localita", "regione"}},
};

void check(sqlite3* db, int result)
{
    if (result != SQLITE_OK && result != SQLITE_DONE && result != SQLITE_ROW) {
        throw std::runtime_error(sqlite3_errmsg(db));
    }
}

void load(sqlite3* db, const Table& table, const fs::path& seedFolder)
{
    std::ifstream in(seedFolder / table.seedFile, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + (seedFolder / table.seedFile).string());
    }
    text::CsvReader reader(in);
    std::vector<std::string> record;
    if (!reader.next(record) || record != table.fields) {
        throw std::runtime_error(std::string("unexpected header in ") + table.seedFile);
    }
    std::string sql = std::string("INSERT INTO ") + table.name + " VALUES (?";
    for (std::size_t i = 1; i < table.fields.size(); ++i) {
        sql += ", ?";
    }
    sql += ")";
    sqlite3_stmt* insert = nullptr;
    check(db, sqlite3_prepare_v2(db, sql.c_str(), -1, &insert, nullptr));
    while (reader.next(record)) {
        if (record.size() != table.fields.size() || reader.flaw() != text::CsvReader::Flaw::None) {
            sqlite3_finalize(insert);
            throw std::runtime_error(std::string(table.seedFile) + ": wrong fields on line " +
                                     std::to_string(reader.lineNumber()) + " " +
                                     messages::flawText(reader.flaw(), reader.flawField()));
        }
        for (std::size_t i = 0; i < record.size(); ++i) {
            sqlite3_bind_text(insert, static_cast<int>(i + 1), record[i].c_str(),
                              static_cast<int>(record[i].size()), SQLITE_TRANSIENT);
        }
        const int step = sqlite3_step(insert);
        sqlite3_reset(insert);
        check(db, step);
    }
    sqlite3_finalize(insert);
}

void makeDatabase(const fs::path& seedFolder, const fs::path& file)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        const std::string reason = db ? sqlite3_errmsg(db) : "out of memory";
        sqlite3_close(db);
        throw std::runtime_error(reason);
    }
    try {
        check(db, sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr));
        check(db, sqlite3_exec(db, storage::catalogue::kSchema, nullptr, nullptr, nullptr));
        for (const Table& table : kTables) {
            load(db, table, seedFolder);
        }
        check(db, sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr));
        check(db, sqlite3_exec(db, "VACUUM", nullptr, nullptr, nullptr));
    } catch (...) {
        sqlite3_close(db);
        throw;
    }
    sqlite3_close(db);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: mkrefdb SEED_FOLDER OUTPUT_FILE\n";
        return 2;
    }
    const fs::path output = argv[2];
    fs::path temporary = output;
    temporary += ".tmp";
    try {
        fs::remove(temporary);
        makeDatabase(argv[1], temporary);
        fs::rename(temporary, output);
    } catch (const std::exception& error) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        std::cerr << "mkrefdb: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
