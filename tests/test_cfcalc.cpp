// cfcalc driven from outside, as a user or a script runs it.
#include "testsupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

std::string ShellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

std::string ReadFile(const std::string& name)
{
    std::ifstream in(name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs cfcalc in the working folder with the given arguments and standard input.
Result Cfcalc(const std::vector<std::string>& arguments, const std::string& input = "")
{
    std::ofstream("stdin.txt", std::ios::binary) << input;
    std::string command = ShellQuoted(CFCALC_PATH);
    for (const auto& argument : arguments) {
        command += " " + ShellQuoted(argument);
    }
    command += " <stdin.txt >stdout.txt 2>stderr.txt";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile("stdout.txt"),
            ReadFile("stderr.txt")};
}

class CfcalcTool : public ::testing::Test {
protected:
    void SetUp() override { folder.CopyShippedDatabase(); }
    WorkingFolder folder;
};

TEST_F(CfcalcTool, PrintsTheCodeOfOnePerson)
{
    const Result rossi = Cfcalc({"ROSSI", "MARIO", "01/01/1974", "M", "ROMA"});
    EXPECT_EQ(rossi.status, 0);
    EXPECT_EQ(rossi.out, "RSSMRA74A01H501W\n");
    EXPECT_EQ(rossi.err, "");

    EXPECT_EQ(Cfcalc({"rossi", "maria", "25/04/1974", "F", "roma"}).out, "RSSMRA74D65H501V\n");
    EXPECT_EQ(Cfcalc({"d'angelo", "gianfranco", "5/9/1974", "M", "Castel Sant'Angelo"}).status, 1);
    EXPECT_EQ(Cfcalc({"d'angelo", "gianfranco", "05/09/1974", "M", "castel sant'angelo"}).out,
              "DNGGFR74P05C268K\n");
    EXPECT_EQ(Cfcalc({"MARTIN", "ANNE", "10/10/1990", "F", "FRANCIA"}).out, "MRTNNA90R50Z110O\n");
    EXPECT_EQ(Cfcalc({"ROSSI", "MARIO", "1974/01/01", "M", "ROMA"}).out, "RSSMRA74A01H501W\n");
}

TEST_F(CfcalcTool, MunicipalityPatternsKeepTheirWildcards)
{
    EXPECT_EQ(Cfcalc({"ROSSI", "MARIO", "01/01/1974", "M", "ROM?"}).out, "RSSMRA74A01H501W\n");
    EXPECT_EQ(Cfcalc({"ROSSI", "MARIO", "01/01/1974", "M", "CASTEL SANT?ANGELO"}).out,
              Cfcalc({"ROSSI", "MARIO", "01/01/1974", "M", "CASTEL SANT'ANGELO"}).out);
    const Result star = Cfcalc({"ROSSI", "MARIO", "01/01/1974", "M", "*"});
    EXPECT_EQ(star.status, 0); // "*" matches every name: the first row of the table is used
    EXPECT_EQ(star.out.size(), 17u);
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
        const Result result = Cfcalc(c.arguments);
        EXPECT_EQ(result.status, 1) << c.message;
        EXPECT_EQ(result.err, c.message);
        EXPECT_EQ(result.out, "");
    }
}

TEST_F(CfcalcTool, DatabaseThatCannotBeOpenedIsStatusTwo)
{
    std::filesystem::rename("AA1.mdb", "aa1.MDB");
    EXPECT_EQ(Cfcalc({"ROSSI", "MARIO", "01/01/1974", "M", "ROMA"}).status, 0);

    const Result missing =
        Cfcalc({"--db", "altro.mdb", "ROSSI", "MARIO", "01/01/1974", "M", "ROMA"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("\"altro.mdb\""), std::string::npos) << missing.err;
    EXPECT_NE(missing.err.find(folder.path().string()), std::string::npos) << missing.err;

    std::filesystem::copy_file("aa1.MDB", "copia.db");
    EXPECT_EQ(Cfcalc({"--db", "copia.db", "ROSSI", "MARIO", "01/01/1974", "M", "ROMA"}).out,
              "RSSMRA74A01H501W\n");
    EXPECT_EQ(Cfcalc({"ROSSI", "MARIO"}).status, 2);
    EXPECT_EQ(Cfcalc({"--sconosciuta", "ROSSI", "MARIO", "01/01/1974", "M", "ROMA"}).status, 2);
}

// Started where there is no AA1.mdb, cfcalc reads the user's copy that the program made, else the
// database shipped with it (found beside its own folder); --db still names any other.
TEST_F(CfcalcTool, WithoutADatabaseAtHandReadsTheUserCopyThenTheShippedOne)
{
    std::filesystem::rename("AA1.mdb", "altro.mdb");
    const ScopedEnvironment home("HOME", (folder.path() / "casa").string());
    const ScopedEnvironment dataHome("XDG_DATA_HOME", "");
    const std::vector<std::string> rossi = {"ROSSI", "MARIO", "01/01/1974", "M", "ROMA"};
    EXPECT_EQ(Cfcalc(rossi).out, "RSSMRA74A01H501W\n");

    const auto userFolder = folder.path() / "casa" / ".local" / "share" / "Mirelta";
    std::filesystem::create_directories(userFolder);
    MakeDatabase(userFolder / "AA1.mdb", {{"ROMA", "Z999"}});
    const Result own = Cfcalc(rossi);
    EXPECT_EQ(own.status, 0);
    EXPECT_EQ(own.out.substr(11, 4), "Z999") << own.out;

    std::vector<std::string> named = {"--db", "altro.mdb"};
    named.insert(named.end(), rossi.begin(), rossi.end());
    EXPECT_EQ(Cfcalc(named).out, "RSSMRA74A01H501W\n");
}

TEST_F(CfcalcTool, BatchAnswersEveryRowInOrder)
{
    const std::string input = "cognome;nome;data;sesso;comune\r\n"
                              "rossi;mario;01/01/1974;M;roma\r\n"
                              "ROSSI;MARIO;1/1/1974;M;ROMA\r\n"
                              "troppo;pochi\r\n"
                              "\"DE LUCA\";\"ANNA MARIA\";09/03/2000;F;\"sant'angelo*\"\r\n"
                              "ROSSI;MARIO;01/01/1974;M;ATLANTIDE;in più\r\n"
                              "ROSSI;MARIO;01/01/1974;M;\"RO;MA\"\r\n"
                              "\"D'ANGELO\";GIANFRANCO;05/09/1974;M;\"CASTEL SANT'ANGELO\"\r\n"
                              "ROSSI;MARIO;01/01/1974;M;RO\"MA\r\n" // a stray quote
                              "ROSSI;MARIO;01/01/1974;M;ROMA\r\n";
    const Result result = Cfcalc({"--batch", "-"}, input);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out,
              "cognome;nome;data;sesso;comune;codice_fiscale;errore\n"
              "rossi;mario;01/01/1974;M;roma;RSSMRA74A01H501W;\n"
              "ROSSI;MARIO;1/1/1974;M;ROMA;;Inserire la data di nascita nel formato gg/mm/aaaa !\n"
              "troppo;pochi;;Numero di campi errato: attesi 5, trovati 2\n"
              "DE LUCA;ANNA MARIA;09/03/2000;F;sant'angelo*;DLCNMR00C49I277J;\n"
              "ROSSI;MARIO;01/01/1974;M;ATLANTIDE;in più;;Numero di campi errato: attesi 5, "
              "trovati 6\n"
              "ROSSI;MARIO;01/01/1974;M;\"RO;MA\";;Comune - se esistente - non presente in "
              "archivio !\n"
              "D'ANGELO;GIANFRANCO;05/09/1974;M;CASTEL SANT'ANGELO;DNGGFR74P05C268K;\n"
              "ROSSI;MARIO;01/01/1974;M;\"RO\"\"MA\";;Comune - se esistente - non presente in "
              "archivio !\n"
              "ROSSI;MARIO;01/01/1974;M;ROMA;RSSMRA74A01H501W;\n");

    // Output that cannot be written is a failure, never a success.
    const std::string full = ShellQuoted(CFCALC_PATH) + " ROSSI MARIO 01/01/1974 M ROMA >/dev/full";
    const int status = std::system((full + " 2>/dev/null").c_str());
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 2);
}

TEST_F(CfcalcTool, BatchFromAFileWithoutHeader)
{
    std::ofstream("persone.csv") << "ROSSI;MARIO;01/01/1974;M;ROMA\nROSSI;MARIA;25/04/1974;F;ROMA";
    const Result result = Cfcalc({"--batch", "persone.csv"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "cognome;nome;data;sesso;comune;codice_fiscale;errore\n"
                          "ROSSI;MARIO;01/01/1974;M;ROMA;RSSMRA74A01H501W;\n"
                          "ROSSI;MARIA;25/04/1974;F;ROMA;RSSMRA74D65H501V;\n");
    EXPECT_EQ(Cfcalc({"--batch", "nessuno.csv"}).status, 2);
    std::filesystem::create_directory("cartella.csv");
    EXPECT_EQ(Cfcalc({"--batch", "cartella.csv"}).status, 2);
    EXPECT_EQ(Cfcalc({"--batch", "persone.csv"}).status, 0);
    EXPECT_EQ(Cfcalc({"--batch", ""}, "").out,
              ""); // an unnamed file cannot be read: nothing is written
}

TEST_F(CfcalcTool, HelpIsInItalian)
{
    const Result help = Cfcalc({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Calcola il codice fiscale"), std::string::npos);
    EXPECT_NE(help.out.find("--batch"), std::string::npos);
}

} // namespace
