// The municipalities and the history of their codes brought up to date from the register's archive.
#include "places/birthplaces.h"
#include "storage/birthplacefile.h"
#include "storage/database.h"
#include "storage/registerupdate.h"
#include "tests/registerfile.h"
#include "tests/testsupport.h"
#include "text/csv.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

using places::BirthplaceIndex;
using storage::Database;
using storage::DataError;
using storage::RegisterUpdate;

namespace {

// Every row of `table`, in table order, its fields joined by "|".
std::vector<std::string> rowsOf(const std::filesystem::path& file, const char* table)
{
    std::vector<std::string> rows;
    const Database database(file, storage::Access::ReadOnly);
    database.eachRow(std::string("SELECT * FROM ") + table, [&](sqlite3_stmt* row) {
        std::string text;
        for (int i = 0; i < sqlite3_column_count(row); ++i) {
            text += (i == 0 ? "" : "|") + storage::columnText(row, i);
        }
        rows.push_back(text);
    });
    return rows;
}

std::vector<std::string> sorted(std::vector<std::string> rows)
{
    std::sort(rows.begin(), rows.end());
    return rows;
}

void addPeriods(const std::filesystem::path& file, const std::vector<RegisterRow>& periods)
{
    const Database database(file);
    database.inTransaction([&] {
        for (const RegisterRow& period : periods) {
            const storage::Statement insert =
                database.prepare("INSERT INTO StoriaComuni VALUES (?, ?, '', ?, ?, ?)");
            int parameter = 0;
            for (const std::string* value :
                 {&period.code, &period.name, &period.province, &period.from, &period.to}) {
                sqlite3_bind_text(insert.get(), ++parameter, value->c_str(), -1, SQLITE_STATIC);
            }
            if (sqlite3_step(insert.get()) != SQLITE_DONE) {
                database.fail();
            }
        }
    });
}

// A person born in `place` on `day`, and the code of the birthplace ("-" for none or several).
struct Born {
    const char* place;
    fiscalcode::Day day;
    const char* code;
};

void expectBirthplaces(const std::filesystem::path& database, std::initializer_list<Born> people)
{
    const auto index = storage::readBirthplaces(database);
    for (const Born& born : people) {
        const places::Birthplace found = index.resolve(born.place, born.day);
        const std::string code =
            found.outcome == places::Birthplace::Outcome::Found ? found.places.front()->code : "-";
        EXPECT_EQ(code, born.code) << born.place << " " << born.day << " in " << database;
    }
}

RegisterUpdate update(const std::filesystem::path& database, const std::filesystem::path& file)
{
    return storage::updateFromRegister(Database(database), file);
}

// The register's archive as it stood in May 2024 for a few municipalities of Veneto: SOVIZZO
// merged with GAMBUGLIANO under a new code, SETTEVILLE and SANTA CATERINA D'ESTE made of others;
// ABANO renamed long ago; ROMA unchanged; a placeholder code.
const std::vector<RegisterRow> kRegister2024 = {
    {"A001", "ABANO", "PD", "1866-11-19", "1924-11-13"},
    {"A001", "ABANO TERME", "PD", "1924-11-14"},
    {"A121", "ALANO DI PIAVE", "BL", "1867-04-12", "2024-01-21"},
    {"B749", "CARCERI", "PD", "1866-11-19", "2024-01-21"},
    {"H501", "ROMA", "RM", "1871-02-01"},
    {"I879", "SOVIZZO", "VI", "1866-11-19", "2024-01-21"},
    {"L878", "VIGHIZZOLO D'ESTE", "PD", "1867-08-26", "2024-01-21"},
    {"M332", "QUERO VAS", "BL", "2013-12-28", "2024-01-21"},
    {"M436", "SOVIZZO", "VI", "2024-01-22", "9999-12-31", "SOVIZZO"},
    {"M437", "SETTEVILLE", "BL", "2024-01-22"},
    {"M438", "SANTA CATERINA D'ESTE", "PD", "2024-01-22"},
    {"ND", "ARIZZANO", "VB", "1861-03-17"},
};

// A database of 2023: the register's rows of then (ROMA's period since corrected), and the user's
// own: SETTEVILLE already typed in, VIGHIZZOLO D'ESTE renamed, a place of the user's.
class RegisterOf2024 : public ::testing::Test {
protected:
    void SetUp() override
    {
        makeDatabase(database, {{"ABANO", "A001"},
                                {"ALANO DI PIAVE", "A121"},
                                {"CARCERI", "B749"},
                                {"ROMA", "H501"},
                                {"SOVIZZO", "I879"},
                                {"VIGHIZZOLO", "L878"},
                                {"QUERO VAS", "M332"},
                                {"FRANCIA", "Z110"},
                                {"Setteville", "m437"},
                                {"CASA NOSTRA", "X001"}});
        addPeriods(database, {{"A001", "ABANO", "PD", "1866-11-19"},
                              {"A121", "ALANO DI PIAVE", "BL", "1867-04-12"},
                              {"B749", "CARCERI", "PD", "1866-11-19"},
                              {"H501", "Roma", "RO", "1871-02-01"}, // since corrected
                              {"I879", "SOVIZZO", "VI", "1866-11-19"},
                              {"L878", "VIGHIZZOLO D'ESTE", "PD", "1867-08-26"},
                              {"M332", "QUERO VAS", "BL", "2013-12-28"},
                              {"Z110", "FRANCIA", "EE", "0001-01-01"}});
        writeRegisterFile(registerFile, kRegister2024);
        municipalities = rowsOf(database, "COMUNI");
        history = rowsOf(database, "StoriaComuni");
    }

    void expectUnchanged()
    {
        EXPECT_EQ(rowsOf(database, "COMUNI"), municipalities);
        EXPECT_EQ(rowsOf(database, "StoriaComuni"), history);
    }

    TemporaryFolder folder;
    std::filesystem::path database = folder.path() / "AA1.mdb";
    std::filesystem::path registerFile = folder.path() / "comuni.csv";
    std::vector<std::string> municipalities; // before the update
    std::vector<std::string> history;
};

TEST_F(RegisterOf2024, AddsRenamesAndEndsMunicipalitiesOnceAndKeepsTheUsersRows)
{
    const RegisterUpdate result = update(database, registerFile);
    EXPECT_EQ(result.summary(),
              "Aggiornamento dell'archivio \"AA1.mdb\" nella cartella \"" + folder.path().string() +
                  "\" dal file \"" + registerFile.string() +
                  "\":\n"
                  "comuni aggiunti alla tabella: 3 (ABANO TERME, SANTA CATERINA D'ESTE, SOVIZZO);\n"
                  "periodi aggiunti alla storia: 4 (ABANO TERME, SANTA CATERINA D'ESTE, "
                  "SETTEVILLE, SOVIZZO);\n"
                  "periodi chiusi: 6 (ABANO, ALANO DI PIAVE, CARCERI, QUERO VAS, SOVIZZO e altri "
                  "1);\n"
                  "periodi corretti: 1 (ROMA).\n");

    // The user's rows stay as they were, first; the new ones follow in name order. SETTEVILLE
    // is the user's row already, VIGHIZZOLO D'ESTE the row the user renamed.
    std::vector<std::string> expected = municipalities;
    expected.insert(expected.end(),
                    {"ABANO TERME|A001", "SANTA CATERINA D'ESTE|M438", "SOVIZZO|M436"});
    EXPECT_EQ(rowsOf(database, "COMUNI"), expected);

    expectBirthplaces(database, {{"SOVIZZO", 20240121, "I879"},
                                 {"SOVIZZO", 20240122, "M436"},
                                 {"Setteville", 20240301, "m437"},
                                 {"SETTEVILLE", 20231231, "-"},
                                 {"SANTA CATERINA D'ESTE (PD)", 20240301, "M438"},
                                 {"ABANO TERME", 19800101, "A001"},
                                 {"QUERO VAS", 20240121, "M332"},
                                 {"QUERO VAS", 20240122, "-"},
                                 {"VIGHIZZOLO", 20200101, "L878"},
                                 {"CASA NOSTRA", 20240301, "X001"},
                                 {"ROMA (RM)", 20240301, "H501"},
                                 {"FRANCIA", 20240301, "Z110"},
                                 {"ARIZZANO", 20240301, "-"}});

    // Running it again changes nothing.
    municipalities = rowsOf(database, "COMUNI");
    history = rowsOf(database, "StoriaComuni");
    const RegisterUpdate again = update(database, registerFile);
    EXPECT_TRUE(again.summary().ends_with("comuni aggiunti alla tabella: 0;\n"
                                          "periodi aggiunti alla storia: 0;\n"
                                          "periodi chiusi: 0.\n"
                                          "L'archivio era già aggiornato: nessuna modifica.\n"))
        << again.summary();
    expectUnchanged();
}

// The register's columns are found by name, in any order and letter case, among others; line
// ends, a byte order mark and blank lines do not matter.
TEST_F(RegisterOf2024, ColumnsAreFoundByTheirNames)
{
    std::ofstream out(registerFile, std::ios::binary);
    out << "\xEF\xBB\xBF"
           "END_DATE,Name_It,note,provincial_code,registry_code,alternative_name,institution_date"
           "\r\n";
    for (const RegisterRow& row : kRegister2024) {
        out << row.to << ",\"" << row.name << "\",\"a, b\"\"c\"," << row.province << "," << row.code
            << "," << row.alternativeName << "," << row.from << "\r\n";
    }
    out << "\r\n";
    out.close();
    const TemporaryFolder other;
    const auto standard = other / "AA1.mdb";
    std::filesystem::copy_file(database, standard);
    writeRegisterFile(other / "comuni.csv", kRegister2024);

    update(database, registerFile);
    update(standard, other / "comuni.csv");
    EXPECT_EQ(rowsOf(database, "COMUNI"), rowsOf(standard, "COMUNI"));
    EXPECT_EQ(rowsOf(database, "StoriaComuni"), rowsOf(standard, "StoriaComuni"));
    EXPECT_EQ(rowsOf(database, "COMUNI").size(), municipalities.size() + 3);
}

TEST_F(RegisterOf2024, AFileOfAnotherShapeChangesNothing)
{
    const std::string header = kRegisterHeader;
    const std::string sovizzo = registerLine(1, kRegister2024[8]);
    const struct {
        const char* what;
        std::string content;
        std::string reason;
    } cases[] = {
        {"empty", "", "il file è vuoto."},
        {"separated by semicolons", "codice;comune;altro_nome;provincia;dal;al\nM436;SOVIZZO;;VI\n",
         "mancano le colonne registry_code, name_it, alternative_name, provincial_code, "
         "institution_date, end_date."},
        {"without an end",
         "registry_code,name_it,alternative_name,provincial_code,"
         "institution_date\nM436,SOVIZZO,,VI,2024-01-22\n",
         "manca la colonna end_date."},
        {"a picture", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), "mancano le colonne"},
        {"only the header", header + "\n", "non contiene alcun comune con il suo codice"},
        {"a short line after good ones", header + "\n" + sovizzo + "\n1,2,3\n",
         "la riga 3 ha 3 campi invece di 18."},
        {"a date of another form",
         header + "\n" + registerLine(1, {"M436", "SOVIZZO", "VI", "22/01/2024"}) + "\n",
         "la riga 2 ha una data non valida: \"22/01/2024\"."},
        {"an end before the start",
         header + "\n" + registerLine(1, {"M436", "SOVIZZO", "VI", "2024-01-22", "2024-01-21"}),
         "la riga 2 ha un periodo che finisce prima di cominciare."},
        {"Latin-1", header + "\n" + registerLine(1, {"M439", "CANT\xD9", "CO", "2024-01-22"}),
         "la riga 2 non è scritta in UTF-8."},
        {"without a name", header + "\n" + registerLine(1, {"M436", "", "VI", "2024-01-22"}),
         "la riga 2 non ha il nome del comune."},
        {"a day not in the calendar",
         header + "\n" + registerLine(1, {"M436", "SOVIZZO", "VI", "2024-02-31"}),
         "la riga 2 ha una data non valida: \"2024-02-31\"."},
        {"a NUL byte in a name",
         header + "\n" + registerLine(1, {"M436", std::string("SOV\0IZZO", 8), "VI", "2024-01-22"}),
         "la riga 2 non si può leggere (Carattere nullo nel campo 6)."},
        {"a control character in a name",
         header + "\n" + registerLine(1, {"M436", "SOV\x1BIZZO", "VI", "2024-01-22"}),
         "la riga 2 ha un nome con caratteri di controllo."},
        {"a control character in the alternative name",
         header + "\n" +
             registerLine(1, {"M436", "SOVIZZO", "VI", "2024-01-22", "9999-12-31", "SO\u0085V"}),
         "la riga 2 ha un nome con caratteri di controllo."},
        {"a name of 1,500 characters",
         header + "\n" + registerLine(1, {"M436", std::string(1500, 'A'), "VI", "2024-01-22"}),
         "la riga 2 non si può leggere (Campo 6 troppo lungo: più di 1000 caratteri)."},
        {"a name longer than the windows take",
         header + "\n" + registerLine(1, {"M436", std::string(51, 'A'), "VI", "2024-01-22"}),
         "la riga 2 ha un nome più lungo di 50 caratteri."},
        {"a province of markup",
         header + "\n" + registerLine(1, {"M436", "SOVIZZO", "<b>x</b>", "2024-01-22"}),
         "la riga 2 ha una sigla di provincia non valida: \"<b>x</b>\" (servono due lettere "
         "maiuscole)."},
        {"a province with a blank inside",
         header + "\n" + registerLine(1, {"M436", "SOVIZZO", "T O", "2024-01-22"}),
         "la riga 2 ha una sigla di provincia non valida: \"T O\""},
        {"a province in small letters",
         header + "\n" + registerLine(1, {"M436", "SOVIZZO", "vi", "2024-01-22"}),
         "la riga 2 ha una sigla di provincia non valida: \"vi\""},
        {"larger than any register", header + "\n" + sovizzo + "\n", "è più grande di 64 MiB."},
    };
    for (const auto& c : cases) {
        std::ofstream(registerFile, std::ios::binary) << c.content;
        if (std::string(c.what) == "larger than any register") {
            std::filesystem::resize_file(registerFile, (64 << 20) + 1); // zeros, on no disk space
        }
        try {
            update(database, registerFile);
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const DataError& error) {
            EXPECT_EQ(error.kind(), DataError::Kind::RegisterRefused) << c.what;
            const std::string message = error.what();
            EXPECT_TRUE(message.starts_with("Il file \"" + registerFile.string() +
                                            "\" non è un archivio dei comuni del registro: "))
                << message;
            EXPECT_NE(message.find(c.reason), std::string::npos) << c.what << ": " << message;
            EXPECT_TRUE(message.ends_with(" L'archivio non è stato modificato.")) << message;
        }
        expectUnchanged();
    }
    for (const auto& unreadable : {folder.path() / "mancante.csv", folder.path()}) {
        try {
            update(database, unreadable);
            ADD_FAILURE() << unreadable << ": accepted";
        } catch (const DataError& error) {
            EXPECT_EQ(std::string(error.what()), "Impossibile leggere il file \"" +
                                                     unreadable.string() +
                                                     "\". L'archivio non è stato modificato.");
        }
    }
    expectUnchanged();
}

// A file that would add more municipalities than an update brings is refused, unless the caller
// lets it add any number.
TEST_F(RegisterOf2024, AFileAddingMoreThanAThousandMunicipalitiesNeedsConsent)
{
    const auto newMunicipalities = [](char letter, int count) {
        std::vector<RegisterRow> rows;
        for (int i = 0; i < count; ++i) {
            const std::string number = std::to_string(1000 + i % 1000).substr(1);
            rows.push_back({std::string(1, static_cast<char>(letter + i / 1000)) + number,
                            "NUOVO " + std::string(1, letter) + std::to_string(i), "RM",
                            "2025-01-01"});
        }
        return rows;
    };
    writeRegisterFile(registerFile, newMunicipalities('N', 1001));
    try {
        update(database, registerFile);
        ADD_FAILURE() << "1001 municipalities were added";
    } catch (const DataError& error) {
        EXPECT_EQ(error.kind(), DataError::Kind::TooManyMunicipalities);
        EXPECT_EQ(std::string(error.what()),
                  "Il file \"" + registerFile.string() +
                      "\" aggiungerebbe 1001 comuni alla tabella COMUNI, più dei 1000 che un "
                      "aggiornamento porta: forse non è l'archivio del registro, o l'archivio "
                      "\"AA1.mdb\" nella cartella \"" +
                      folder.path().string() +
                      "\" è quasi vuoto. L'archivio non è stato modificato.");
    }
    expectUnchanged();

    writeRegisterFile(registerFile, newMunicipalities('P', 1000));
    EXPECT_EQ(update(database, registerFile).addedMunicipalities.size(), 1000u);
    writeRegisterFile(registerFile, newMunicipalities('N', 1001));
    const RegisterUpdate forced =
        storage::updateFromRegister(Database(database), registerFile, storage::Additions::Any);
    EXPECT_EQ(forced.addedMunicipalities.size(), 1001u);
    EXPECT_EQ(rowsOf(database, "COMUNI").size(), municipalities.size() + 2001);
}

// A database that cannot be written is said so before the file is read; a write refused halfway,
// or one that does not change the row it should, leaves everything as it was.
TEST_F(RegisterOf2024, NothingIsWrittenUnlessEverythingIs)
{
    try {
        storage::updateFromRegister(Database(database, storage::Access::ReadOnly),
                                    folder.path() / "mancante.csv");
        ADD_FAILURE() << "a read-only database was updated";
    } catch (const DataError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Impossibile aggiornare l'archivio \"AA1.mdb\" nella cartella \"" +
                      folder.path().string() + "\": il file è di sola lettura.");
    }

    Database(database).execute("CREATE TRIGGER refused BEFORE INSERT ON COMUNI"
                               " WHEN NEW.codice = 'M438' BEGIN SELECT RAISE(ABORT, 'no'); END");
    EXPECT_THROW(update(database, registerFile), DataError);
    expectUnchanged();

    Database(database).execute("DROP TRIGGER refused;"
                               "CREATE TRIGGER ignored BEFORE UPDATE ON StoriaComuni"
                               " WHEN OLD.codice = 'M332' BEGIN SELECT RAISE(IGNORE); END");
    try {
        update(database, registerFile);
        ADD_FAILURE() << "an update that changed nothing went through";
    } catch (const DataError& error) {
        EXPECT_NE(std::string(error.what()).find("una scrittura non ha cambiato la riga attesa"),
                  std::string::npos)
            << error.what();
    }
    expectUnchanged();
}

// --- The register's whole archive, made here from the committed seed, on an older database. ---

// The register's periods of every municipality, from the seed's history (foreign states, with
// the province EE, are not the register's).
std::vector<RegisterRow> shippedRegister()
{
    std::ifstream seed(MIRELTA_SEED_DIR "/StoriaComuni.csv", std::ios::binary);
    text::CsvReader reader(seed);
    std::vector<std::string> fields;
    reader.next(fields);
    std::vector<RegisterRow> rows;
    while (reader.next(fields)) {
        if (fields[3] != "EE") {
            rows.push_back({fields[0], fields[1], fields[3], fields[4], fields[5], fields[2]});
        }
    }
    return rows;
}

// The shipped database as it was before January 2024: the municipalities and periods that began
// then removed, the periods that ended then still in force; with rows of the user's.
void makeOlderDatabase(const std::filesystem::path& file, bool withHistory)
{
    std::filesystem::copy_file(MIRELTA_DATABASE, file);
    const Database database(file);
    database.execute("DELETE FROM COMUNI WHERE codice IN (SELECT codice FROM StoriaComuni"
                     " WHERE dal >= '2024-01-01');"
                     "DELETE FROM StoriaComuni WHERE dal >= '2024-01-01';"
                     "UPDATE StoriaComuni SET al = '9999-12-31'"
                     " WHERE al >= '2023-12-31' AND al < '9999' AND provincia <> 'EE';"
                     "INSERT INTO COMUNI VALUES ('Setteville', 'M437'), ('CASA NOSTRA', 'X001');"
                     "UPDATE COMUNI SET comune = 'BELLAGIO SUL LARIO' WHERE codice = 'M335';");
    if (!withHistory) {
        database.execute("DROP TABLE StoriaComuni");
    }
}

TEST(ShippedRegister, BringsAnOlderDatabaseToThe2024Municipalities)
{
    const TemporaryFolder folder;
    const std::filesystem::path registerFile = folder / "comuni.csv";
    writeRegisterFile(registerFile, shippedRegister());
    for (const bool withHistory : {true, false}) {
        const std::filesystem::path database =
            folder / (withHistory ? "storia.mdb" : "senza-storia.mdb");
        makeOlderDatabase(database, withHistory);
        const std::vector<std::string> before = rowsOf(database, "COMUNI");

        const RegisterUpdate result = update(database, registerFile);
        EXPECT_EQ(result.summary().find("\":\ncreata la tabella StoriaComuni, la storia dei "
                                        "codici catastali;\n") != std::string::npos,
                  !withHistory)
            << result.summary();
        std::vector<std::string> added = {"SANTA CATERINA D'ESTE", "SOVIZZO", "UGGIATE CON RONAGO"};
        if (!withHistory) {
            added.insert(added.begin(), "BELLAGIO"); // the history would have known the rename
        }
        EXPECT_EQ(result.addedMunicipalities, added) << database;

        const std::vector<std::string> after = rowsOf(database, "COMUNI");
        ASSERT_EQ(after.size(), before.size() + added.size()) << database;
        EXPECT_TRUE(std::equal(before.begin(), before.end(), after.begin())) << database;

        // The history is the register's, as shipped.
        std::vector<std::string> shipped;
        for (const std::string& period : rowsOf(MIRELTA_DATABASE, "StoriaComuni")) {
            if (withHistory || period.find("|EE|") == std::string::npos) {
                shipped.push_back(period);
            }
        }
        EXPECT_EQ(sorted(rowsOf(database, "StoriaComuni")), sorted(shipped)) << database;

        expectBirthplaces(database, {{"SOVIZZO", 20231231, "I879"},
                                     {"SOVIZZO", 20240122, "M436"},
                                     {"SETTEVILLE", 20240122, "M437"},
                                     {"QUERO VAS", 20240122, "-"},
                                     {"SANTA CATERINA D'ESTE", 20240122, "M438"},
                                     {"UGGIATE CON RONAGO", 20240101, "M435"},
                                     {"RONAGO", 20240101, "-"},
                                     {"BELLAGIO SUL LARIO", 20200101, "M335"},
                                     {"CASA NOSTRA", 20240122, "X001"}});

        EXPECT_TRUE(update(database, registerFile).changedNothing()) << database;
    }
}

} // namespace
