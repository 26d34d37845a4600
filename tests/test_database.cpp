#include "location/datalocation.h"
#include "places/birthplaces.h"
#include "storage/birthplacefile.h"
#include "storage/catalogue.h"
#include "storage/datasource.h"
#include "tests/childprocess.h"
#include "tests/testsupport.h"
#include "text/likepattern.h"
#include "text/textfold.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <cerrno>
#include <csignal>

#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using storage::DataError;
using storage::DataSource;
namespace catalogue = storage::catalogue;

namespace {

std::vector<std::string> Column(DataSource& source, const char* field)
{
    std::vector<std::string> values;
    for (source.moveFirst(); !source.isPastEnd(); source.moveNext()) {
        values.push_back(source.fieldValue(field));
    }
    return values;
}

std::string openingError(const std::string& name)
{
    try {
        DataSource source(name, "COMUNI");
        source.refresh();
    } catch (const DataError& error) {
        return error.what();
    }
    return "opened";
}

// The kind of the storage's failure that `action` throws; none when it throws nothing.
template <typename Action> std::optional<DataError::Kind> failureOf(Action&& action)
{
    try {
        action();
    } catch (const DataError& error) {
        return error.kind();
    }
    return std::nullopt;
}

class SmallDatabase : public ::testing::Test {
protected:
    void SetUp() override
    {
        makeDatabase(folder.path() / "AA1.mdb", {{"ROMA", "H501"},
                                                 {"agliè", "A074"},
                                                 {"SANT'ANGELO", "I000"},
                                                 {"AGLIO", "A000"},
                                                 {"ROMA", "Z999"},
                                                 {"ÀBACO", "B000"}});
    }
    WorkingFolder folder;
};

TEST(DatabaseFile, MissingOrDamagedFileIsReportedWithNameAndFolder)
{
    WorkingFolder folder;
    const std::string missing = openingError("AA1.mdb");
    EXPECT_NE(missing.find("\"AA1.mdb\""), std::string::npos) << missing;
    EXPECT_NE(missing.find(folder.path().string()), std::string::npos) << missing;
    EXPECT_NE(missing.find("non esiste"), std::string::npos) << missing;
    EXPECT_FALSE(fs::exists(folder.path() / "AA1.mdb")); // never created

    std::ofstream("AA1.mdb") << "questo non è un archivio, ma un testo qualunque di prova\n";
    const std::string damaged = openingError("AA1.mdb");
    EXPECT_NE(damaged.find("non è un archivio valido"), std::string::npos) << damaged;
    EXPECT_NE(damaged.find(folder.path().string()), std::string::npos) << damaged;
}

// The message of opening `name` with `access`; "opened" when it opens and reads.
std::string openingError(const std::string& name, storage::Access access)
{
    try {
        const storage::Database database(name, access);
        database.hasTable("COMUNI");
    } catch (const DataError& error) {
        return error.what();
    }
    return "opened";
}

// What is not a regular file is refused at once, before anything reads it: reading a FIFO would
// wait forever for a program that writes to it.
TEST(DatabaseFile, OnlyARegularFileIsOpened)
{
    WorkingFolder folder;
    ASSERT_EQ(::mkfifo("coda.mdb", 0600), 0);
    fs::create_directory("cartella.mdb");
    const struct {
        const char* name;
        const char* reason;
    } cases[] = {
        {"coda.mdb", ": non è un file ordinario ma un dispositivo, una coda o un socket."},
        {"/dev/null", ": non è un file ordinario ma un dispositivo, una coda o un socket."},
        {"cartella.mdb", ": è una cartella, non un file."},
        {"nessuno.mdb", ": il file non esiste."},
    };
    for (const auto& [name, reason] : cases) {
        for (const auto access : {storage::Access::ReadOnly, storage::Access::ReadWrite}) {
            const std::string message = openingError(name, access);
            EXPECT_TRUE(message.starts_with("Impossibile aprire l'archivio \"")) << message;
            EXPECT_TRUE(message.ends_with(reason)) << message;
        }
    }
}

// An update killed halfway leaves its journal beside the file, and the file half written. The
// next read rolls the update back when the user can write to the file; otherwise it says that an
// update was interrupted and how to finish it, never that the file is read-only.
TEST(DatabaseFile, AnUpdateKilledHalfwayIsRolledBackOrToldAsSuch)
{
    WorkingFolder folder;
    makeDatabase("AA1.mdb", {{"ROMA", "H501"}});
    const std::string before = fileContents("AA1.mdb");
    // A small cache makes the update write to the file before its end.
    childprocess::run(
        [] { return true; },
        [] {
            sqlite3* db = nullptr;
            sqlite3_open("AA1.mdb", &db);
            sqlite3_exec(
                db,
                "PRAGMA cache_size = 10; BEGIN; UPDATE COMUNI SET codice = 'Z999';"
                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 5000)"
                " INSERT INTO COMUNI SELECT printf('COMUNE %d %.200c', i, 'x'), 'X000' FROM n;",
                nullptr, nullptr, nullptr);
            ::raise(SIGKILL);
            return std::string();
        });
    ASSERT_TRUE(fs::exists("AA1.mdb-journal"));
    ASSERT_NE(fileContents("AA1.mdb"), before);

    // Read by someone who cannot write to the file or its folder: by a window, by cfcalc.
    const auto interrupted = childprocess::run(childprocess::withoutPrivileges, [] {
        ::chmod("AA1.mdb", 0444);
        ::chmod(".", 0555);
        const std::string text = openingError("AA1.mdb", storage::Access::ReadOnly) + "|" +
                                 openingError("AA1.mdb", storage::Access::ReadWrite);
        ::chmod(".", 0755);
        ::chmod("AA1.mdb", 0644);
        return text;
    });
    if (interrupted) {
        const std::string told = "Un aggiornamento dell'archivio \"AA1.mdb\" nella cartella \"" +
                                 folder.path().string() +
                                 "\" è stato interrotto prima della fine, e l'archivio non si "
                                 "può leggere finché non viene riportato com'era prima. Per farlo "
                                 "basta aprire la tabella dei comuni nel programma (Modifica "
                                 "Tabella) o ripetere l'aggiornamento (cfcalc --aggiorna-comuni), "
                                 "come utente che può scrivere nel file e nella sua cartella.";
        EXPECT_EQ(*interrupted, told + "|" + told);
        EXPECT_TRUE(fs::exists("AA1.mdb-journal"));
    }

    // Read by its owner: the update is rolled back and the rows are those of before.
    const storage::Database database("AA1.mdb", storage::Access::ReadOnly);
    std::vector<std::string> rows;
    database.eachRow("SELECT comune || '|' || codice FROM COMUNI",
                     [&](sqlite3_stmt* row) { rows.push_back(storage::columnText(row, 0)); });
    EXPECT_EQ(rows, std::vector<std::string>{"ROMA|H501"});
    EXPECT_FALSE(fs::exists("AA1.mdb-journal"));
    if (!interrupted) {
        GTEST_SKIP() << "no process without an administrator's rights can be made here";
    }
}

// A disk whose writes fail: with the system's error number `error` set, or, as some file systems
// do, with none. Every connection opened meanwhile writes through it.
class FailingDisk {
public:
    FailingDisk()
    {
        real_ = sqlite3_vfs_find(nullptr);
        disk_ = *real_;
        disk_.zName = "disco-guasto";
        disk_.pNext = nullptr;
        disk_.xOpen = open;
        sqlite3_vfs_register(&disk_, 1);
    }
    ~FailingDisk() { sqlite3_vfs_unregister(&disk_); }
    FailingDisk(const FailingDisk&) = delete;
    FailingDisk& operator=(const FailingDisk&) = delete;

    static inline int error = 0;

private:
    static int open(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags)
    {
        const int opened = real_->xOpen(real_, name, file, flags, outFlags);
        if (opened == SQLITE_OK && file->pMethods != nullptr) {
            methods_ = *file->pMethods;
            methods_.xWrite = [](sqlite3_file*, const void*, int, sqlite3_int64) {
                errno = error;
                return SQLITE_IOERR_WRITE;
            };
            file->pMethods = &methods_;
        }
        return opened;
    }

    static inline sqlite3_vfs* real_ = nullptr;
    static inline sqlite3_io_methods methods_{};
    sqlite3_vfs disk_{};
};

// A write the disk refuses is told by its cause, never by an error number 0. (After such a
// failure SQLite may keep the file locked for the rest of the process: one file per case.)
TEST(DatabaseFile, AFailedWriteNamesItsCause)
{
    WorkingFolder folder;
    const struct {
        int error;
        const char* cause;
    } cases[] = {
        {EIO, "errore del disco"},
        {EACCES, "accesso negato"},
        {0, "errore di scrittura del disco"},
    };
    const auto fileOf = [](int error) {
        return "disco" + std::to_string(error) + ".mdb";
    };
    for (const auto& c : cases) {
        makeDatabase(fileOf(c.error), {{"ROMA", "H501"}});
    }
    const FailingDisk disk;
    for (const auto& [error, cause] : cases) {
        FailingDisk::error = error;
        try {
            const storage::Database database(fileOf(error));
            database.inTransaction(
                [&] { database.execute("INSERT INTO COMUNI VALUES ('NUOVO', 'N000')"); });
            ADD_FAILURE() << "a write went through a failing disk";
        } catch (const DataError& failure) {
            EXPECT_EQ(std::string(failure.what()),
                      "Errore nell'archivio \"" + fileOf(error) + "\" nella cartella \"" +
                          folder.path().string() + "\": " + cause + ".");
        }
    }
}

TEST(DatabaseFile, MissingTableIsReportedByName)
{
    WorkingFolder folder;
    sqlite3* db = nullptr;
    sqlite3_open("AA1.mdb", &db);
    sqlite3_exec(db, "CREATE TABLE altro (x TEXT)", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    const std::string error = openingError("AA1.mdb");
    EXPECT_NE(error.find("non contiene la tabella \"COMUNI\""), std::string::npos) << error;
}

TEST_F(SmallDatabase, FileNameAndTableNamesIgnoreCase)
{
    fs::rename("AA1.mdb", "aa1.Mdb");
    for (const char* name : {"AA1.MDB", "AA1.mdb", "aa1.mdb"}) {
        for (const char* table : {"COMUNI", "Comuni", "comuni"}) {
            DataSource source(name, table);
            source.refresh();
            EXPECT_EQ(source.rowCount(), 6) << name << " " << table;
        }
    }
    EXPECT_FALSE(fs::exists("AA1.mdb"));

    // Two spellings side by side: no spelling of the default name chooses between them, and the
    // message names both; a name made exact opens the file it names, and only that one.
    makeDatabase("AA1.MDB", {{"ROMA", "H501"}});
    for (const char* name : {"AA1.MDB", "AA1.mdb", "aa1.Mdb"}) {
        const std::string refused = openingError(name);
        EXPECT_NE(refused.find("(\"AA1.MDB\", \"aa1.Mdb\")"), std::string::npos) << refused;
    }
    const struct {
        const char* name;
        int rows; // -1: the file does not exist
    } exact[] = {{"AA1.MDB", 1}, {"aa1.Mdb", 6}, {"AA1.mdb", -1}};
    for (const auto& [name, rows] : exact) {
        const std::string path = location::exactly(name).string();
        EXPECT_EQ(path, std::string("./") + name);
        if (rows < 0) {
            EXPECT_NE(openingError(path).find("il file non esiste"), std::string::npos) << name;
            continue;
        }
        DataSource source(path, "COMUNI");
        source.refresh();
        EXPECT_EQ(source.rowCount(), rows) << name;
    }
    fs::remove("AA1.MDB");
    fs::rename("aa1.Mdb", "COPY.mdb"); // other names never stand for another spelling
    EXPECT_NE(openingError("copy.mdb").find("il file non esiste"), std::string::npos);
}

TEST_F(SmallDatabase, RowsComeInTableOrderOrInTheStatementsOrder)
{
    DataSource table("AA1.mdb", "COMUNI");
    table.refresh();
    EXPECT_EQ(Column(table, "comune"),
              (std::vector<std::string>{"ROMA", "agliè", "SANT'ANGELO", "AGLIO", "ROMA", "ÀBACO"}));

    DataSource sorted("AA1.MDB", catalogue::kComuniGridSource);
    sorted.refresh();
    EXPECT_EQ(sorted.fieldNames(), (std::vector<std::string>{"comune", "codice"}));
    EXPECT_EQ(sorted.fieldValue("COMUNE"), "ÀBACO"); // the first row is current after a refresh
    EXPECT_EQ(Column(sorted, "comune"),
              (std::vector<std::string>{"ÀBACO", "agliè", "AGLIO", "ROMA", "ROMA", "SANT'ANGELO"}));
    EXPECT_EQ(Column(sorted, "codice"),
              (std::vector<std::string>{"B000", "A074", "A000", "H501", "Z999", "I000"}));
}

TEST_F(SmallDatabase, FindFirstFollowsTheRecordSourceOrder)
{
    DataSource table("AA1.mdb", "COMUNI");
    table.refresh();
    table.findFirst(catalogue::comuneCriterion("roma"));
    EXPECT_FALSE(table.noMatch());
    EXPECT_EQ(table.fieldValue("codice"), "H501");
    table.findFirst(catalogue::comuneCriterion("*O"));
    EXPECT_EQ(table.fieldValue("comune"), "SANT'ANGELO");
    EXPECT_EQ(table.currentRow(), 2);

    DataSource sorted("AA1.mdb", "Select * from comuni order by [comune]");
    sorted.refresh();
    sorted.moveLast();
    sorted.findFirst(catalogue::comuneCriterion("*O"));
    EXPECT_EQ(sorted.fieldValue("comune"), "ÀBACO");
    sorted.findFirst(catalogue::comuneCriterion("SANT'ANGELO"));
    EXPECT_EQ(sorted.currentRow(), 5);

    sorted.findFirst(catalogue::comuneCriterion("MILANO"));
    EXPECT_TRUE(sorted.noMatch());
    EXPECT_EQ(sorted.currentRow(), 5); // a failed find leaves the current row alone

    // A row added through another record set is not among the rows read: no match until a refresh.
    DataSource other("AA1.mdb", "COMUNI");
    other.refresh();
    other.addNew();
    other.setFieldValue("comune", "MILANO");
    other.setFieldValue("codice", "F205");
    other.update();
    sorted.findFirst(catalogue::comuneCriterion("MILANO"));
    EXPECT_TRUE(sorted.noMatch());
    EXPECT_EQ(sorted.currentRow(), 5);
    sorted.refresh();
    sorted.findFirst(catalogue::comuneCriterion("MILANO"));
    EXPECT_EQ(sorted.fieldValue("codice"), "F205");
}

TEST(Catalogue, UserValuesEnterThePatternsWithApostrophesAsWildcards)
{
    EXPECT_EQ(catalogue::regionQuery("Valle d'Aosta"),
              "Select * from cittaitaliane where [regione]like'Valle d?Aosta' order by [localita]");
    EXPECT_EQ(catalogue::localityContainingQuery("SANT'A"),
              "Select * from cittaitaliane where [localita]like'*SANT?A*' order by [localita]");
    EXPECT_EQ(catalogue::localityPrefixCriterion("L'AQ"), "[localita]like'L?AQ*'");
    EXPECT_EQ(catalogue::comuneCriterion("SANT'ANGELO"), "[comune]like'SANT?ANGELO'");
    EXPECT_EQ(catalogue::capCriterion("0018'"), "[cap]like'0018?'");
}

TEST_F(SmallDatabase, QuotesInUserTextNeverBreakAStatement)
{
    DataSource table("AA1.mdb", "COMUNI");
    table.refresh();
    using namespace std::string_literals;
    for (const std::string& text : {"'"s, "x' OR '1'='1"s, "\""s, "a\"b'c"s, "["s, "]"s, "[!"s,
                                    "%"s, "_"s, "\\"s, "RO\0MA"s, "*\0"s}) {
        table.findFirst(catalogue::comuneCriterion(text));
        EXPECT_TRUE(table.noMatch()) << text;
    }
    otherProgram("INSERT INTO COMUNI VALUES ('RO' || char(0) || 'MA', 'N000')");
    table.refresh();
    table.findFirst(catalogue::comuneCriterion("RO\0MA"s));
    EXPECT_EQ(table.fieldValue("codice"), "N000");
    table.findFirst(catalogue::comuneCriterion("SANT'ANGELO"));
    EXPECT_EQ(table.fieldValue("codice"), "I000");
}

TEST_F(SmallDatabase, WritesAreCommittedAtOnce)
{
    DataSource grid("AA1.MDB", catalogue::kComuniGridSource);
    grid.refresh();
    grid.addNew();
    grid.setFieldValue("comune", " Nuovo 'comune' ");
    grid.setFieldValue("codice", "X001");
    grid.update();

    grid.findFirst(catalogue::comuneCriterion("ROMA"));
    grid.edit();
    grid.setFieldValue("CODICE", "H502");
    grid.update();
    EXPECT_EQ(grid.fieldValue("codice"), "H502");

    grid.findFirst(catalogue::comuneCriterion("AGLIO"));
    grid.deleteCurrent();

    // Another connection sees every change, exactly as written.
    DataSource check("aa1.mdb", catalogue::kComuniExportSource);
    check.refresh();
    EXPECT_EQ(Column(check, "comune"),
              (std::vector<std::string>{" Nuovo 'comune' ", "ÀBACO", "agliè", "ROMA", "ROMA",
                                        "SANT'ANGELO"}));
    EXPECT_EQ(Column(check, "codice"),
              (std::vector<std::string>{"X001", "B000", "A074", "H502", "Z999", "I000"}));
}

TEST_F(SmallDatabase, RefusedWriteLeavesTheDataAsItWas)
{
    sqlite3* db = nullptr;
    sqlite3_open("AA1.mdb", &db);
    sqlite3_exec(
        db,
        "CREATE TRIGGER no_change BEFORE UPDATE ON COMUNI BEGIN SELECT RAISE(ABORT, 'no'); END;"
        "CREATE TRIGGER no_delete BEFORE DELETE ON COMUNI BEGIN SELECT RAISE(ABORT, 'no'); END;",
        nullptr, nullptr, nullptr);
    sqlite3_close(db);

    DataSource grid("AA1.mdb", "COMUNI");
    grid.refresh();
    grid.edit();
    grid.setFieldValue("comune", "CAMBIATO");
    EXPECT_THROW(grid.update(), DataError);
    EXPECT_THROW(grid.deleteCurrent(), DataError);
    EXPECT_EQ(grid.fieldValue("comune"), "ROMA");

    // The failed transactions were rolled back: the next write goes through.
    grid.addNew();
    grid.setFieldValue("comune", "NUOVO");
    grid.update();
    DataSource check("AA1.mdb", "COMUNI");
    check.refresh();
    EXPECT_EQ(check.rowCount(), 7);
    EXPECT_EQ(check.fieldValue("comune"), "ROMA");
}

std::string Table(const std::string& table = "COMUNI")
{
    return otherProgram(
        "SELECT group_concat(rowid || '=' || quote(comune) || ',' || quote(codice), "
        "' ') FROM (SELECT rowid, * FROM " +
        table + " ORDER BY rowid)");
}

void changeCode(DataSource& source, const std::string& code)
{
    source.edit();
    source.setFieldValue("codice", code);
    source.update();
}

// Two programs on one file: B deletes the last row and adds another, which takes its rowid.
TEST_F(SmallDatabase, ARowTakenByAnotherUnderTheSameRowidIsNeitherChangedNorDeleted)
{
    DataSource a("AA1.mdb", "COMUNI");
    a.refresh();
    a.moveLast();
    ASSERT_EQ(a.fieldValue("comune"), "ÀBACO");

    DataSource b("AA1.mdb", "COMUNI");
    b.refresh();
    b.moveLast();
    b.deleteCurrent();
    b.addNew();
    b.setFieldValue("comune", "NUOVO");
    b.setFieldValue("codice", "N001");
    b.update();
    ASSERT_EQ(otherProgram("SELECT rowid FROM COMUNI WHERE comune = 'NUOVO'"), "6");
    const std::string afterB = Table();

    EXPECT_EQ(failureOf([&] { changeCode(a, "B001"); }), DataError::Kind::RowChanged);
    EXPECT_EQ(failureOf([&] { a.deleteCurrent(); }), DataError::Kind::RowChanged);
    EXPECT_EQ(Table(), afterB);
    try {
        a.deleteCurrent();
    } catch (const DataError& changed) {
        EXPECT_NE(std::string(changed.what()).find("da un altro utente"), std::string::npos);
        EXPECT_NE(std::string(changed.what()).find(folder.path().string()), std::string::npos);
    }

    a.refresh(); // read again, the row is B's and may be changed
    a.moveLast();
    changeCode(a, "N002");
    EXPECT_EQ(otherProgram("SELECT codice FROM COMUNI WHERE rowid = 6"), "N002");
}

TEST_F(SmallDatabase, ARowChangedOrDeletedMeanwhileIsReportedNeverOverwritten)
{
    DataSource a("AA1.mdb", "COMUNI");
    a.refresh();
    ASSERT_EQ(a.rowCount(), 6);                                       // the rows are read
    otherProgram("UPDATE COMUNI SET comune = 'Roma' WHERE rowid = 1;" // letter case only
                 "UPDATE COMUNI SET codice = 'A075' WHERE rowid = 2;"
                 "DELETE FROM COMUNI WHERE rowid = 4");
    const std::string afterB = Table();
    for (int row : {0, 1, 3}) {
        a.setCurrentRow(row);
        EXPECT_EQ(failureOf([&] { changeCode(a, "X000"); }), DataError::Kind::RowChanged) << row;
        a.setCurrentRow(row);
        a.edit(); // a change of nothing still finds the row changed
        EXPECT_EQ(failureOf([&] { a.update(); }), DataError::Kind::RowChanged) << row;
        EXPECT_EQ(failureOf([&] { a.deleteCurrent(); }), DataError::Kind::RowChanged) << row;
    }
    EXPECT_EQ(Table(), afterB);

    // Rows nobody touched are changed and deleted as usual, in any order.
    a.setCurrentRow(4);
    changeCode(a, "Z998");
    changeCode(a, "Z997"); // the row as just written
    a.setCurrentRow(2);
    a.deleteCurrent();
    EXPECT_EQ(Table(), "1='Roma','H501' 2='agliè','A075' 5='ROMA','Z997' 6='ÀBACO','B000'");
}

// Values of any type, written by another program: a change writes only the fields given a new
// value and keeps every other one as stored, type and bytes; a deletion finds them as read.
TEST(StoredValues, AChangeWritesOnlyWhatTheUserChanged)
{
    WorkingFolder folder;
    makeDatabase("AA1.mdb", {});
    otherProgram("CREATE TABLE prova (a, b, c, d, e, f);"
                 "INSERT INTO prova VALUES (118, 0.1, NULL, x'00ff', CAST(x'43697474e0' AS TEXT),"
                 " 'testo');"
                 "INSERT INTO prova VALUES (1, 2.5, NULL, x'', '', 'altro');"
                 "INSERT INTO COMUNI VALUES (NULL, x'48353031')");
    const auto row = [](int rowid) {
        return otherProgram("SELECT quote(a)||typeof(a)||' '||quote(b)||' '||quote(c)||' '||"
                            "quote(d)||' '||hex(e)||typeof(e)||' '||quote(f) FROM prova "
                            "WHERE rowid = " +
                            std::to_string(rowid));
    };
    DataSource source("AA1.mdb", "prova");
    source.refresh();
    EXPECT_EQ(source.fieldValue("a"), "118");
    EXPECT_EQ(source.fieldValue("c"), "");
    source.edit();
    for (const char* field : {"a", "b", "c", "d", "e"}) {
        source.setFieldValue(field, source.fieldValue(field)); // as read: left alone
    }
    source.setFieldValue("f", "cambiato");
    source.setFieldValue("f", "testo"); // back to what it was
    source.setFieldValue("b", "0.2");
    source.update();
    EXPECT_EQ(row(1), "118integer '0.2' NULL X'00FF' 43697474E0text 'testo'");

    source.moveNext();
    source.deleteCurrent(); // found as read: NULL, an empty blob, an empty text
    EXPECT_EQ(otherProgram("SELECT count(*) FROM prova"), "1");

    DataSource comuni("AA1.mdb", "COMUNI");
    comuni.refresh();
    const auto stored = [] {
        return otherProgram("SELECT quote(comune) || ' ' || quote(codice) FROM COMUNI");
    };
    changeCode(comuni, "H501"); // the text as read: the blob stays
    EXPECT_EQ(stored(), "NULL X'48353031'");
    changeCode(comuni, "H502");
    EXPECT_EQ(stored(), "NULL 'H502'");
}

std::string codeOfRoma()
{
    const auto places = storage::readBirthplaces("AA1.mdb");
    return places.resolve("roma", 19800101).places.at(0)->code;
}

// Look-ups read the database without the right to change it, so that they also work on a
// read-only file in a read-only folder, such as the database shipped with the program.
TEST_F(SmallDatabase, ReadOnlyConnectionsReadAndRefuseEveryWrite)
{
    const storage::Database direct("AA1.mdb", storage::Access::ReadOnly);
    EXPECT_EQ(sqlite3_db_readonly(direct.handle(), "main"), 1);
    EXPECT_EQ(codeOfRoma(), "H501");

    DataSource grid("AA1.mdb", "COMUNI");
    grid.setReadOnly(true);
    grid.refresh();
    grid.edit();
    grid.setFieldValue("codice", "H502");
    try {
        grid.update();
        ADD_FAILURE() << "a read-only record set wrote";
    } catch (const DataError& error) {
        EXPECT_NE(std::string(error.what()).find("sola lettura"), std::string::npos)
            << error.what();
    }

    grid.setReadOnly(false); // reopened for writing at the next refresh
    grid.refresh();
    EXPECT_EQ(grid.fieldValue("codice"), "H501");
    grid.edit();
    grid.setFieldValue("codice", "H502");
    grid.update();
    EXPECT_EQ(codeOfRoma(), "H502");
}

// A change that the file system refuses names what refuses it: the file, or its folder.
TEST_F(SmallDatabase, AWriteRefusedNamesTheReadOnlyFileOrFolder)
{
    const auto refusal = [](const char* file, const char* folder) {
        return childprocess::run(childprocess::withoutPrivileges, [=] {
            ::chmod("AA1.mdb", std::stoi(file, nullptr, 8));
            ::chmod(".", std::stoi(folder, nullptr, 8));
            std::string text = "scritto";
            try {
                DataSource grid("AA1.mdb", "COMUNI");
                grid.refresh();
                changeCode(grid, "H502");
            } catch (const DataError& error) {
                text = error.what();
            }
            ::chmod(".", 0755);
            ::chmod("AA1.mdb", 0644);
            return text;
        });
    };
    const auto file = refusal("0444", "0755");
    const auto folder = refusal("0644", "0555");
    if (!file || !folder) {
        GTEST_SKIP() << "no process without an administrator's rights can be made here";
    }
    EXPECT_NE(file->find("il file è di sola lettura"), std::string::npos) << *file;
    EXPECT_NE(folder->find("la cartella è di sola lettura"), std::string::npos) << *folder;
    EXPECT_EQ(codeOfRoma(), "H501");
}

TEST(EmptyTable, HasNoRowsAndNoCurrentRow)
{
    WorkingFolder folder;
    makeDatabase("AA1.mdb", {});
    DataSource source("AA1.mdb", catalogue::kComuniGridSource);
    source.refresh();
    EXPECT_EQ(source.rowCount(), 0);
    EXPECT_TRUE(source.isPastEnd());
    EXPECT_THROW(source.fieldValue("comune"), DataError);
    source.findFirst(catalogue::comuneCriterion("*"));
    EXPECT_TRUE(source.noMatch());
}

TEST(ShippedDatabase, HoldsMunicipalitiesStatesAndTheTwentyRegions)
{
    WorkingFolder folder;
    folder.copyShippedDatabase();
    const auto places = storage::readBirthplaces("AA1.mdb");
    const auto find = [&](const char* name) -> std::string {
        const auto found = places.resolve(name, 19800101);
        return found.outcome == places::Birthplace::Outcome::Found ? found.places[0]->code : "none";
    };
    EXPECT_EQ(find("ROMA"), "H501");
    EXPECT_EQ(find("roma"), "H501");
    EXPECT_EQ(find("FRANCIA"), "Z110");
    EXPECT_EQ(find("agliè"), "A074");
    EXPECT_EQ(find("ACI SANT'ANTONIO"), "A029");
    EXPECT_EQ(find("CASTEL SANT?ANGELO"), "C268");
    EXPECT_EQ(find("ATLANTIDE"), "none");

    // Every row carries a usable code: a letter and three digits, never a placeholder.
    DataSource comuni("AA1.mdb", "COMUNI");
    comuni.refresh();
    EXPECT_GT(comuni.rowCount(), 7896);
    for (int row = 0; row < comuni.rowCount(); ++row) {
        const std::string code = comuni.valueAt(row, 1);
        ASSERT_TRUE(text::LikePattern("[A-Z]###").matches(code))
            << comuni.valueAt(row, 0) << ";" << code;
    }

    DataSource regions("AA1.mdb", catalogue::kAllLocalities);
    regions.refresh();
    std::set<std::string> names;
    for (int row = 0; row < regions.rowCount(); ++row) {
        names.insert(regions.valueAt(row, 3));
    }
    EXPECT_EQ(names, (std::set<std::string>{
                         "Abruzzo", "Basilicata", "Calabria", "Campania",      "Emilia Romagna",
                         "Friuli",  "Lazio",      "Liguria",  "Lombardia",     "Marche",
                         "Molise",  "Piemonte",   "Puglia",   "Sardegna",      "Sicilia",
                         "Toscana", "Trentino",   "Umbria",   "Valle d'Aosta", "Veneto"}));
}

TEST(ShippedDatabase, EveryStatementOfTheProgramRuns)
{
    WorkingFolder folder;
    folder.copyShippedDatabase();
    const auto rows = [](const std::string& source) {
        DataSource data(location::kDatabaseFileUpper, source);
        data.refresh();
        return data.rowCount();
    };
    EXPECT_GT(rows(catalogue::kComuniGridSource), 10000);
    EXPECT_EQ(rows(catalogue::kComuniExportSource), rows(catalogue::kComuniTable));
    EXPECT_GT(rows(catalogue::kCittaGridSource), 8000);
    EXPECT_EQ(rows(catalogue::kCittaExportSource), rows(catalogue::kCittaDuplicateSource));
    EXPECT_EQ(rows(catalogue::regionQuery("Valle d'Aosta")), 74);
    EXPECT_EQ(rows(catalogue::regionQuery("lombardia")), rows(catalogue::regionQuery("Lombardia")));
    EXPECT_EQ(rows(catalogue::localityContainingQuery("nessun luogo")), 0);

    DataSource castel(location::kDatabaseFile, catalogue::localityContainingQuery("castel"));
    castel.refresh();
    for (int row = 0; row < castel.rowCount(); ++row) {
        ASSERT_TRUE(text::LikePattern("*CASTEL*").matches(castel.valueAt(row, 2)));
    }

    DataSource lombardy(location::kDatabaseFile, catalogue::regionQuery("Lombardia"));
    lombardy.refresh();
    lombardy.findFirst(catalogue::localityPrefixCriterion("mil"));
    EXPECT_EQ(lombardy.fieldValue("Localita"), "Milano");
    lombardy.findFirst(catalogue::localityPrefixCriterion("Napoli"));
    EXPECT_TRUE(lombardy.noMatch());

    DataSource cap(location::kDatabaseFile, catalogue::kCittaDuplicateSource);
    cap.refresh();
    cap.findFirst(catalogue::capCriterion("00186"));
    EXPECT_EQ(cap.fieldValue("localita"), "Roma");
}

TEST(ShippedDatabase, ListsAreInNameOrderAndTheFileReadsWithoutOurFunctions)
{
    WorkingFolder folder;
    folder.copyShippedDatabase();
    DataSource sorted("AA1.MDB", catalogue::kComuniGridSource);
    sorted.refresh();
    for (int row = 1; row < sorted.rowCount(); ++row) {
        ASSERT_LE(text::compareNames(sorted.valueAt(row - 1, 0), sorted.valueAt(row, 0)), 0)
            << sorted.valueAt(row - 1, 0) << " / " << sorted.valueAt(row, 0);
    }

    sqlite3* plain = nullptr;
    ASSERT_EQ(sqlite3_open_v2("AA1.mdb", &plain, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    int rows = 0;
    const auto count = [](void* n, int, char**, char**) {
        ++*static_cast<int*>(n);
        return 0;
    };
    EXPECT_EQ(
        sqlite3_exec(plain, "SELECT * FROM comuni ORDER BY comune LIMIT 5", count, &rows, nullptr),
        SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(plain, "SELECT * FROM CittaItaliane ORDER BY localita LIMIT 5", count,
                           &rows, nullptr),
              SQLITE_OK);
    EXPECT_EQ(rows, 10);
    sqlite3_close(plain);
}

} // namespace
