// The batch on its own, as cfcalc and a window run it: CSV in, CSV out, in memory.
#include "batch/batch.h"
#include "batch/verifybatch.h"
#include "fiscalcode/fiscalcode.h"
#include "storage/birthplacefile.h"
#include "tests/textbytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <stop_token>
#include <string>
#include <vector>

namespace {

using text::FormulaCells;

constexpr fiscalcode::Day kToday = 20251231;

const places::BirthplaceIndex& shippedPlaces()
{
    static const auto places = storage::readBirthplaces(std::filesystem::path(MIRELTA_DATABASE));
    return places;
}

// Places whose names a spreadsheet would take for a formula, or that Windows-1252 cannot write.
const places::BirthplaceIndex& oddPlaces()
{
    static const places::BirthplaceIndex places(
        {{"=SOMMA(1)", "Z998"}, {"ČEPOVAN", "Z996"}, {"ČEPOVAN", "Z997"}},
        {{"Z998", {18000101, 99991231, "=SOMMA(1)", "", "EE"}}});
    return places;
}

enum class Kind { Calculation, Verification };

struct Answer {
    std::string out;
    batch::BatchSummary summary;
};

Answer run(Kind kind, const std::string& in, const batch::BatchOptions& options = {},
           const places::BirthplaceIndex& places = shippedPlaces())
{
    std::istringstream input(in);
    std::ostringstream output;
    Answer answer;
    answer.summary = kind == Kind::Calculation
                         ? batch::calculateBatch(input, output, places, options)
                         : batch::verifyBatch(input, output, places, kToday, options);
    answer.out = output.str();
    return answer;
}

std::string lines(int count, const std::string& line)
{
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += line;
    }
    return text;
}

TEST(BatchFile, FindsItsColumnsByNameAndKeepsTheOthers)
{
    const struct {
        Kind kind;
        std::string in;
        std::string out;
    } cases[] = {
        {Kind::Calculation,
         " Nome ;COGNOME;note;Data; sesso\t;Comune;Provincia\r\n"
         "MARIO; ROSSI ; prima ;01/01/1980;M;CASTRO; LE \r\n",
         " Nome ;COGNOME;note;Data; sesso\t;Comune;Provincia;codice_fiscale;errore;avviso\n"
         "MARIO; ROSSI ; prima ;01/01/1980;M;CASTRO; LE ;RSSMRA80A01M261X;;\n"},
        {Kind::Calculation,
         "comune;sesso;data;nome;cognome\n"
         "ROMA;M;01/01/1974;MARIO;ROSSI\n"
         "ROMA;M;01/01/1974;MARIO\n",
         "comune;sesso;data;nome;cognome;codice_fiscale;errore;avviso\n"
         "ROMA;M;01/01/1974;MARIO;ROSSI;RSSMRA74A01H501W;;\n"
         "ROMA;M;01/01/1974;MARIO;;Numero di campi errato: attesi 5, trovati 4;\n"},
        {Kind::Verification,
         "nome; Codice_Fiscale ;note\n"
         "Mario; rssmra74a01h501w ;x\n",
         "nome; Codice_Fiscale ;note;esito;motivo;codice_base;sesso;data_nascita;comune;"
         "provincia;codice_catastale\n"
         "Mario; rssmra74a01h501w ;x;valido;;RSSMRA74A01H501W;M;01/01/1974;ROMA;RM;H501\n"},
    };
    for (const auto& c : cases) {
        const Answer answer = run(c.kind, c.in);
        EXPECT_EQ(answer.out, c.out);
        EXPECT_EQ(answer.summary.end, batch::BatchEnd::Finished);
    }
}

TEST(BatchFile, RefusesAFileWhoseFirstRowIsNotItsHeader)
{
    const std::string expected = "la prima riga deve essere l'intestazione, con le colonne "
                                 "cognome, nome, data, sesso e comune (facoltativa provincia) "
                                 "in qualsiasi ordine";
    const struct {
        Kind kind;
        std::string in;
        std::string refusal;
    } cases[] = {
        {Kind::Calculation, "ROSSI;MARIO;01/01/1974;M;ROMA\n", expected},
        {Kind::Calculation, "nome;cognome;data;sesso;luogo\n", expected + "; manca comune"},
        {Kind::Calculation, "nome;cognome;sesso;luogo\n", expected + "; mancano data e comune"},
        {Kind::Calculation, "cognome;nome;data;sesso;comune;NOME\n", expected + "; più volte nome"},
        {Kind::Calculation, "", expected},
        {Kind::Verification, "nome;codice\nMario;RSSMRA74A01H501W\n",
         "la prima riga deve essere l'intestazione, con la colonna codice_fiscale"},
        {Kind::Verification, "\n;;\n",
         "la prima riga deve essere l'intestazione, con la colonna codice_fiscale"},
    };
    for (const auto& c : cases) {
        const Answer answer = run(c.kind, c.in);
        EXPECT_EQ(answer.summary.end, batch::BatchEnd::Refused) << c.in;
        EXPECT_EQ(answer.summary.refusal, c.refusal) << c.in;
        EXPECT_EQ(answer.out, "") << c.in;
    }
}

// Empty lines, rows of empty fields and blank ones are left out wherever they are, a header's
// included; they are not rows without a result.
TEST(BatchFile, LeavesOutRowsWithoutText)
{
    const Answer answer = run(Kind::Calculation, "\r\n"
                                                 ";;;;\n"
                                                 "cognome;nome;data;sesso;comune\n"
                                                 "\n"
                                                 ";;;;\n"
                                                 " ; \t;;  ;\r\n"
                                                 "ROSSI;MARIO;01/01/1974;M;ROMA\n"
                                                 ";;\n"
                                                 "\n");
    EXPECT_EQ(answer.out, "cognome;nome;data;sesso;comune;codice_fiscale;errore;avviso\n"
                          "ROSSI;MARIO;01/01/1974;M;ROMA;RSSMRA74A01H501W;;\n");
    EXPECT_EQ(answer.summary.progress.rows, 1u);
    EXPECT_EQ(answer.summary.progress.failed, 0u);
}

// Every cell written, the header's, the file's own and the municipality names of the archive
// included, unless the cells are to be written as they are.
TEST(BatchFile, NeutralisesEveryCellThatLooksLikeAFormula)
{
    const std::string code = fiscalcode::ComputeFiscalCode(
        {"ROSSI", "MARIA", {1, 1, 1974}, fiscalcode::Sex::Female, "Z998"});
    const struct {
        Kind kind;
        std::string in;
        std::string neutralised;
        std::string asTheyAre;
    } cases[] = {
        {Kind::Calculation,
         "cognome;nome;data;sesso;comune;=note\n"
         "\"=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\";MARIO;01/01/1974;M;ROMA;+cmd|' /C calc'!A0\n"
         "ROSSI;MARIO;01/01/1974;M;ROMA;@SUM(1)\n",
         "cognome;nome;data;sesso;comune;'=note;codice_fiscale;errore;avviso\n"
         "\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\";MARIO;01/01/1974;M;ROMA;'+cmd|' /C "
         "calc'!A0;HYPMRA74A01H501C;;\n"
         "ROSSI;MARIO;01/01/1974;M;ROMA;'@SUM(1);RSSMRA74A01H501W;;\n",
         "cognome;nome;data;sesso;comune;=note;codice_fiscale;errore;avviso\n"
         "\"=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\";MARIO;01/01/1974;M;ROMA;+cmd|' /C "
         "calc'!A0;HYPMRA74A01H501C;;\n"
         "ROSSI;MARIO;01/01/1974;M;ROMA;@SUM(1);RSSMRA74A01H501W;;\n"},
        {Kind::Verification, "codice_fiscale;importo\n" + code + ";-2+3\n",
         "codice_fiscale;importo;esito;motivo;codice_base;sesso;data_nascita;comune;provincia;"
         "codice_catastale\n" +
             code + ";'-2+3;valido;;" + code + ";F;01/01/1974;'=SOMMA(1);EE;Z998\n",
         "codice_fiscale;importo;esito;motivo;codice_base;sesso;data_nascita;comune;provincia;"
         "codice_catastale\n" +
             code + ";-2+3;valido;;" + code + ";F;01/01/1974;=SOMMA(1);EE;Z998\n"},
    };
    for (const auto& c : cases) {
        const auto& places = c.kind == Kind::Calculation ? shippedPlaces() : oddPlaces();
        EXPECT_EQ(run(c.kind, c.in, {}, places).out, c.neutralised);
        batch::BatchOptions raw;
        raw.formulas = FormulaCells::AsTheyAre;
        EXPECT_EQ(run(c.kind, c.in, raw, places).out, c.asTheyAre);
    }
}

// The answer is in the file's own encoding: a spreadsheet reads back what it wrote.
TEST(BatchFile, AnswersInTheEncodingOfTheFile)
{
    const std::string header = "cognome;nome;data;sesso;comune\r\n";
    const std::string person = "ROSSI;NICCOLÒ;01/01/1974;M;FORLÌ\r\n";
    const std::string answered = "cognome;nome;data;sesso;comune;codice_fiscale;errore;avviso\n"
                                 "ROSSI;NICCOLÒ;01/01/1974;M;FORLÌ;RSSNCL74A01D704O;;\n";
    const std::u16string header16 = u"cognome;nome;data;sesso;comune\r\n";
    const std::u16string person16 = u"ROSSI;NICCOLÒ;01/01/1974;M;FORLÌ\r\n";
    const std::string longName(1001, 'A');
    const struct {
        std::string in;
        std::string out;
    } cases[] = {
        {header + person, answered},
        {"\xEF\xBB\xBF" + header + person, "\xEF\xBB\xBF" + answered},
        {utf16(header16 + person16, false), "\xEF\xBB\xBF" + answered},
        {utf16(header16 + person16, true), "\xEF\xBB\xBF" + answered},
        {header + "ROSSI;NICCOL\xD2;01/01/1974;M;FORL\xCC\r\n",
         "cognome;nome;data;sesso;comune;codice_fiscale;errore;avviso\n"
         "ROSSI;NICCOL\xD2;01/01/1974;M;FORL\xCC;RSSNCL74A01D704O;;\n"},
        // The program's own texts too: "più" in Windows-1252.
        {header + "ROSSI;NICCOL\xD2;01/01/1974;M;FORL\xCC\r\n" + "ROSSI;" + longName +
             ";01/01/1974;M;ROMA\r\n",
         "cognome;nome;data;sesso;comune;codice_fiscale;errore;avviso\n"
         "ROSSI;NICCOL\xD2;01/01/1974;M;FORL\xCC;RSSNCL74A01D704O;;\n"
         "ROSSI;" +
             longName.substr(0, 1000) +
             ";01/01/1974;M;ROMA;;Campo 2 troppo lungo: pi\xF9 di 1000 caratteri;\n"},
        // What is not text in the file's encoding is a row error, never a wrong code.
        {header + person + "ROSSI;NICCOL\xD2;01/01/1974;M;ROMA\r\n",
         answered + "ROSSI;NICCOL\uFFFD;01/01/1974;M;ROMA;;Carattere non valido in UTF-8 nel "
                    "campo 2;\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(run(Kind::Calculation, c.in).out, c.out) << c.in;
    }
}

// A result that the file's encoding cannot hold is a row error; the row is written whole.
TEST(BatchFile, AResultTheEncodingCannotHoldIsARowError)
{
    const Answer answer = run(
        Kind::Calculation, "cognome;nome;data;sesso;comune\nFORL\xCC;MARIO;01/01/1974;M;CEPOVAN\n",
        {}, oddPlaces());
    EXPECT_EQ(answer.out, "cognome;nome;data;sesso;comune;codice_fiscale;errore;avviso\n"
                          "FORL\xCC;MARIO;01/01/1974;M;CEPOVAN;;Il carattere U+010C della colonna "
                          "errore non si pu\xF2 scrivere in Windows-1252, la codifica del file;\n");
    EXPECT_EQ(answer.summary.progress.failed, 1u);
}

// What a window running the batch on a thread of its own needs: the rows as they are answered,
// the progress, and a way to stop.
TEST(BatchFile, TellsEachRowAndItsProgressAndStopsWhenAsked)
{
    const std::string in =
        "cognome;nome;data;sesso;comune\n" + lines(2000, "ROSSI;MARIO;01/01/1974;M;ROMA\n") +
        "ROSSI;MARIO;1/1/1974;M;ROMA\n" + lines(2000, "ROSSI;MARIO;01/01/1974;M;ROMA\n");
    std::stop_source stop;
    std::vector<batch::BatchProgress> progress;
    std::vector<std::pair<long, std::string>> failures;
    batch::BatchOptions options;
    options.stop = stop.get_token();
    options.progress = [&](const batch::BatchProgress& now) {
        progress.push_back(now);
    };
    options.rowAnswered = [&](const batch::RowResult& row) {
        if (!row.done) {
            failures.emplace_back(row.line, row.reason);
        }
        if (row.line == 3000) {
            stop.request_stop();
        }
    };
    const Answer answer = run(Kind::Calculation, in, options);
    EXPECT_EQ(answer.summary.end, batch::BatchEnd::Stopped);
    EXPECT_EQ(answer.summary.progress.rows, 2999u);
    EXPECT_EQ(answer.summary.progress.failed, 1u);
    EXPECT_EQ(std::count(answer.out.begin(), answer.out.end(), '\n'), 3000);
    EXPECT_EQ(failures, (std::vector<std::pair<long, std::string>>{
                            {2002, "Inserire la data di nascita nel formato gg/mm/aaaa !"}}));
    ASSERT_EQ(progress.size(), 3u);
    EXPECT_EQ(progress[0].rows, batch::kProgressRows);
    EXPECT_EQ(progress[1].rows, 2 * batch::kProgressRows);
    EXPECT_EQ(progress[2].rows, 2999u);
    EXPECT_EQ(progress[2].bytesRead, in.size()); // read ahead: the whole of this small file

    EXPECT_EQ(run(Kind::Calculation, in).summary.end, batch::BatchEnd::Finished);
}

// Input that cannot be read to its end, output that cannot be written: the batch stops and says
// which.
TEST(BatchFile, StopsWhenItsInputOrItsOutputFails)
{
    class Failing : public std::streambuf {
    protected:
        int_type underflow() override { throw std::runtime_error("errore di lettura"); }
    } failing;
    std::istream unreadable(&failing);
    std::ostringstream out;
    EXPECT_EQ(batch::calculateBatch(unreadable, out, shippedPlaces()).end,
              batch::BatchEnd::InputFailed);

    std::istringstream in("cognome;nome;data;sesso;comune\n" +
                          lines(10'000, "ROSSI;MARIO;01/01/1974;M;ROMA\n"));
    std::ostream unwritable(nullptr);
    const batch::BatchSummary summary = batch::calculateBatch(in, unwritable, shippedPlaces());
    EXPECT_EQ(summary.end, batch::BatchEnd::OutputFailed);
    EXPECT_LT(summary.progress.rows, 10'000u);
}

// What a summary tells besides the rows answered: those with a notice, those whose place was
// ambiguous, and the first rows without a result with their lines.
TEST(BatchFile, CountsNoticesAndAmbiguousPlacesAndKeepsTheFirstFailures)
{
    batch::BatchOptions options;
    options.failuresKept = 2;
    const Answer answer = run(Kind::Calculation,
                              "cognome;nome;data;sesso;comune\n"
                              "ROSSI;MARIO;10/03/1990;M;CAMPOSPINOSO ALBAREDO\n"
                              "\n"
                              "ROSSI;MARIO;01/01/1980;M;CASTRO\n"
                              "ROSSI;;01/01/1980;M;ROMA\n"
                              "ROSSI;MARIA;09/07/1931;F;ORATINO\n"
                              "ROSSI;MARIO;01/01/1980;M;PALAU\n"
                              "ROSSI;MARIO;01/01/1980;M;ROMA\n",
                              options);
    const batch::BatchProgress& rows = answer.summary.progress;
    EXPECT_EQ(rows.rows, 6u);
    EXPECT_EQ(rows.failed, 3u);
    EXPECT_EQ(rows.noticed, 2u);
    EXPECT_EQ(rows.ambiguous, 2u);
    ASSERT_EQ(answer.summary.firstFailures.size(), 2u);
    EXPECT_EQ(answer.summary.firstFailures[0].line, 4);
    EXPECT_TRUE(answer.summary.firstFailures[0].reason.starts_with("Comune ambiguo: CASTRO (BG)"));
    EXPECT_EQ(answer.summary.firstFailures[1].line, 5);
    EXPECT_EQ(answer.summary.firstFailures[1].reason, "Impossibile lasciare vuoto il campo Nome !");

    // The places listed in a file that cannot write them: the row's error is then another.
    const Answer unwritable = run(
        Kind::Calculation, "cognome;nome;data;sesso;comune\nFORL\xCC;MARIO;01/01/1974;M;CEPOVAN\n",
        {}, oddPlaces());
    EXPECT_EQ(unwritable.summary.progress.failed, 1u);
    EXPECT_EQ(unwritable.summary.progress.ambiguous, 0u);
}

// A look at a file before its batch: the encoding, the header and the first rows with their
// lines, read as the batch reads them; and how many rows the batch will answer.
TEST(BatchFile, PreviewAndCountReadTheFileAsItsBatchDoes)
{
    const struct {
        std::string in;
        const char* encoding;
        std::vector<std::string> header;
        std::vector<batch::BatchPreview::Row> rows;
        std::size_t count;
    } cases[] = {
        {"\n;;\ncognome;nome\r\n\nROSSI;MARIO\n;\nBIANCHI;\"ANNA;MARIA\"\nVERDI\nNERI;LUCA\n",
         "UTF-8",
         {"cognome", "nome"},
         {{5, {"ROSSI", "MARIO"}}, {7, {"BIANCHI", "ANNA;MARIA"}}},
         4},
        {"comune;nome\nFORL\xCC;NICCOL\xD2\n",
         "Windows-1252",
         {"comune", "nome"},
         {{2, {"FORLÌ", "NICCOLÒ"}}},
         1},
        {utf16(u"codice_fiscale\r\nRSSMRA74A01H501W\r\n", true),
         "UTF-16",
         {"codice_fiscale"},
         {{2, {"RSSMRA74A01H501W"}}},
         1},
        {"", "UTF-8", {}, {}, 0},
    };
    for (const auto& c : cases) {
        std::istringstream in(c.in);
        const batch::BatchPreview preview = batch::previewBatch(in, 2);
        EXPECT_EQ(preview.encoding, c.encoding) << c.in;
        EXPECT_EQ(preview.header, c.header) << c.in;
        ASSERT_EQ(preview.rows.size(), c.rows.size()) << c.in;
        for (std::size_t i = 0; i < c.rows.size(); ++i) {
            EXPECT_EQ(preview.rows[i].line, c.rows[i].line) << c.in;
            EXPECT_EQ(preview.rows[i].fields, c.rows[i].fields) << c.in;
        }
        EXPECT_FALSE(preview.inputFailed);
        std::istringstream again(c.in);
        EXPECT_EQ(batch::countRows(again), c.count) << c.in;
    }
    std::stop_source stop;
    stop.request_stop();
    std::istringstream many("cognome\n" + lines(10, "ROSSI\n"));
    EXPECT_EQ(batch::countRows(many, stop.get_token()), 0u);
}

// Which batches a header allows, with the reason of each refusal, and which of its columns each
// reads: case and blanks around the names ignored, as the batch does.
TEST(BatchFile, TellsWhatEachBatchMakesOfAHeader)
{
    const std::vector<std::string> header = {" Cognome", "NOME",           "data", "sesso ",
                                             "comune",   "codice_fiscale", "note"};
    EXPECT_EQ(batch::headerRefusal(header, batch::calculationColumns()), "");
    EXPECT_EQ(batch::headerRefusal(header, batch::verificationColumns()), "");
    EXPECT_EQ(batch::headerRefusal({"nome", "note"}, batch::verificationColumns()),
              "la prima riga deve essere l'intestazione, con la colonna codice_fiscale");
    EXPECT_EQ(run(Kind::Calculation, "nome;cognome\n").summary.refusal,
              batch::headerRefusal({"nome", "cognome"}, batch::calculationColumns()));

    std::string read;
    for (const std::string& name : header) {
        read += batch::readsColumn(batch::calculationColumns(), name) ? 'C' : '-';
        read += batch::readsColumn(batch::verificationColumns(), name) ? 'V' : '-';
    }
    EXPECT_EQ(read, "C-C-C-C-C--V--");
    EXPECT_TRUE(batch::readsColumn(batch::calculationColumns(), " PROVINCIA "));
}

} // namespace
