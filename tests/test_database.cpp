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
using storage::Criterion;
using storage::DataError;
using storage::DataSource;
namespace catalogue = storage::catalogue;

namespace {

// Every row of `table`, in the table's order.
storage::Query wholeTable(const char* table)
{
    return {table, {}, {}};
}

// The rows of COMUNI whose name matches `pattern`.
Criterion namePattern(const std::string& pattern)
{
    return {"comune", Criterion::Test::Matches, pattern};
}

std::vector<std::string> Column(DataSource& source, const char* field)
{
    std::vector<std::string> values;
    for (source.moveFirst(); !source.isPastEnd(); source.moveNext()) {
        values.push_back(source.fieldValue(field));
    }
    return values;
}

std::string openingError(const location::DatabaseName& name)
{
    try {
        DataSource source(name, wholeTable("COMUNI"));
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
    TemporaryFolder folder;
    const fs::path file = folder / "AA1.mdb";
};

TEST(DatabaseFile, MissingOrDamagedFileIsReportedWithNameAndFolder)
{
    TemporaryFolder folder;
    const std::string missing = openingError(folder / "AA1.mdb");
    EXPECT_NE(missing.find("\"AA1.mdb\""), std::string::npos) << missing;
    EXPECT_NE(missing.find(folder.path().string()), std::string::npos) << missing;
    EXPECT_NE(missing.find("non esiste"), std::string::npos) << missing;
    EXPECT_FALSE(fs::exists(folder.path() / "AA1.mdb")); // never created

    std::ofstream(folder / "AA1.mdb")
        << "questo non è un archivio, ma un testo qualunque di prova\n";
    const std::string damaged = openingError(folder / "AA1.mdb");
    EXPECT_NE(damaged.find("non è un archivio valido"), std::string::npos) << damaged;
    EXPECT_NE(damaged.find(folder.path().string()), std::string::npos) << damaged;
}

// The message of opening `name` with `access`; "opened" when it opens and reads.
std::string openingError(const location::DatabaseName& name, storage::Access access)
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
    TemporaryFolder folder;
    ASSERT_EQ(::mkfifo((folder / "coda.mdb").c_str(), 0600), 0);
    fs::create_directory(folder / "cartella.mdb");
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
            const fs::path file = name[0] == '/' ? fs::path(name) : folder / name;
            const std::string message = openingError(file, access);
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
    TemporaryFolder folder;
    const fs::path file = folder / "AA1.mdb";
    const fs::path journal = folder / "AA1.mdb-journal";
    makeDatabase(file, {{"ROMA", "H501"}});
    const std::string before = fileContents(file);
    // A small cache makes the update write to the file before its end.
    childprocess::run(
        [] { return true; },
        [&] {
            sqlite3* db = nullptr;
            sqlite3_open(file.c_str(), &db);
            sqlite3_exec(
                db,
                "PRAGMA cache_size = 10; BEGIN; UPDATE COMUNI SET codice = 'Z999';"
                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 5000)"
                " INSERT INTO COMUNI SELECT printf('COMUNE %d %.200c', i, 'x'), 'X000' FROM n;",
                nullptr, nullptr, nullptr);
            ::raise(SIGKILL);
            return std::string();
        });
    ASSERT_TRUE(fs::exists(journal));
    ASSERT_NE(fileContents(file), before);

    // Read by someone who cannot write to the file or its folder: by a window, by cfcalc.
    const auto interrupted = childprocess::run(childprocess::withoutPrivileges, [&] {
        ::chmod(file.c_str(), 0444);
        ::chmod(folder.path().c_str(), 0555);
        const std::string text = openingError(file, storage::Access::ReadOnly) + "|" +
                                 openingError(file, storage::Access::ReadWrite);
        ::chmod(folder.path().c_str(), 0755);
        ::chmod(file.c_str(), 0644);
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
        EXPECT_TRUE(fs::exists(journal));
    }

    // Read by its owner: the update is rolled back and the rows are those of before.
    const storage::Database database(file, storage::Access::ReadOnly);
    std::vector<std::string> rows;
    database.eachRow("SELECT comune || '|' || codice FROM COMUNI",
                     [&](sqlite3_stmt* row) { rows.push_back(storage::columnText(row, 0)); });
    EXPECT_EQ(rows, std::vector<std::string>{"ROMA|H501"});
    EXPECT_FALSE(fs::exists(journal));
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
// failure SQLite may keep the file locked for the rest of the process, and a later file may take
// its place on the disk: each case writes in a process of its own.)
TEST(DatabaseFile, AFailedWriteNamesItsCause)
{
    TemporaryFolder folder;
    const struct {
        int error;
        const char* cause;
    } cases[] = {
        {EIO, "errore del disco"},
        {EACCES, "accesso negato"},
        {0, "errore di scrittura del disco"},
    };
    for (const auto& c : cases) {
        const std::string name = "disco" + std::to_string(c.error) + ".mdb";
        makeDatabase(folder / name, {{"ROMA", "H501"}});
        const auto told = childprocess::run(
            [] { return true; },
            [&] {
                const FailingDisk disk;
                FailingDisk::error = c.error;
                try {
                    const storage::Database database(folder / name);
                    database.inTransaction(
                        [&] { database.execute("INSERT INTO COMUNI VALUES ('NUOVO', 'N000')"); });
                    return std::string("scritto su un disco guasto");
                } catch (const DataError& failure) {
                    return std::string(failure.what());
                }
            });
        EXPECT_EQ(told, "Errore nell'archivio \"" + name + "\" nella cartella \"" +
                            folder.path().string() + "\": " + c.cause + ".");
    }
}

TEST(DatabaseFile, MissingTableIsReportedByName)
{
    TemporaryFolder folder;
    otherProgram(folder / "AA1.mdb", "CREATE TABLE altro (x TEXT)");
    const std::string error = openingError(folder / "AA1.mdb");
    EXPECT_NE(error.find("non contiene la tabella \"COMUNI\""), std::string::npos) << error;
}

TEST_F(SmallDatabase, FileNameAndTableNamesIgnoreCase)
{
    const auto folderDefault = location::DatabaseName::defaultIn(folder.path());
    fs::rename(file, folder / "aa1.Mdb");
    for (const char* table : {"COMUNI", "Comuni", "comuni"}) {
        DataSource source(folderDefault, wholeTable(table));
        source.refresh();
        EXPECT_EQ(source.rowCount(), 6) << table;
    }
    EXPECT_FALSE(fs::exists(file));

    // Two spellings side by side: the folder's default chooses neither, and the message names
    // both; a name given exactly opens the file it names, and only that one.
    makeDatabase(folder / "AA1.MDB", {{"ROMA", "H501"}});
    const std::string refused = openingError(folderDefault);
    EXPECT_NE(refused.find("(\"AA1.MDB\", \"aa1.Mdb\")"), std::string::npos) << refused;
    EXPECT_NE(refused.find(folder.path().string()), std::string::npos) << refused;
    const struct {
        const char* name;
        int rows; // -1: the file does not exist
    } exact[] = {{"AA1.MDB", 1}, {"aa1.Mdb", 6}, {"AA1.mdb", -1}};
    for (const auto& [name, rows] : exact) {
        if (rows < 0) {
            EXPECT_NE(openingError(folder / name).find("il file non esiste"), std::string::npos)
                << name;
            continue;
        }
        DataSource source(folder / name, wholeTable("COMUNI"));
        source.refresh();
        EXPECT_EQ(source.rowCount(), rows) << name;
    }
    fs::remove(folder / "AA1.MDB");
    fs::rename(folder / "aa1.Mdb",
               folder / "COPY.mdb"); // no other name stands for another spelling
    EXPECT_NE(openingError(folder / "copy.mdb").find("il file non esiste"), std::string::npos);
    EXPECT_NE(openingError(folderDefault).find("il file non esiste"), std::string::npos);
}

TEST_F(SmallDatabase, RowsComeInTableOrderOrInTheStatementsOrder)
{
    DataSource table(file, wholeTable("COMUNI"));
    table.refresh();
    EXPECT_EQ(Column(table, "comune"),
              (std::vector<std::string>{"ROMA", "agliè", "SANT'ANGELO", "AGLIO", "ROMA", "ÀBACO"}));

    DataSource sorted(file, catalogue::municipalities());
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
    DataSource table(file, wholeTable("COMUNI"));
    table.refresh();
    table.findFirst(namePattern("roma"));
    EXPECT_FALSE(table.noMatch());
    EXPECT_EQ(table.fieldValue("codice"), "H501");
    table.findFirst(namePattern("*O"));
    EXPECT_EQ(table.fieldValue("comune"), "SANT'ANGELO");
    EXPECT_EQ(table.currentRow(), 2);

    DataSource sorted(file, catalogue::municipalities());
    sorted.refresh();
    sorted.moveLast();
    sorted.findFirst(namePattern("*O"));
    EXPECT_EQ(sorted.fieldValue("comune"), "ÀBACO");
    sorted.findFirst(namePattern("SANT'ANGELO"));
    EXPECT_EQ(sorted.currentRow(), 5);

    sorted.findFirst(namePattern("MILANO"));
    EXPECT_TRUE(sorted.noMatch());
    EXPECT_EQ(sorted.currentRow(), 5); // a failed find leaves the current row alone

    // A row added through another record set is not among the rows read: no match until a refresh.
    DataSource other(file, wholeTable("COMUNI"));
    other.refresh();
    other.addNew();
    other.setFieldValue("comune", "MILANO");
    other.setFieldValue("codice", "F205");
    other.update();
    sorted.findFirst(namePattern("MILANO"));
    EXPECT_TRUE(sorted.noMatch());
    EXPECT_EQ(sorted.currentRow(), 5);
    sorted.refresh();
    sorted.findFirst(namePattern("MILANO"));
    EXPECT_EQ(sorted.fieldValue("codice"), "F205");
}

// What the editor's duplicate check finds for a name: the rows of that very name, letter case
// aside. Wildcards, brackets and apostrophes are characters like any other.
TEST_F(SmallDatabase, TheDuplicateCheckFindsTheNameItselfWhateverItHolds)
{
    otherProgram(file, "INSERT INTO COMUNI VALUES ('ROM*', 'R001'), ('[A-Z]#?', 'R002')");
    const struct {
        const char* name;
        std::vector<std::string> codes;
    } cases[] = {
        {"ROMA", {"H501", "Z999"}},
        {"roma", {"H501", "Z999"}},
        {"AGLIÈ", {"A074"}},
        {"AGLIE", {}},
        {"ROM*", {"R001"}},
        {"rom*", {"R001"}},
        {"R?MA", {}},
        {"[A-Z]#?", {"R002"}},
        {"[a-z]#?", {"R002"}},
        {"SANT'ANGELO", {"I000"}},
        {"SANT?ANGELO", {}},
        {"SANT’ANGELO", {}},
        {" ROMA", {}},
        {"*", {}},
    };
    for (const auto& [name, codes] : cases) {
        DataSource same(file, catalogue::municipalitiesNamed(name));
        same.refresh();
        EXPECT_EQ(Column(same, "codice"), codes) << name;
    }
}

// The search's statements: all the localities, those of a region, those that contain a text, in
// name order; and the first that begins with a text. The text is a pattern as the user typed it:
// its wildcards count, and an apostrophe stands for any one character.
TEST(Catalogue, TheSearchFindsByRegionAndByText)
{
    TemporaryFolder folder;
    const fs::path file = folder / "AA1.mdb";
    makeDatabase(file, {},
                 {{"11010", "AO", "Saint-Pierre", "Valle d'Aosta"},
                  {"67100", "AQ", "L'Aquila", "Abruzzo"},
                  {"00118", "RM", "Roma", "Lazio"},
                  {"00010", "RM", "Castel Madama", "Lazio"},
                  {"67100", "AQ", "L’Aquila", "Abruzzo"},
                  {"20121", "MI", "Milano", "Lombardia"},
                  {"22010", "CO", "Castel 2000", "Lombardia"}});
    using Names = std::vector<std::string>;
    const struct {
        storage::Query query;
        Names localities;
    } cases[] = {
        {catalogue::localities(),
         {"Castel 2000", "Castel Madama", "L'Aquila", "L’Aquila", "Milano", "Roma",
          "Saint-Pierre"}},
        {catalogue::localitiesOfRegion("lazio"), {"Castel Madama", "Roma"}},
        {catalogue::localitiesOfRegion("Valle d'Aosta"), {"Saint-Pierre"}},
        {catalogue::localitiesContaining("aqu"), {"L'Aquila", "L’Aquila"}},
        {catalogue::localitiesContaining("L'A"), {"L'Aquila", "L’Aquila"}},
        {catalogue::localitiesContaining("#"), {"Castel 2000"}},
        {catalogue::localitiesContaining("el*a"), {"Castel Madama"}},
        {catalogue::localitiesContaining("x' OR '1'='1"), {}},
    };
    for (const auto& [query, localities] : cases) {
        DataSource rows(file, query);
        rows.refresh();
        EXPECT_EQ(Column(rows, "localita"), localities)
            << (query.criteria.empty() ? "" : query.criteria.front().value);
    }

    DataSource all(file, catalogue::localities());
    all.refresh();
    const struct {
        const char* text;
        const char* first; // "-" for none
    } beginnings[] = {{"l'aq", "L'Aquila"},
                      {"CASTEL", "Castel 2000"},
                      {"ro", "Roma"},
                      {"[!a-l]", "Milano"},
                      {"Napoli", "-"}};
    for (const auto& [text, first] : beginnings) {
        all.findFirst(catalogue::localityBeginningWith(text));
        EXPECT_EQ(all.noMatch() ? "-" : all.fieldValue("localita"), first) << text;
    }
}

TEST_F(SmallDatabase, QuotesInUserTextNeverBreakAStatement)
{
    DataSource table(file, wholeTable("COMUNI"));
    table.refresh();
    using namespace std::string_literals;
    for (const std::string& text : {"'"s, "x' OR '1'='1"s, "\""s, "a\"b'c"s, "["s, "]"s, "[!"s,
                                    "%"s, "_"s, "\\"s, "RO\0MA"s, "*\0"s}) {
        table.findFirst(namePattern(text));
        EXPECT_TRUE(table.noMatch()) << text;
    }
    otherProgram(file, "INSERT INTO COMUNI VALUES ('RO' || char(0) || 'MA', 'N000')");
    table.refresh();
    table.findFirst(namePattern("RO\0MA"s));
    EXPECT_EQ(table.fieldValue("codice"), "N000");
    table.findFirst(namePattern("SANT'ANGELO"));
    EXPECT_EQ(table.fieldValue("codice"), "I000");
}

TEST_F(SmallDatabase, WritesAreCommittedAtOnce)
{
    DataSource grid(file, catalogue::municipalities());
    grid.refresh();
    grid.addNew();
    grid.setFieldValue("comune", " Nuovo 'comune' ");
    grid.setFieldValue("codice", "X001");
    grid.update();

    grid.findFirst(namePattern("ROMA"));
    grid.edit();
    grid.setFieldValue("CODICE", "H502");
    grid.update();
    EXPECT_EQ(grid.fieldValue("codice"), "H502");

    grid.findFirst(namePattern("AGLIO"));
    grid.deleteCurrent();

    // Another connection sees every change, exactly as written.
    DataSource check(file, catalogue::municipalities());
    check.refresh();
    EXPECT_EQ(Column(check, "comune"),
              (std::vector<std::string>{" Nuovo 'comune' ", "ÀBACO", "agliè", "ROMA", "ROMA",
                                        "SANT'ANGELO"}));
    EXPECT_EQ(Column(check, "codice"),
              (std::vector<std::string>{"X001", "B000", "A074", "H502", "Z999", "I000"}));
}

TEST_F(SmallDatabase, RefusedWriteLeavesTheDataAsItWas)
{
    otherProgram(
        file,
        "CREATE TRIGGER no_change BEFORE UPDATE ON COMUNI BEGIN SELECT RAISE(ABORT, 'no'); END;"
        "CREATE TRIGGER no_delete BEFORE DELETE ON COMUNI BEGIN SELECT RAISE(ABORT, 'no'); END;");

    DataSource grid(file, wholeTable("COMUNI"));
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
    DataSource check(file, wholeTable("COMUNI"));
    check.refresh();
    EXPECT_EQ(check.rowCount(), 7);
    EXPECT_EQ(check.fieldValue("comune"), "ROMA");
}

// The rows of COMUNI in `file`, with their rowids, as another program reads them.
std::string Table(const fs::path& file)
{
    return otherProgram(file,
                        "SELECT group_concat(rowid || '=' || quote(comune) || ',' || quote(codice),"
                        " ' ') FROM (SELECT rowid, * FROM COMUNI ORDER BY rowid)");
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
    DataSource a(file, wholeTable("COMUNI"));
    a.refresh();
    a.moveLast();
    ASSERT_EQ(a.fieldValue("comune"), "ÀBACO");

    DataSource b(file, wholeTable("COMUNI"));
    b.refresh();
    b.moveLast();
    b.deleteCurrent();
    b.addNew();
    b.setFieldValue("comune", "NUOVO");
    b.setFieldValue("codice", "N001");
    b.update();
    ASSERT_EQ(otherProgram(file, "SELECT rowid FROM COMUNI WHERE comune = 'NUOVO'"), "6");
    const std::string afterB = Table(file);

    EXPECT_EQ(failureOf([&] { changeCode(a, "B001"); }), DataError::Kind::RowChanged);
    EXPECT_EQ(failureOf([&] { a.deleteCurrent(); }), DataError::Kind::RowChanged);
    EXPECT_EQ(Table(file), afterB);
    try {
        a.deleteCurrent();
    } catch (const DataError& changed) {
        EXPECT_NE(std::string(changed.what()).find("da un altro utente"), std::string::npos);
        EXPECT_NE(std::string(changed.what()).find(folder.path().string()), std::string::npos);
    }

    a.refresh(); // read again, the row is B's and may be changed
    a.moveLast();
    changeCode(a, "N002");
    EXPECT_EQ(otherProgram(file, "SELECT codice FROM COMUNI WHERE rowid = 6"), "N002");
}

TEST_F(SmallDatabase, ARowChangedOrDeletedMeanwhileIsReportedNeverOverwritten)
{
    DataSource a(file, wholeTable("COMUNI"));
    a.refresh();
    ASSERT_EQ(a.rowCount(), 6);                                             // the rows are read
    otherProgram(file, "UPDATE COMUNI SET comune = 'Roma' WHERE rowid = 1;" // letter case only
                       "UPDATE COMUNI SET codice = 'A075' WHERE rowid = 2;"
                       "DELETE FROM COMUNI WHERE rowid = 4");
    const std::string afterB = Table(file);
    for (int row : {0, 1, 3}) {
        a.setCurrentRow(row);
        EXPECT_EQ(failureOf([&] { changeCode(a, "X000"); }), DataError::Kind::RowChanged) << row;
        a.setCurrentRow(row);
        a.edit(); // a change of nothing still finds the row changed
        EXPECT_EQ(failureOf([&] { a.update(); }), DataError::Kind::RowChanged) << row;
        EXPECT_EQ(failureOf([&] { a.deleteCurrent(); }), DataError::Kind::RowChanged) << row;
    }
    EXPECT_EQ(Table(file), afterB);

    // Rows nobody touched are changed and deleted as usual, in any order.
    a.setCurrentRow(4);
    changeCode(a, "Z998");
    changeCode(a, "Z997"); // the row as just written
    a.setCurrentRow(2);
    a.deleteCurrent();
    EXPECT_EQ(Table(file), "1='Roma','H501' 2='agliè','A075' 5='ROMA','Z997' 6='ÀBACO','B000'");
}

// Values of any type, written by another program: a change writes only the fields given a new
// value and keeps every other one as stored, type and bytes; a deletion finds them as read.
TEST(StoredValues, AChangeWritesOnlyWhatTheUserChanged)
{
    TemporaryFolder folder;
    const fs::path file = folder / "AA1.mdb";
    makeDatabase(file, {});
    otherProgram(file,
                 "CREATE TABLE prova (a, b, c, d, e, f);"
                 "INSERT INTO prova VALUES (118, 0.1, NULL, x'00ff', CAST(x'43697474e0' AS TEXT),"
                 " 'testo');"
                 "INSERT INTO prova VALUES (1, 2.5, NULL, x'', '', 'altro');"
                 "INSERT INTO COMUNI VALUES (NULL, x'48353031')");
    const auto row = [&](int rowid) {
        return otherProgram(file, "SELECT quote(a)||typeof(a)||' '||quote(b)||' '||quote(c)||' '||"
                                  "quote(d)||' '||hex(e)||typeof(e)||' '||quote(f) FROM prova "
                                  "WHERE rowid = " +
                                      std::to_string(rowid));
    };
    DataSource source(file, wholeTable("prova"));
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
    EXPECT_EQ(otherProgram(file, "SELECT count(*) FROM prova"), "1");

    DataSource comuni(file, wholeTable("COMUNI"));
    comuni.refresh();
    const auto stored = [&] {
        return otherProgram(file, "SELECT quote(comune) || ' ' || quote(codice) FROM COMUNI");
    };
    changeCode(comuni, "H501"); // the text as read: the blob stays
    EXPECT_EQ(stored(), "NULL X'48353031'");
    changeCode(comuni, "H502");
    EXPECT_EQ(stored(), "NULL 'H502'");
}

std::string codeOfRoma(const fs::path& file)
{
    const auto places = storage::readBirthplaces(file);
    return places.resolve("roma", 19800101).places.at(0)->code;
}

// Look-ups read the database without the right to change it, so that they also work on a
// read-only file in a read-only folder, such as the database shipped with the program.
TEST_F(SmallDatabase, ReadOnlyConnectionsReadAndRefuseEveryWrite)
{
    const storage::Database direct(file, storage::Access::ReadOnly);
    EXPECT_EQ(sqlite3_db_readonly(direct.handle(), "main"), 1);
    EXPECT_EQ(codeOfRoma(file), "H501");

    DataSource grid(file, wholeTable("COMUNI"));
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
    EXPECT_EQ(codeOfRoma(file), "H502");
}

// A change that the file system refuses names what refuses it: the file, or its folder.
TEST_F(SmallDatabase, AWriteRefusedNamesTheReadOnlyFileOrFolder)
{
    const auto refusal = [&](const char* fileMode, const char* folderMode) {
        return childprocess::run(childprocess::withoutPrivileges, [&] {
            ::chmod(file.c_str(), std::stoi(fileMode, nullptr, 8));
            ::chmod(folder.path().c_str(), std::stoi(folderMode, nullptr, 8));
            std::string text = "scritto";
            try {
                DataSource grid(file, wholeTable("COMUNI"));
                grid.refresh();
                changeCode(grid, "H502");
            } catch (const DataError& error) {
                text = error.what();
            }
            ::chmod(folder.path().c_str(), 0755);
            ::chmod(file.c_str(), 0644);
            return text;
        });
    };
    const auto readOnlyFile = refusal("0444", "0755");
    const auto readOnlyFolder = refusal("0644", "0555");
    if (!readOnlyFile || !readOnlyFolder) {
        GTEST_SKIP() << "no process without an administrator's rights can be made here";
    }
    EXPECT_NE(readOnlyFile->find("il file è di sola lettura"), std::string::npos) << *readOnlyFile;
    EXPECT_NE(readOnlyFolder->find("la cartella è di sola lettura"), std::string::npos)
        << *readOnlyFolder;
    EXPECT_EQ(codeOfRoma(file), "H501");
}

TEST(EmptyTable, HasNoRowsAndNoCurrentRow)
{
    TemporaryFolder folder;
    makeDatabase(folder / "AA1.mdb", {});
    DataSource source(folder / "AA1.mdb", catalogue::municipalities());
    source.refresh();
    EXPECT_EQ(source.rowCount(), 0);
    EXPECT_TRUE(source.isPastEnd());
    EXPECT_THROW(source.fieldValue("comune"), DataError);
    source.findFirst(namePattern("*"));
    EXPECT_TRUE(source.noMatch());
}

TEST(ShippedDatabase, HoldsMunicipalitiesStatesAndTheTwentyRegions)
{
    const fs::path file = MIRELTA_DATABASE;
    const auto places = storage::readBirthplaces(file);
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
    DataSource comuni(file, wholeTable("COMUNI"));
    comuni.setReadOnly(true);
    comuni.refresh();
    EXPECT_GT(comuni.rowCount(), 7896);
    for (int row = 0; row < comuni.rowCount(); ++row) {
        const std::string code = comuni.valueAt(row, 1);
        ASSERT_TRUE(text::LikePattern("[A-Z]###").matches(code))
            << comuni.valueAt(row, 0) << ";" << code;
    }

    DataSource regions(file, catalogue::localities());
    regions.setReadOnly(true);
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
    const fs::path file = MIRELTA_DATABASE;
    const auto rows = [&](storage::Query query) {
        DataSource data(file, std::move(query));
        data.setReadOnly(true);
        data.refresh();
        return data.rowCount();
    };
    EXPECT_GT(rows(catalogue::municipalities()), 10000);
    EXPECT_EQ(rows(catalogue::municipalities()), rows(wholeTable("COMUNI")));
    EXPECT_EQ(rows(catalogue::municipalitiesNamed("roma")), 1);
    EXPECT_GT(rows(catalogue::localities()), 8000);
    EXPECT_EQ(rows(catalogue::localities()), rows(wholeTable("CittaItaliane")));
    EXPECT_EQ(rows(catalogue::localitiesOfRegion("Valle d'Aosta")), 74);
    EXPECT_EQ(rows(catalogue::localitiesOfRegion("lombardia")),
              rows(catalogue::localitiesOfRegion("Lombardia")));
    EXPECT_EQ(rows(catalogue::localitiesContaining("nessun luogo")), 0);

    DataSource castel(file, catalogue::localitiesContaining("castel"));
    castel.setReadOnly(true);
    castel.refresh();
    for (int row = 0; row < castel.rowCount(); ++row) {
        ASSERT_TRUE(text::LikePattern("*CASTEL*").matches(castel.valueAt(row, 2)));
    }

    DataSource lombardy(file, catalogue::localitiesOfRegion("Lombardia"));
    lombardy.setReadOnly(true);
    lombardy.refresh();
    lombardy.findFirst(catalogue::localityBeginningWith("mil"));
    EXPECT_EQ(lombardy.fieldValue("Localita"), "Milano");
    lombardy.findFirst(catalogue::localityBeginningWith("Napoli"));
    EXPECT_TRUE(lombardy.noMatch());

    DataSource cap(file, catalogue::localitiesWithPostalCode("00186"));
    cap.setReadOnly(true);
    cap.refresh();
    EXPECT_EQ(cap.fieldValue("localita"), "Roma");
}

TEST(ShippedDatabase, ListsAreInNameOrderAndTheFileReadsWithoutOurFunctions)
{
    const fs::path file = MIRELTA_DATABASE;
    DataSource sorted(file, catalogue::municipalities());
    sorted.setReadOnly(true);
    sorted.refresh();
    for (int row = 1; row < sorted.rowCount(); ++row) {
        ASSERT_LE(text::compareNames(sorted.valueAt(row - 1, 0), sorted.valueAt(row, 0)), 0)
            << sorted.valueAt(row - 1, 0) << " / " << sorted.valueAt(row, 0);
    }

    sqlite3* plain = nullptr;
    ASSERT_EQ(sqlite3_open_v2(file.c_str(), &plain, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
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
