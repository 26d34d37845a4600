// cfcalc driven from outside, as a user or a script runs it.
#include "tests/childprocess.h"
#include "tests/registerfile.h"
#include "tests/testsupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

std::string shellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// Runs cfcalc in the working folder with the given arguments, reading standard input from the
// file `in` and writing standard output to the file `out`; after the shell commands `setup`, when
// given (a limit, a deadline).
Result cfcalcBetween(const std::vector<std::string>& arguments, const std::string& in,
                     const std::string& out, const std::string& setup = {})
{
    std::string command = setup + shellQuoted(CFCALC_PATH);
    for (const auto& argument : arguments) {
        command += " " + shellQuoted(argument);
    }
    command += " <" + shellQuoted(in) + " >" + shellQuoted(out) + " 2>stderr.txt";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1,
            out == "/dev/full" ? "" : fileContents(out), fileContents("stderr.txt")};
}

// Runs cfcalc in the working folder with the given arguments and standard input.
Result cfcalc(const std::vector<std::string>& arguments, const std::string& input = "")
{
    std::ofstream("stdin.txt", std::ios::binary) << input;
    return cfcalcBetween(arguments, "stdin.txt", "stdout.txt");
}

class CfcalcTool : public ::testing::Test {
protected:
    void SetUp() override { folder.copyShippedDatabase(); }
    WorkingFolder folder;
};

TEST_F(CfcalcTool, PrintsTheCodeOfOnePerson)
{
    const Result rossi = cfcalc({"ROSSI", "MARIO", "01/01/1974", "M", "ROMA"});
    EXPECT_EQ(rossi.status, 0);
    EXPECT_EQ(rossi.out, "RSSMRA74A01H501W\n");
    EXPECT_EQ(rossi.err, "");

    EXPECT_EQ(cfcalc({"rossi", "maria", "25/04/1974", "F", "roma"}).out, "RSSMRA74D65H501V\n");
    EXPECT_EQ(cfcalc({"d'angelo", "gianfranco", "5/9/1974", "M", "Castel Sant'Angelo"}).status, 1);
    EXPECT_EQ(cfcalc({"d'angelo", "gianfranco", "05/09/1974", "M", "castel sant'angelo"}).out,
              "DNGGFR74P05C268K\n");
    EXPECT_EQ(cfcalc({"MARTIN", "ANNE", "10/10/1990", "F", "FRANCIA"}).out, "MRTNNA90R50Z110O\n");
    EXPECT_EQ(cfcalc({"ROSSI", "MARIO", "1974/01/01", "M", "ROMA"}).out, "RSSMRA74A01H501W\n");
}

TEST_F(CfcalcTool, MunicipalityPatternsKeepTheirWildcards)
{
    EXPECT_EQ(cfcalc({"ROSSI", "MARIO", "01/01/1974", "M", "ROM?"}).out, "RSSMRA74A01H501W\n");
    EXPECT_EQ(cfcalc({"ROSSI", "MARIO", "01/01/1974", "M", "CASTEL SANT?ANGELO"}).out,
              cfcalc({"ROSSI", "MARIO", "01/01/1974", "M", "CASTEL SANT'ANGELO"}).out);
    // "*" matches every name: the first few are listed, nothing is computed.
    const Result star = cfcalc({"ROSSI", "MARIO", "01/01/1974", "M", "*"});
    EXPECT_EQ(star.status, 1);
    EXPECT_TRUE(star.err.starts_with("Comune ambiguo:\nABANO TERME (PD) A001 dal 19/11/1866\n"))
        << star.err;
    EXPECT_NE(star.err.find("\n... e altri "), std::string::npos);
    EXPECT_EQ(star.out, "");
}

// The birthplace of people born where a name was shared, changed its code, or is written as
// people write it.
TEST_F(CfcalcTool, BirthplaceByNameDateAndProvince)
{
    const auto code = [](const char* place, const char* date = "01/01/1980") {
        const Result result = cfcalc({"ROSSI", "MARIO", date, "M", place});
        return result.status == 0 ? result.out.substr(11, 4) : result.err;
    };
    EXPECT_EQ(code("BELLAGIO"), "A744"); // before the merger of 2014
    EXPECT_EQ(code("BELLAGIO", "03/02/2014"), "A744");
    EXPECT_EQ(code("BELLAGIO", "04/02/2014"), "M335");
    EXPECT_EQ(code("TREMEZZINA", "01/01/1935"), "L370");
    EXPECT_EQ(code("TREMEZZINA", "01/01/2020"), "M341");
    EXPECT_EQ(code("TREMEZZINA"), "Comune non esistente alla data di nascita:\n"
                                  "TREMEZZINA (CO) M341 dal 04/02/2014\n"
                                  "TREMEZZINA (CO) L370 dal 08/02/1929 al 03/10/1947\n");

    const auto choosing = [](const std::string& name, const std::string& code) {
        return "Per indicarne uno, scrivere il suo codice catastale al posto del comune o tra "
               "parentesi dopo il nome: \"" +
               code + "\", \"" + name + " (" + code + ")\".\n";
    };
    EXPECT_EQ(code("CASTRO"), "Comune ambiguo:\nCASTRO (BG) C337 dal 17/03/1861\n"
                              "CASTRO (LE) M261 dal 28/05/1975\n" +
                                  choosing("CASTRO", "C337"));
    EXPECT_EQ(code("CASTRO", "01/01/1970"), "C337"); // CASTRO (LE) came in 1975
    EXPECT_EQ(code("CASTRO (LE)"), "M261");
    EXPECT_EQ(code("castro (bg)"), "C337");
    EXPECT_EQ(code("CASTRO (RM)"), "Comune non presente nella provincia indicata:\n"
                                   "CASTRO (BG) C337 dal 17/03/1861\n"
                                   "CASTRO (LE) M261 dal 28/05/1975\n");
    EXPECT_EQ(code("PALAU"), "Comune ambiguo:\nPALAU (SS) G258 dal 08/04/1959\n"
                             "PALAU (EE) Z734 stato estero\n" +
                                 choosing("PALAU", "G258"));
    EXPECT_EQ(code("PALAU (EE)"), "Z734");
    EXPECT_EQ(code("SANT'ELENA (EE)"), "Z340");
    EXPECT_EQ(code("SAN TEODORO (SS)"), "I329");
    EXPECT_EQ(code("SAN TEODORO (OT)", "01/01/2010"), "I329"); // its province at the time
    EXPECT_EQ(code("CALLIANO"), "Comune ambiguo:\nCALLIANO (TN) B419 dal 09/07/1947\n"
                                "CALLIANO (AT) B418 dal 17/03/1861\n" +
                                    choosing("CALLIANO", "B419"));
    EXPECT_EQ(code("CALLIANO", "01/01/1940"), "B418");
    EXPECT_EQ(code("CALLIANO (TN)"), "B419");
    EXPECT_EQ(code("PEGLIO (PU)"), "G416"); // province PS in 1980, PU today
    EXPECT_EQ(code("BOZEN"), "A952");       // alternative names count

    EXPECT_EQ(code("MALE'"), "E850");
    EXPECT_EQ(code("MALÈ"), "E850");
    EXPECT_EQ(code("male"), "E850");
    EXPECT_EQ(code("MALEO"), "E852");
    EXPECT_EQ(code("CANTU'"), "B639");
    EXPECT_EQ(code("Cantù"), "B639");
    EXPECT_EQ(code("CITTA' DI CASTELLO"), "C745");
    EXPECT_EQ(code("CITTA’ DI  CASTELLO "), "C745");
}

// The place as it was named on the birth date, from the command line and in a batch: the code on
// standard output, a notice on standard error with status 0, a refusal with status 1.
TEST_F(CfcalcTool, ThePlaceAsNamedOnTheBirthDate)
{
    const struct {
        const char* place;
        const char* date;
        int status;
        const char* out; // the cadastral code
        const char* err;
    } cases[] = {
        {"SEZZE", "10/03/1985", 0, "I712", ""},
        {"MARTIRANO (CZ)", "10/03/1985", 0, "E990", ""},
        {"PATERNÒ", "10/03/1985", 0, "G371", ""},
        {"PATERNO", "10/03/1985", 0, "M269", ""},
        {"ISOLE FAER OER", "10/03/1985", 0, "Z108", ""},
        {"VILLNOSS", "10/03/1985", 0, "D821", ""},
        {"E991", "10/03/1985", 0, "E991", ""},
        {"BASSANO DEL GRAPPA", "10/03/1920", 0, "A703",
         "BASSANO DEL GRAPPA il 10/03/1920 si chiamava BASSANO (VI)\n"},
        {"CAMPOSPINOSO ALBAREDO", "10/03/1990", 0, "B567",
         "CAMPOSPINOSO ALBAREDO il 10/03/1990 si chiamava CAMPOSPINOSO (PV)\n"},
        {"FIUME", "01/03/1950", 1, "",
         "Nessun comune aveva questo nome alla data di nascita:\n"
         "FIUME (FU) D620 dal 09/03/1924 al 15/09/1947\n"
         "FIUME (UD) D621 dal 19/11/1866 al 31/10/1911: il 01/03/1950 si chiamava FIUME VENETO "
         "(UD)\n"},
        {"ROMA", "01/01/2099", 1, "",
         "La data di nascita non può essere successiva alla data di oggi !\n"},
    };
    for (const auto& c : cases) {
        const Result result = cfcalc({"ROSSI", "MARIO", c.date, "M", c.place});
        EXPECT_EQ(result.status, c.status) << c.place;
        EXPECT_EQ(result.out.substr(std::min<std::size_t>(result.out.size(), 11), 4), c.out)
            << c.place;
        EXPECT_EQ(result.err, c.err) << c.place;
    }
    const Result oratino = cfcalc({"ROSSI", "MARIA", "09/07/1931", "F", "ORATINO"});
    EXPECT_EQ(oratino.status, 0);
    EXPECT_EQ(oratino.out, "RSSMRA31L49G086V\n");
    EXPECT_TRUE(oratino.err.starts_with("Il comune ORATINO (CB) il 09/07/1931 era soppresso"))
        << oratino.err;
    EXPECT_EQ(cfcalc({"--verifica", "RSSMRA31L49G086V"}).status, 0);

    const Result batch = cfcalc({"--batch", "-"}, "cognome;nome;data;sesso;comune\n"
                                                  "ROSSI;MARIO;10/03/1990;M;CAMPOSPINOSO ALBAREDO\n"
                                                  "ROSSI;MARIA;09/07/1931;F;ORATINO\n"
                                                  "ROSSI;MARIO;01/01/2099;M;ROMA\n");
    EXPECT_EQ(batch.status, 1);
    std::istringstream lines(batch.out);
    std::vector<std::string> line(4);
    for (auto& text : line) {
        std::getline(lines, text);
    }
    EXPECT_EQ(line[0], "cognome;nome;data;sesso;comune;codice_fiscale;errore;avviso");
    EXPECT_EQ(line[1], "ROSSI;MARIO;10/03/1990;M;CAMPOSPINOSO ALBAREDO;RSSMRA90C10B567T;;"
                       "CAMPOSPINOSO ALBAREDO il 10/03/1990 si chiamava CAMPOSPINOSO (PV)");
    EXPECT_TRUE(line[2].starts_with("ROSSI;MARIA;09/07/1931;F;ORATINO;RSSMRA31L49G086V;;Il comune "
                                    "ORATINO (CB) il 09/07/1931 era soppresso"))
        << line[2];
    EXPECT_EQ(line[3], "ROSSI;MARIO;01/01/2099;M;ROMA;;La data di nascita non può essere "
                       "successiva alla data di oggi !;");
}

TEST_F(CfcalcTool, ChecksReportTheWindowsTextsInOrder)
{
    const struct {
        std::vector<std::string> arguments;
        const char* message;
    } cases[] = {
        {{"", "", "", "M", ""}, "Impossibile lasciare vuoto il campo Cognome !\n"},
        {{"ROSSI", "", "", "M", ""}, "Impossibile lasciare vuoto il campo Nome !\n"},
        {{"ROSSI", "MARIO", "", "M", ""},
         "Impossibile lasciare vuoto il campo Data di nascita !\n"},
        {{"ROSSI", "MARIO", "31/02/1974", "M", ""}, "Data di nascita in formato non valido !\n"},
        {{"ROSSI", "MARIO", "1/2/1974", "M", ""},
         "Inserire la data di nascita nel formato gg/mm/aaaa !\n"},
        {{"ROSSI", "MARIO", "01/02/1974", "M", ""},
         "Impossibile lasciare vuoto il campo Comune !\n"},
        {{"ROSSI", "MARIO", "01/02/1974", "X", "ROMA"}, "Il sesso deve essere M oppure F !\n"},
        {{"ROSSI", "MARIO", "01/02/1974", "M", "ATLANTIDE"},
         "Comune - se esistente - non presente in archivio !\n"},
        {{"ROSSI", "MARIO", "01/02/1974", "M", "X' OR ''='"},
         "Comune - se esistente - non presente in archivio !\n"},
        {{"ROSSI", "MARIO", "01/02/1974", "M", "\"[ROMA"},
         "Comune - se esistente - non presente in archivio !\n"},
    };
    for (const auto& c : cases) {
        const Result result = cfcalc(c.arguments);
        EXPECT_EQ(result.status, 1) << c.message;
        EXPECT_EQ(result.err, c.message);
        EXPECT_EQ(result.out, "");
    }
}

TEST_F(CfcalcTool, DatabaseThatCannotBeOpenedIsStatusTwo)
{
    std::filesystem::rename("AA1.mdb", "aa1.MDB");
    EXPECT_EQ(cfcalc({"ROSSI", "MARIO", "01/01/1974", "M", "ROMA"}).status, 0);

    const Result missing =
        cfcalc({"--db", "altro.mdb", "ROSSI", "MARIO", "01/01/1974", "M", "ROMA"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("\"altro.mdb\""), std::string::npos) << missing.err;
    EXPECT_NE(missing.err.find(folder.path().string()), std::string::npos) << missing.err;

    std::filesystem::copy_file("aa1.MDB", "copia.db");
    EXPECT_EQ(cfcalc({"--db", "copia.db", "ROSSI", "MARIO", "01/01/1974", "M", "ROMA"}).out,
              "RSSMRA74A01H501W\n");
    EXPECT_EQ(cfcalc({"ROSSI", "MARIO"}).status, 2);
    EXPECT_EQ(cfcalc({"--sconosciuta", "ROSSI", "MARIO", "01/01/1974", "M", "ROMA"}).status, 2);
}

// Started where there is no AA1.mdb, cfcalc reads the user's copy that the program made, else the
// database shipped with it (found beside its own folder); --db still names any other.
TEST_F(CfcalcTool, WithoutADatabaseAtHandReadsTheUserCopyThenTheShippedOne)
{
    std::filesystem::rename("AA1.mdb", "altro.mdb");
    const ScopedEnvironment home("HOME", (folder.path() / "casa").string());
    const ScopedEnvironment dataHome("XDG_DATA_HOME", "");
    const std::vector<std::string> rossi = {"ROSSI", "MARIO", "01/01/1974", "M", "ROMA"};
    EXPECT_EQ(cfcalc(rossi).out, "RSSMRA74A01H501W\n");

    const auto userFolder = folder.path() / "casa" / ".local" / "share" / "Mirelta";
    std::filesystem::create_directories(userFolder);
    makeDatabase(userFolder / "AA1.mdb", {{"ROMA", "Z999"}});
    const Result own = cfcalc(rossi);
    EXPECT_EQ(own.status, 0);
    EXPECT_EQ(own.out.substr(11, 4), "Z999") << own.out;

    std::vector<std::string> named = {"--db", "altro.mdb"};
    named.insert(named.end(), rossi.begin(), rossi.end());
    EXPECT_EQ(cfcalc(named).out, "RSSMRA74A01H501W\n");
}

TEST_F(CfcalcTool, BatchAnswersEveryRowInOrder)
{
    const std::string input = "cognome;nome;data;sesso;comune\r\n"
                              "rossi;mario;01/01/1974;M;roma\r\n"
                              "ROSSI;MARIO;1/1/1974;M;ROMA\r\n"
                              "troppo;pochi\r\n"
                              "\"DE LUCA\";\"ANNA MARIA\";09/03/2000;F;\"sant'angelo a c*\"\r\n"
                              "ROSSI;MARIO;01/01/1974;M;ATLANTIDE;in più\r\n"
                              "ROSSI;MARIO;01/01/1974;M;\"RO;MA\"\r\n"
                              "\"D'ANGELO\";GIANFRANCO;05/09/1974;M;\"CASTEL SANT'ANGELO\"\r\n"
                              "ROSSI;MARIO;01/01/1974;M;RO\"MA\r\n" // a stray quote
                              "ROSSI;MARIO;01/01/1974;M;ROMA\r\n";
    const Result result = cfcalc({"--batch", "-"}, input);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out,
              "cognome;nome;data;sesso;comune;codice_fiscale;errore;avviso\n"
              "rossi;mario;01/01/1974;M;roma;RSSMRA74A01H501W;;\n"
              "ROSSI;MARIO;1/1/1974;M;ROMA;;Inserire la data di nascita nel formato gg/mm/aaaa !;\n"
              "troppo;pochi;;Numero di campi errato: attesi 5, trovati 2;\n"
              "DE LUCA;ANNA MARIA;09/03/2000;F;sant'angelo a c*;DLCNMR00C49I277J;;\n"
              "ROSSI;MARIO;01/01/1974;M;ATLANTIDE;in più;;Numero di campi errato: attesi 5, "
              "trovati 6;\n"
              "ROSSI;MARIO;01/01/1974;M;\"RO;MA\";;Comune - se esistente - non presente in "
              "archivio !;\n"
              "D'ANGELO;GIANFRANCO;05/09/1974;M;CASTEL SANT'ANGELO;DNGGFR74P05C268K;;\n"
              "ROSSI;MARIO;01/01/1974;M;\"RO\"\"MA\";;Comune - se esistente - non presente in "
              "archivio !;\n"
              "ROSSI;MARIO;01/01/1974;M;ROMA;RSSMRA74A01H501W;;\n");

    // Output that cannot be written is a failure, never a success.
    const std::string full = shellQuoted(CFCALC_PATH) + " ROSSI MARIO 01/01/1974 M ROMA >/dev/full";
    const int status = std::system((full + " 2>/dev/null").c_str());
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 2);
}

// A row that cannot be used as it stands is a row error of its own; the rows after it are read as
// usual, in both batch modes.
TEST_F(CfcalcTool, BatchRowsThatCannotBeReadAreRowErrorsAndTheRestIsRead)
{
    const std::string huge(1'000'000, 'A');
    const std::string rows =
        "ROSSI;" + huge + ";01/01/1974;M;ROMA\n" + "ROSSI;\"MARIO;01/01/1974;M;ROMA\n" +
        std::string("RO\0SSI;MARIO;01/01/1974;M;ROMA\n", 31) +
        std::string("ROSSI;MARIO;01/01/1974;M;RO\0MA\n", 31) + "ROSSI;MARIO;01/01/1974;M;ROMA\n";
    const Result computed = cfcalc({"--batch", "-"}, "cognome;nome;data;sesso;comune\n" + rows);
    EXPECT_EQ(computed.status, 1);
    EXPECT_EQ(computed.err, "");
    std::istringstream lines(computed.out);
    std::vector<std::string> line(7);
    for (auto& text : line) {
        std::getline(lines, text);
    }
    EXPECT_EQ(line[1], "ROSSI;" + huge.substr(0, 1000) +
                           ";01/01/1974;M;ROMA;;Campo 2 troppo lungo: più di 1000 caratteri;");
    EXPECT_EQ(line[2], "ROSSI;\"MARIO;01/01/1974;M;ROMA\";;Virgolette non chiuse nel campo 2;");
    EXPECT_TRUE(line[3].ends_with(";;Carattere nullo nel campo 1;")) << line[3];
    EXPECT_TRUE(line[4].ends_with(";;Carattere nullo nel campo 5;")) << line[4];
    EXPECT_EQ(line[5], "ROSSI;MARIO;01/01/1974;M;ROMA;RSSMRA74A01H501W;;");
    EXPECT_TRUE(lines.peek() == EOF);

    const std::string codes = "nota;codice_fiscale\n" + huge + ";RSSMRA74A01H501W\n" +
                              std::string("x;RSSMRA74A01\0H501W\n", 20) + "x;RSSMRA74A01H501W\n";
    const Result verified = cfcalc({"--verifica", "--batch", "-"}, codes);
    EXPECT_EQ(verified.status, 1);
    EXPECT_EQ(verified.err, "");
    EXPECT_NE(verified.out.find(";non valido;Campo 1 troppo lungo: più di 1000 caratteri;"),
              std::string::npos);
    EXPECT_NE(verified.out.find(";non valido;Carattere nullo nel campo 2;"), std::string::npos);
    EXPECT_TRUE(verified.out.ends_with("\nx;RSSMRA74A01H501W;valido;;RSSMRA74A01H501W;M;01/01/1974;"
                                       "ROMA;RM;H501\n"));
}

// A database that cannot be read, an input that cannot be read to its end, an output that cannot
// be written: the batch stops with status 2 and one message, in both modes.
TEST_F(CfcalcTool, BatchThatCannotGoOnStopsWithStatusTwoAndOneMessage)
{
    std::ofstream("persone.csv")
        << "cognome;nome;data;sesso;comune\nROSSI;MARIO;01/01/1974;M;ROMA\n";
    std::ofstream("codici.csv") << "codice_fiscale\nRSSMRA74A01H501W\n";
    const auto stopped = [](const Result& result, const std::string& message) {
        return result.status == 2 && result.err.find(message) != std::string::npos &&
               result.err.find('\n') == result.err.size() - 1;
    };
    const std::vector<std::string> compute = {"--batch", "persone.csv"};
    const std::vector<std::string> verify = {"--verifica", "--batch", "codici.csv"};

    {
        // Another program holds the database locked for the whole run: waited for once.
        const ScopedEnvironment wait("MIRELTA_BUSY_TIMEOUT", "100");
        sqlite3* other = nullptr;
        sqlite3_open("AA1.mdb", &other);
        ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        for (const auto& arguments : {compute, verify}) {
            const Result locked = cfcalc(arguments);
            EXPECT_TRUE(stopped(locked, "in uso da un altro programma")) << locked.err;
            EXPECT_EQ(locked.out, "");
        }
        sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(other);
    }

    std::filesystem::copy_file("AA1.mdb", "guasto.mdb");
    {
        std::fstream damage("guasto.mdb", std::ios::in | std::ios::out | std::ios::binary);
        damage.seekp(static_cast<std::streamoff>(std::filesystem::file_size("guasto.mdb") / 4));
        damage << std::string(std::filesystem::file_size("guasto.mdb") / 2, '\xFF');
    }
    for (auto arguments : {compute, verify}) {
        arguments.insert(arguments.begin(), {"--db", "guasto.mdb"});
        const Result damaged = cfcalc(arguments);
        EXPECT_TRUE(stopped(damaged, "\"guasto.mdb\" nella cartella")) << damaged.err;
        EXPECT_TRUE(stopped(damaged, "è danneggiato")) << damaged.err;
    }

    std::filesystem::create_directory("cartella");
    for (const auto& arguments :
         {std::vector<std::string>{"--batch", "-"}, {"--verifica", "--batch", "-"}}) {
        EXPECT_TRUE(
            stopped(cfcalcBetween(arguments, "cartella", "stdout.txt"), "Errore di lettura"));
    }

    const std::string full = "Impossibile scrivere sullo standard output: il disco è pieno.\n";
    for (const auto& arguments : {compute, verify}) {
        const Result result = cfcalcBetween(arguments, "persone.csv", "/dev/full");
        EXPECT_EQ(result.status, 2) << arguments[0];
        EXPECT_EQ(result.err, full);
    }
}

// The disk fills up in mid-run: the rows written so far stay, whole or cut at the end, and cfcalc
// tells why it stopped.
TEST_F(CfcalcTool, BatchOutputThatFillsTheDiskKeepsTheRowsWritten)
{
    std::string input = "cognome;nome;data;sesso;comune\n";
    for (int i = 0; i < 20'000; ++i) {
        input += "ROSSI;MARIO;01/01/1974;M;ROMA\n";
    }
    std::ofstream("persone.csv") << input;
    const std::string expected = cfcalc({"--batch", "persone.csv"}).out;
    std::filesystem::create_directory("uscita");
    const auto result =
        childprocess::run(childprocess::smallDisk(folder.path() / "uscita", 256 * 1024), [&] {
            const Result run = cfcalcBetween({"--batch", "-"}, "persone.csv", "uscita/file");
            return std::to_string(run.status) + "\n" + run.err + run.out;
        });
    if (!result) {
        GTEST_SKIP() << "no small disk can be mounted here";
    }
    const std::string full = "Impossibile scrivere sullo standard output: il disco è pieno.\n";
    ASSERT_TRUE(result->starts_with("2\n" + full)) << result->substr(0, 200);
    const std::string written = result->substr(2 + full.size());
    EXPECT_GT(written.size(), 100'000u);
    EXPECT_LT(written.size(), expected.size());
    EXPECT_TRUE(expected.starts_with(written));
}

// Columns are taken by their names only: a file without the header is refused whole, never read
// by the position of its columns.
TEST_F(CfcalcTool, BatchFromAFileWithoutHeaderIsRefused)
{
    std::ofstream("persone.csv") << "ROSSI;MARIO;01/01/1974;M;ROMA\nROSSI;MARIA;25/04/1974;F;ROMA";
    const Result result = cfcalc({"--batch", "persone.csv"});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err,
              "Il file \"persone.csv\" non è stato elaborato: la prima riga deve essere "
              "l'intestazione, con le colonne cognome, nome, data, sesso e comune (facoltativa "
              "provincia) in qualsiasi ordine.\n");
    EXPECT_EQ(cfcalc({"--batch", "nessuno.csv"}).status, 2);
    std::filesystem::create_directory("cartella.csv");
    EXPECT_EQ(cfcalc({"--batch", "cartella.csv"}).status, 2);
    EXPECT_EQ(cfcalc({"--batch", ""}, "").out,
              ""); // an unnamed file cannot be read: nothing is written
}

// A FIFO would make cfcalc wait for a writer, a device or a folder cannot be a batch file: all
// are refused at once, in both batch modes; standard input stays allowed.
TEST_F(CfcalcTool, BatchInputsThatAreNotFilesAreRefusedAtOnce)
{
    ASSERT_EQ(::mkfifo("coda.csv", 0600), 0);
    std::filesystem::create_symlink("coda.csv", "collegamento.csv");
    std::filesystem::create_directory("cartella.csv");
    const struct {
        const char* name;
        const char* what;
    } cases[] = {
        {"coda.csv", "è una FIFO"},
        {"collegamento.csv", "è una FIFO"},
        {"cartella.csv", "è una cartella"},
        {"/dev/zero", "è un dispositivo"},
        {"nessuno.csv", "il file non esiste"},
    };
    for (const auto& c : cases) {
        for (const std::string mode : {"", "--verifica "}) {
            // A deadline, should cfcalc wait after all.
            const std::string command = "timeout 20 " + shellQuoted(CFCALC_PATH) + " " + mode +
                                        "--batch " + c.name + " >stdout.txt 2>stderr.txt";
            const int status = std::system(command.c_str());
            EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 2) << c.name;
            EXPECT_EQ(fileContents("stdout.txt"), "") << c.name;
            const std::string message = fileContents("stderr.txt");
            EXPECT_NE(message.find(std::string("\"") + c.name + "\": " + c.what), std::string::npos)
                << message;
        }
    }
    EXPECT_EQ(cfcalc({"--batch", "-"}, "cognome;nome;data;sesso;comune\n").status, 0);
}

TEST_F(CfcalcTool, BatchCellsAreWrittenAsTheyAreOnlyWhenAsked)
{
    const std::string input = "cognome;nome;data;sesso;comune;nota\n"
                              "ROSSI;MARIO;01/01/1974;M;ROMA;=1+2\n";
    const std::string header = "cognome;nome;data;sesso;comune;nota;codice_fiscale;errore;avviso\n";
    EXPECT_EQ(cfcalc({"--batch", "-"}, input).out,
              header + "ROSSI;MARIO;01/01/1974;M;ROMA;'=1+2;RSSMRA74A01H501W;;\n");
    EXPECT_EQ(cfcalc({"--grezzo", "--batch", "-"}, input).out,
              header + "ROSSI;MARIO;01/01/1974;M;ROMA;=1+2;RSSMRA74A01H501W;;\n");
    EXPECT_NE(cfcalc({"--grezzo", "--verifica", "--batch", "-"},
                     "codice_fiscale;nota\nRSSMRA74A01H501W;@x\n")
                  .out.find(";@x;valido;"),
              std::string::npos);
    for (const auto& other : std::vector<std::vector<std::string>>{
             {"--grezzo", "ROSSI", "MARIO", "01/01/1974", "M", "ROMA"},
             {"--grezzo", "--verifica", "RSSMRA74A01H501W"},
         }) {
        EXPECT_EQ(cfcalc(other).status, 2) << other[1];
    }
    EXPECT_NE(cfcalc({"--help"}).out.find("--grezzo"), std::string::npos);
}

// Codes checked in a Windows-1252 file whose first accent comes late, after the answer has had
// to write FORLÌ: read by name or from a redirected standard input, the file is recognised before
// the answer begins; from a pipe it cannot be, and the accent is a row error, never a wrong text.
TEST_F(CfcalcTool, BatchFileWhoseAccentsComeLate)
{
    std::string input = "codice_fiscale;nome\r\nRSSMRA74A01D704F;MARIO\r\n";
    for (int i = 0; i < 5000; ++i) {
        input += "RSSMRA74A01H501W;MARIO\r\n";
    }
    input += "RSSNCL74A01D704O;NICCOL\xD2\r\n";
    std::ofstream("codici.csv", std::ios::binary) << input;
    const std::string forli = "RSSMRA74A01D704F;MARIO;valido;;RSSMRA74A01D704F;M;01/01/1974;"
                              "FORL\xCC;FO;D704\n";
    const std::string niccolo = "RSSNCL74A01D704O;NICCOL\xD2;valido;;RSSNCL74A01D704O;M;"
                                "01/01/1974;FORL\xCC;FO;D704\n";
    for (const auto& read :
         {cfcalcBetween({"--verifica", "--batch", "codici.csv"}, "/dev/null", "stdout.txt"),
          cfcalcBetween({"--verifica", "--batch", "-"}, "codici.csv", "stdout.txt")}) {
        EXPECT_EQ(read.status, 0) << read.err;
        EXPECT_NE(read.out.find("\n" + forli), std::string::npos);
        EXPECT_TRUE(read.out.ends_with("\n" + niccolo));
    }

    const std::string piped = "cat codici.csv | " + shellQuoted(CFCALC_PATH) +
                              " --verifica --batch - >stdout.txt 2>stderr.txt";
    const int status = std::system(piped.c_str());
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 1);
    const std::string out = fileContents("stdout.txt");
    EXPECT_NE(out.find("\n" + std::string("RSSMRA74A01D704F;MARIO;valido;;RSSMRA74A01D704F;M;"
                                          "01/01/1974;FORLÌ;FO;D704\n")),
              std::string::npos);
    EXPECT_TRUE(out.ends_with("\nRSSNCL74A01D704O;NICCOL\uFFFD;non valido;Carattere non valido "
                              "in UTF-8 nel campo 2;;;;;;\n"));
}

TEST_F(CfcalcTool, BatchWithTheProvinceColumn)
{
    const std::string input = "cognome;nome;data;sesso;comune;provincia\n"
                              "ROSSI;MARIO;01/01/1980;M;CASTRO;LE\n"
                              "ROSSI;MARIO;01/01/1980;M;CASTRO;\n"
                              "ROSSI;MARIO;01/01/1980;M;PALAU;ee\n"
                              "ROSSI;MARIO;01/01/1980;M;CASTRO (BG);BG\n"
                              "ROSSI;MARIO;01/01/1980;M;ROMA\n";
    const Result result = cfcalc({"--batch", "-"}, input);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out,
              "cognome;nome;data;sesso;comune;provincia;codice_fiscale;errore;avviso\n"
              "ROSSI;MARIO;01/01/1980;M;CASTRO;LE;RSSMRA80A01M261X;;\n"
              "ROSSI;MARIO;01/01/1980;M;CASTRO;;;Comune ambiguo: CASTRO (BG) C337 dal "
              "17/03/1861, CASTRO (LE) M261 dal 28/05/1975;\n"
              "ROSSI;MARIO;01/01/1980;M;PALAU;ee;RSSMRA80A01Z734C;;\n"
              "ROSSI;MARIO;01/01/1980;M;CASTRO (BG);BG;RSSMRA80A01C337D;;\n"
              "ROSSI;MARIO;01/01/1980;M;ROMA;;Numero di campi errato: attesi 6, trovati 5;\n");
}

TEST_F(CfcalcTool, HelpIsInItalian)
{
    const Result help = cfcalc({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Calcola il codice fiscale"), std::string::npos);
    EXPECT_NE(help.out.find("--batch"), std::string::npos);
    EXPECT_NE(help.out.find("--verifica"), std::string::npos);
    EXPECT_NE(help.out.find("--omocodie"), std::string::npos);
    EXPECT_NE(help.out.find("--aggiorna-comuni"), std::string::npos);

    const Result unwritten = cfcalcBetween({"--help"}, "/dev/null", "/dev/full");
    EXPECT_EQ(unwritten.status, 2);
    EXPECT_EQ(unwritten.err, "Impossibile scrivere sullo standard output: il disco è pieno.\n");
}

// The lines of `--verifica` that follow "esito" and "motivo": what the code carries.
std::string decodedLines(const std::string& out)
{
    const std::size_t base = out.find("codice base:");
    return base == std::string::npos ? out : out.substr(base);
}

TEST_F(CfcalcTool, VerifiesOneCode)
{
    const Result rossi = cfcalc({"--verifica", " rssmra74a01h501w "});
    EXPECT_EQ(rossi.status, 0);
    EXPECT_EQ(rossi.out, "codice: RSSMRA74A01H501W\n"
                         "esito: valido\n"
                         "codice base: RSSMRA74A01H501W\n"
                         "sesso: M\n"
                         "data di nascita: 01/01/1974\n"
                         "luogo di nascita: ROMA (RM)\n"
                         "codice catastale: H501\n");
    EXPECT_EQ(rossi.err, "");

    const Result wrong = cfcalc({"--verifica", "RSSMRA74A01H501X"});
    EXPECT_EQ(wrong.status, 1);
    EXPECT_EQ(wrong.out, "codice: RSSMRA74A01H501X\n"
                         "esito: non valido\n"
                         "motivo: carattere di controllo errato: atteso W, trovato X\n"
                         "codice base:\n"
                         "sesso:\n"
                         "data di nascita:\n"
                         "luogo di nascita:\n"
                         "codice catastale:\n");
    EXPECT_EQ(wrong.err, "");

    // The shipped history decides the century: A744 ceased in 2014.
    const std::string bellagio = cfcalc({"ROSSI", "MARIO", "01/01/1920", "M", "BELLAGIO"}).out;
    EXPECT_EQ(decodedLines(cfcalc({"--verifica", bellagio.substr(0, 16)}).out),
              "codice base: " + bellagio.substr(0, 16) +
                  "\nsesso: M\ndata di nascita: 01/01/1920\nluogo di nascita: BELLAGIO (CO)\n"
                  "codice catastale: A744\n");
}

TEST_F(CfcalcTool, VerificationReadsTheDatabaseOnlyForAWellFormedCode)
{
    EXPECT_EQ(cfcalc({"--db", "altro.mdb", "--verifica", "RSSMRA74A01H501W"}).status, 2);
    EXPECT_EQ(cfcalc({"--db", "altro.mdb", "--verifica", "RSSMRA74A01H501"}).status, 1);
    // A place the database does not know is unknown, not a fault of the code.
    makeDatabase("senzastoria.mdb", {{"ROMA", "H501"}});
    const Result unknown = cfcalc({"--db", "senzastoria.mdb", "--verifica", "RSSMRA74A01H501W"});
    EXPECT_EQ(unknown.status, 0);
    EXPECT_EQ(decodedLines(unknown.out),
              "codice base: RSSMRA74A01H501W\n"
              "sesso: M\n"
              "data di nascita: 01/01/1974\n"
              "luogo di nascita: sconosciuto (codice catastale non presente in archivio)\n"
              "codice catastale: H501\n");
}

TEST_F(CfcalcTool, OmocodiaVariantsShareTheBaseCode)
{
    const Result listed = cfcalc({"--omocodie", "RSSMRA74A01H501W"});
    EXPECT_EQ(listed.status, 0);
    std::istringstream in(listed.out);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0], "RSSMRA74A01H501W");
    EXPECT_EQ(lines[1].substr(0, 15), "RSSMRA74A01H50M");
    EXPECT_EQ(lines[7].substr(0, 15), "RSSMRATQALMHRLM");
    // Every variant is valid, carries what the base code carries and has the same variants.
    const std::string decoded = decodedLines(cfcalc({"--verifica", lines[0]}).out);
    for (const std::string& variant : lines) {
        EXPECT_EQ(decodedLines(cfcalc({"--verifica", variant}).out), decoded) << variant;
        EXPECT_EQ(cfcalc({"--omocodie", variant}).out, listed.out) << variant;
    }

    const Result wrong = cfcalc({"--omocodie", "RSSMRA74A01H501"});
    EXPECT_EQ(wrong.status, 1);
    EXPECT_EQ(wrong.out, "");
    EXPECT_EQ(wrong.err, "lunghezza errata: 15 caratteri invece di 16\n");
}

TEST_F(CfcalcTool, VerificationArgumentsThatDoNotFitAreStatusTwo)
{
    const std::vector<std::vector<std::string>> wrong = {
        {"--verifica"},
        {"--omocodie"},
        {"--verifica", "RSSMRA74A01H501W", "ROSSI"},
        {"--verifica", "--omocodie", "RSSMRA74A01H501W"},
        {"--omocodie", "--batch", "-"},
        {"--verifica", "--batch", "-", "RSSMRA74A01H501W"},
    };
    for (const auto& arguments : wrong) {
        const Result result = cfcalc(arguments);
        EXPECT_EQ(result.status, 2) << arguments[0];
        EXPECT_EQ(result.out, "");
    }
}

TEST_F(CfcalcTool, VerificationBatchAddsItsColumnsToEveryRow)
{
    const std::string input = "nome;Codice_Fiscale;note\r\n"
                              "Mario;RSSMRA74A01H501W;primo\r\n"
                              "Maria; rssmra74d65h501v ;\"con ; dentro\"\r\n"
                              "Anna;MRTNNA90R50Z110O;\r\n"
                              "Omocodia;RSSMRA80A01MNSMQ;\r\n"
                              "Errato;RSSMRA74A01H501X;x\r\n"
                              "Corto;RSSMRA74A01H501;x\r\n"
                              "Pochi;RSSMRA74A01H501W\r\n";
    const Result result = cfcalc({"--verifica", "--batch", "-"}, input);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out,
              "nome;Codice_Fiscale;note;esito;motivo;codice_base;sesso;data_nascita;comune;"
              "provincia;codice_catastale\n"
              "Mario;RSSMRA74A01H501W;primo;valido;;RSSMRA74A01H501W;M;01/01/1974;ROMA;RM;H501\n"
              "Maria; rssmra74d65h501v ;\"con ; dentro\";valido;;RSSMRA74D65H501V;F;25/04/1974;"
              "ROMA;RM;H501\n"
              "Anna;MRTNNA90R50Z110O;;valido;;MRTNNA90R50Z110O;F;10/10/1990;FRANCIA;EE;Z110\n"
              "Omocodia;RSSMRA80A01MNSMQ;;valido;;RSSMRA80A01M261X;M;01/01/1980;CASTRO;LE;M261\n"
              "Errato;RSSMRA74A01H501X;x;non valido;carattere di controllo errato: atteso W, "
              "trovato X;;;;;;\n"
              "Corto;RSSMRA74A01H501;x;non valido;lunghezza errata: 15 caratteri invece di 16;"
              ";;;;;\n"
              "Pochi;RSSMRA74A01H501W;non valido;Numero di campi errato: attesi 3, trovati 2;"
              ";;;;;\n");

    std::ofstream("codici.csv") << "codice_fiscale\nRSSMRA74A01H501W\n";
    const Result valid = cfcalc({"--verifica", "--batch", "codici.csv"});
    EXPECT_EQ(valid.status, 0);
    EXPECT_EQ(valid.out, "codice_fiscale;esito;motivo;codice_base;sesso;data_nascita;comune;"
                         "provincia;codice_catastale\n"
                         "RSSMRA74A01H501W;valido;;RSSMRA74A01H501W;M;01/01/1974;ROMA;RM;H501\n");
}

TEST_F(CfcalcTool, VerificationBatchThatCannotRunIsStatusTwo)
{
    for (const char* input : {"nome;codice\nMario;RSSMRA74A01H501W\n", ""}) {
        const Result result = cfcalc({"--verifica", "--batch", "-"}, input);
        EXPECT_EQ(result.status, 2) << input;
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err.find("codice_fiscale"), std::string::npos) << result.err;
    }
    EXPECT_EQ(cfcalc({"--verifica", "--batch", "nessuno.csv"}).status, 2);
    std::ofstream("codici.csv") << "codice_fiscale\nRSSMRA74A01H501W\n";
    EXPECT_EQ(cfcalc({"--db", "altro.mdb", "--verifica", "--batch", "codici.csv"}).status, 2);
    const std::string full =
        shellQuoted(CFCALC_PATH) + " --verifica --batch codici.csv >/dev/full 2>/dev/null";
    const int status = std::system(full.c_str());
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 2);
}

// A change of 2025, made up here: a new municipality, and one that ceases.
const std::vector<RegisterRow> kRegister2025 = {
    {"M438", "SANTA CATERINA D'ESTE", "PD", "2024-01-22", "2025-02-28"},
    {"M999", "BORGO DEI COLLI", "PD", "2025-03-01"},
};

TEST_F(CfcalcTool, UpdatesTheMunicipalitiesFromTheRegistersFile)
{
    writeRegisterFile("comuni.csv", kRegister2025);
    const Result result = cfcalc({"--aggiorna-comuni", "comuni.csv"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, "Aggiornamento dell'archivio \"AA1.mdb\" nella cartella \"" +
                              folder.path().string() +
                              "\" dal file \"comuni.csv\":\n"
                              "comuni aggiunti alla tabella: 1 (BORGO DEI COLLI);\n"
                              "periodi aggiunti alla storia: 1 (BORGO DEI COLLI);\n"
                              "periodi chiusi: 1 (SANTA CATERINA D'ESTE).\n");

    const auto bornIn = [](const char* day, const char* place) {
        return cfcalc({"ROSSI", "MARIO", day, "M", place});
    };
    EXPECT_EQ(bornIn("01/03/2025", "BORGO DEI COLLI").out.substr(0, 15), "RSSMRA25C01M999");
    EXPECT_EQ(bornIn("28/02/2025", "SANTA CATERINA D'ESTE").out.substr(0, 15), "RSSMRA25B28M438");
    EXPECT_EQ(bornIn("01/03/2025", "SANTA CATERINA D'ESTE").status, 1);

    // --db names the database to update.
    std::filesystem::copy_file(MIRELTA_DATABASE, "altro.mdb");
    const Result other = cfcalc({"--db=altro.mdb", "--aggiorna-comuni=comuni.csv"});
    EXPECT_NE(other.out.find("comuni aggiunti alla tabella: 1 (BORGO DEI COLLI)"),
              std::string::npos)
        << other.out;
}

TEST_F(CfcalcTool, AnUpdateThatCannotRunIsStatusTwoAndWritesNothing)
{
    const std::string shipped = fileContents("AA1.mdb");
    writeRegisterFile("comuni.csv", kRegister2025);
    std::ofstream("persone.csv")
        << "cognome;nome;data;sesso;comune\nROSSI;MARIO;01/01/1974;M;ROMA\n";
    const Result shape = cfcalc({"--aggiorna-comuni", "persone.csv"});
    EXPECT_EQ(shape.status, 2);
    EXPECT_EQ(shape.out, "");
    EXPECT_TRUE(shape.err.starts_with("Il file \"persone.csv\" non è un archivio dei comuni del "
                                      "registro: mancano le colonne registry_code, name_it,"))
        << shape.err;

    const std::vector<std::vector<std::string>> failing = {
        {"--aggiorna-comuni", "nessuno.csv"},
        {"--db", "nessuno.mdb", "--aggiorna-comuni", "comuni.csv"},
        {"--aggiorna-comuni"},
        {"--aggiorna-comuni", "comuni.csv", "ROSSI"},
        {"--aggiorna-comuni", "comuni.csv", "--verifica"},
        {"--aggiorna-comuni", "comuni.csv", "--batch", "-"},
        {"--forza", "ROSSI", "MARIO", "01/01/1974", "M", "ROMA"},
    };
    for (const auto& arguments : failing) {
        const Result result = cfcalc(arguments);
        EXPECT_EQ(result.status, 2) << arguments.back();
        EXPECT_EQ(result.out, "") << arguments.back();
    }
    EXPECT_EQ(fileContents("AA1.mdb"), shipped);

    if (::geteuid() != 0) { // the superuser writes to any file
        std::filesystem::permissions("AA1.mdb", std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::remove);
        const Result readOnly = cfcalc({"--aggiorna-comuni", "comuni.csv"});
        EXPECT_EQ(readOnly.status, 2);
        EXPECT_NE(readOnly.err.find("il file è di sola lettura"), std::string::npos)
            << readOnly.err;
        EXPECT_EQ(fileContents("AA1.mdb"), shipped);
    }
}

// The shipped database, beside cfcalc as an installation has it.
std::filesystem::path shippedDatabase()
{
    return (std::filesystem::path(CFCALC_PATH).parent_path() / "../share/mirelta/AA1.mdb")
        .lexically_normal();
}

// --db names one file: never another spelling of it. Only the default AA1.mdb of the working
// folder is found whatever its letter case, and only when one file alone has that name.
TEST_F(CfcalcTool, DbMeansExactlyThatFile)
{
    makeDatabase("copy.mdb", {{"ROMA", "Z111"}});
    makeDatabase("COPY.mdb", {{"ROMA", "Z222"}});
    const auto placeCode = [](std::vector<std::string> arguments) {
        arguments.insert(arguments.end(), {"ROSSI", "MARIO", "01/01/1974", "M", "ROMA"});
        const Result result = cfcalc(arguments);
        return result.status == 0 ? result.out.substr(11, 4) : result.err;
    };
    EXPECT_EQ(placeCode({"--db", "copy.mdb"}), "Z111");
    EXPECT_EQ(placeCode({"--db=COPY.mdb"}), "Z222");
    EXPECT_NE(placeCode({"--db", "Copy.mdb"}).find("\"Copy.mdb\""), std::string::npos);
    EXPECT_NE(placeCode({"--db", "Copy.mdb"}).find(": il file non esiste."), std::string::npos);

    const std::string other = fileContents("COPY.mdb");
    writeRegisterFile("comuni.csv", kRegister2025);
    EXPECT_EQ(cfcalc({"--db", "copy.mdb", "--aggiorna-comuni", "comuni.csv"}).status, 0);
    EXPECT_EQ(fileContents("COPY.mdb"), other);
    EXPECT_EQ(placeCode({"--db", "copy.mdb"}), "Z111");

    std::filesystem::copy_file("AA1.mdb", "aa1.MDB");
    EXPECT_EQ(placeCode({"--db", "aa1.MDB"}), "H501");
    EXPECT_NE(placeCode({"--db", "AA1.MDB"}).find(": il file non esiste."), std::string::npos);
    const std::string twoFiles = placeCode({});
    EXPECT_NE(twoFiles.find("(\"AA1.mdb\", \"aa1.MDB\")"), std::string::npos) << twoFiles;
}

// An archive that is not a regular file is refused at once: a FIFO never keeps cfcalc waiting.
TEST_F(CfcalcTool, DbThatIsNotARegularFileIsRefusedAtOnce)
{
    ASSERT_EQ(::mkfifo("coda.mdb", 0600), 0);
    std::filesystem::create_directory("cartella.mdb");
    writeRegisterFile("comuni.csv", kRegister2025);
    for (const char* name : {"coda.mdb", "cartella.mdb", "/dev/null"}) {
        for (const std::vector<std::string>& command :
             {std::vector<std::string>{"ROSSI", "MARIO", "01/01/1974", "M", "ROMA"},
              {"--verifica", "RSSMRA74A01H501W"},
              {"--aggiorna-comuni", "comuni.csv"}}) {
            std::vector<std::string> arguments = {"--db", name};
            arguments.insert(arguments.end(), command.begin(), command.end());
            const Result result =
                cfcalcBetween(arguments, "/dev/null", "stdout.txt", "timeout 10 ");
            EXPECT_EQ(result.status, 2) << name << " " << command.front();
            EXPECT_TRUE(result.err.starts_with("Impossibile aprire l'archivio")) << result.err;
        }
    }
}

// Out of memory anywhere, cfcalc stops with status 2 and says so; it never aborts. Each run has a
// little more memory, from too little to start to enough to compute; a pattern of every name needs
// the most.
TEST_F(CfcalcTool, OutOfMemoryIsStatusTwoWithAMessage)
{
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "AddressSanitizer cannot run within a memory limit";
#endif
    const struct {
        const char* place;
        int status; // with memory enough
    } cases[] = {{"ROMA", 0}, {"*", 1}};
    int stopped = 0;
    for (const auto& run : cases) {
        for (int kilobytes = 6 * 1024; kilobytes <= 48 * 1024; kilobytes += 512) {
            const std::string limit = "ulimit -v " + std::to_string(kilobytes) + "; ";
            const Result result = cfcalcBetween({"ROSSI", "MARIO", "01/01/1974", "M", run.place},
                                                "/dev/null", "stdout.txt", limit);
            if (result.status == 2) {
                EXPECT_NE(result.err.find("emoria insufficiente"), std::string::npos)
                    << kilobytes << " KiB: " << result.err;
                ++stopped;
            } else if (result.status != 127) { // 127: too little memory to load cfcalc at all
                EXPECT_EQ(result.status, run.status) << kilobytes << " KiB: " << result.err;
            }
        }
    }
    EXPECT_GT(stopped, 0) << "no memory limit stopped cfcalc after it started";
}

// Without an archive in the working folder and without the user's copy, the update makes the copy
// first, as the program does on its first start, and updates that: the shipped database is never
// written, not even by the superuser. When no copy can be made, the message says what to do.
TEST_F(CfcalcTool, AnUpdateWithoutAUserCopyMakesItFirst)
{
    std::filesystem::remove("AA1.mdb");
    const ScopedEnvironment home("HOME", (folder.path() / "casa").string());
    const ScopedEnvironment dataHome("XDG_DATA_HOME", "");
    const auto copy = folder.path() / "casa" / ".local" / "share" / "Mirelta" / "AA1.mdb";
    const std::string shipped = fileContents(shippedDatabase());
    writeRegisterFile("comuni.csv", kRegister2025);

    const Result first = cfcalc({"--aggiorna-comuni", "comuni.csv"});
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_TRUE(first.out.starts_with(
        "Creata la copia personale dell'archivio, che viene aggiornata: \"" + copy.string() +
        "\".\nAggiornamento dell'archivio \"AA1.mdb\" nella cartella \"" +
        copy.parent_path().string() + "\""))
        << first.out;
    EXPECT_NE(first.out.find("comuni aggiunti alla tabella: 1 (BORGO DEI COLLI)"),
              std::string::npos);
    const Result again = cfcalc({"--aggiorna-comuni", "comuni.csv"});
    EXPECT_TRUE(again.out.starts_with("Aggiornamento dell'archivio")) << again.out;
    EXPECT_EQ(fileContents(shippedDatabase()), shipped);
    EXPECT_EQ(cfcalc({"ROSSI", "MARIO", "01/03/2025", "M", "BORGO DEI COLLI"}).status, 0);

    const Result named =
        cfcalc({"--db", shippedDatabase().string(), "--aggiorna-comuni", "comuni.csv"});
    EXPECT_EQ(named.status, 2);
    EXPECT_NE(named.err.find("è quello fornito con il programma."), std::string::npos) << named.err;

    std::filesystem::remove_all(copy.parent_path());
    std::ofstream("file") << "non una cartella";
    const ScopedEnvironment blocked("XDG_DATA_HOME", (folder.path() / "file").string());
    const Result failed = cfcalc({"--aggiorna-comuni", "comuni.csv"});
    EXPECT_EQ(failed.status, 2);
    EXPECT_EQ(failed.out, "");
    EXPECT_TRUE(failed.err.starts_with("Impossibile creare la copia dell'archivio nella cartella"))
        << failed.err;
    EXPECT_TRUE(failed.err.ends_with(
        "L'archivio fornito con il programma non viene mai modificato: per aggiornare un altro "
        "archivio, indicarlo con --db ARCHIVIO o avviare cfcalc nella cartella che lo contiene.\n"))
        << failed.err;
    EXPECT_EQ(fileContents(shippedDatabase()), shipped);
}

// An update that would add more than a thousand municipalities needs --forza.
TEST_F(CfcalcTool, AnUpdateAddingThousandsOfMunicipalitiesNeedsForza)
{
    std::vector<RegisterRow> many;
    for (int i = 0; i < 1001; ++i) {
        const std::string code = i < 1000 ? "N" + std::to_string(1000 + i).substr(1) : "O000";
        many.push_back({code, "NUOVO " + std::to_string(i), "RM", "2025-01-01"});
    }
    writeRegisterFile("comuni.csv", many);
    const std::string before = fileContents("AA1.mdb");
    const Result refused = cfcalc({"--aggiorna-comuni", "comuni.csv"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_TRUE(
        refused.err.ends_with("L'archivio non è stato modificato. Per aggiungerli comunque: "
                              "cfcalc --forza --aggiorna-comuni FILE.\n"))
        << refused.err;
    EXPECT_EQ(fileContents("AA1.mdb"), before);
    const Result forced = cfcalc({"--forza", "--aggiorna-comuni", "comuni.csv"});
    EXPECT_EQ(forced.status, 0) << forced.err;
    EXPECT_NE(forced.out.find("comuni aggiunti alla tabella: 1001 ("), std::string::npos);
}

} // namespace
