// The window of a whole list, driven as a user drives it: a file chosen, its codes computed or
// verified, the answer compared with cfcalc's for the same file.
#include "batchwindow/codicidafile.h"
#include "calcwindow/codicefiscale.h"
#include "tests/temporarysettings.h"
#include "tests/testfolders.h"
#include "tests/textbytes.h"
#include "tests/widgettest.h"

#include <QDesktopServices>
#include <QListWidget>
#include <QProgressBar>
#include <QTableWidget>
#include <QUrl>

#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

// For the life of the object the calling thread, and the threads it starts, work without an
// administrator's rights over files, so that permissions apply to them as to any user; nothing
// changes for a user who has no such rights.
class WithoutRightsOverFiles {
public:
    WithoutRightsOverFiles()
    {
        ::syscall(SYS_capget, &header_, saved_);
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        for (const unsigned right : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH}) {
            reduced[right / 32].effective &= ~(1u << (right % 32));
        }
        ::syscall(SYS_capset, &header_, reduced);
    }
    ~WithoutRightsOverFiles() { ::syscall(SYS_capset, &header_, saved_); }
    WithoutRightsOverFiles(const WithoutRightsOverFiles&) = delete;
    WithoutRightsOverFiles& operator=(const WithoutRightsOverFiles&) = delete;

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
};

// Records the addresses the window asks the desktop to open, in place of the desktop.
class OpenedUrls : public QObject {
    Q_OBJECT
public:
    OpenedUrls() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open"); }
    ~OpenedUrls() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }

    QStringList files;

public slots:
    void open(const QUrl& url) { files << url.toLocalFile(); }
};

enum Button { Choose, Calculate, Verify, Stop, OpenAnswer, OpenFolder, Exit };

std::string shellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

class ListWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder.copyShippedDatabase();
        window.setFileChooser([this](QWidget*, const QString& from) {
            startFolders << from;
            return chosen;
        });
        ASSERT_TRUE(showActive(&window));
    }

    QPushButton* button(Button index)
    {
        return window.findChild<QPushButton*>(QStringLiteral("bottone_%1").arg(index));
    }
    QString progressText() { return window.findChild<QLabel*>("Label3")->text(); }
    QString counts()
    {
        QStringList lines;
        for (int line = 0; line < 5; ++line) {
            lines << window.findChild<QLabel*>(QStringLiteral("Label4_%1").arg(line))->text();
        }
        lines.removeAll(QString());
        return lines.join('\n');
    }
    QStringList firstErrors()
    {
        QStringList rows;
        const auto* list = window.findChild<QListWidget*>("List1");
        for (int row = 0; row < list->count(); ++row) {
            rows << list->item(row)->text();
        }
        return rows;
    }

    // Writes `bytes` as the file `name` of the working folder and chooses it.
    void choose(const std::string& name, const std::string& bytes)
    {
        std::ofstream(name, std::ios::binary) << bytes;
        chooseFile(QString::fromStdString((folder.path() / name).string()));
    }
    void chooseFile(const QString& file)
    {
        chosen = file;
        button(Choose)->click();
    }
    // Presses `start` and waits until the batch has ended.
    void run(Button start)
    {
        button(start)->click();
        EXPECT_TRUE(QTest::qWaitFor([this] { return !window.running(); }, kPatienceMs));
    }

    // What cfcalc writes on standard output with `arguments` on the database of the folder.
    std::string cfcalc(const std::string& arguments)
    {
        const std::string command =
            shellQuoted(CFCALC_PATH) + " --db AA1.mdb " + arguments + " >cfcalc.txt 2>/dev/null";
        [[maybe_unused]] const int status = std::system(command.c_str());
        const std::string answer = fileContents("cfcalc.txt");
        fs::remove("cfcalc.txt");
        return answer;
    }
    std::string listing() { return QStringList(fileNamesIn()).join(' ').toStdString(); }
    QStringList fileNamesIn()
    {
        QStringList names;
        for (const std::string& name : fileNames(folder.path())) {
            names << QString::fromStdString(name);
        }
        return names;
    }

    WorkingFolder folder;
    TemporarySettings settings;
    RecordedMessages messages;
    CodiciDaFile window{folder.path() / "AA1.mdb"};
    QString chosen;
    QStringList startFolders;
};

TEST_F(ListWindow, WritesBesideTheFileWhatCfcalcWritesForIt)
{
    const struct {
        const char* name;
        std::string bytes;
        Button start;
        const char* cfcalcOption;
        const char* answer;
        const char* counts; // the summary, when the case looks at it
        QStringList firstErrors;
    } cases[] = {
        {"persone.csv",
         "cognome;nome;data;sesso;comune;provincia;note\n"
         "ROSSI;MARIO;01/01/1980;M;ROMA;;=1+2\n"
         "BIANCHI;ANNA;02/02/1990;F;CASTRO;;\n"
         "VERDI;LUCA;10/03/1990;M;CAMPOSPINOSO ALBAREDO;;\n"
         "NERI;;01/01/1980;M;ROMA;;\n"
         "\n"
         ";;;;;;\n"
         "ROSSI;MARIA;31/02/1980;F;ROMA;;\n"
         "BIANCHI;PAOLO;01/01/1980;M;CASTRO;LE;\n"
         "GIALLI;ADA;01/01/1980;F\n",
         Calculate,
         "--batch",
         "persone-codici.csv",
         "Righe lette: 7\nCodici calcolati: 3\nRighe con errore: 4\nRighe con avviso: 1\n"
         "Comuni ambigui: 1",
         {"Riga 3: Comune ambiguo: CASTRO (BG) C337 dal 17/03/1861, CASTRO (LE) M261 dal "
          "28/05/1975",
          "Riga 5: Impossibile lasciare vuoto il campo Nome !",
          "Riga 8: Data di nascita in formato non valido !",
          "Riga 10: Numero di campi errato: attesi 7, trovati 4"}},
        // As a spreadsheet saves it in Windows-1252, the columns in another order.
        {"anagrafe.csv",
         "Comune; SESSO ;data;Nome;COGNOME;provincia\r\n"
         "FORL\xCC;M;05/05/1985;NICCOL\xD2;D'ANGELO;\r\n"
         "CANT\xD9;F;01/01/1970;ANNA;ROSSI;CO\r\n"
         "ORATINO;F;09/07/1931;MARIA;ROSSI;\r\n"
         "PALAU;M;01/01/1980;ANDREA;SORU;\r\n",
         Calculate,
         "--batch",
         "anagrafe-codici.csv",
         "",
         {}},
        {"utf16.csv",
         utf16(u"cognome;nome;data;sesso;comune\r\nROSSI;NICCOLÒ;01/01/1980;M;FORLÌ\r\n", false),
         Calculate,
         "--batch",
         "utf16-codici.csv",
         "",
         {}},
        {"codici.csv",
         "nome;codice_fiscale\n"
         "Mario;RSSMRA74A01H501W\n"
         "Maria;rssmra74d65h501v\n"
         "Errato;RSSMRA74A01H501X\n"
         "Omocodia;RSSMRA74A01H50MO\n",
         Verify,
         "--verifica --batch",
         "codici-verifica.csv",
         "Righe lette: 4\nCodici validi: 3\nRighe con errore: 1",
         {"Riga 4: carattere di controllo errato: atteso W, trovato X"}},
    };
    for (const auto& c : cases) {
        choose(c.name, c.bytes);
        run(c.start);
        const std::string expected = cfcalc(std::string(c.cfcalcOption) + " " + c.name);
        EXPECT_FALSE(expected.empty()) << c.name;
        EXPECT_EQ(fileContents(c.answer), expected) << c.name;
        EXPECT_TRUE(messages.shown.empty()) << c.name;
        EXPECT_TRUE(progressText().startsWith(QString("Scritto il file %1: ").arg(c.answer)))
            << progressText().toStdString();
        if (*c.counts) {
            EXPECT_EQ(counts().toStdString(), c.counts) << c.name;
            EXPECT_EQ(firstErrors().join('\n').toStdString(),
                      c.firstErrors.join('\n').toStdString())
                << c.name;
        }
    }
    EXPECT_EQ(listing(), "AA1.mdb anagrafe-codici.csv anagrafe.csv codici-verifica.csv codici.csv "
                         "persone-codici.csv persone.csv utf16-codici.csv utf16.csv");
}

// A name already taken, by a file or by a link, is never written over: the answer takes the next
// number.
TEST_F(ListWindow, ANameTakenGetsTheNextNumber)
{
    choose("persone.csv", "cognome;nome;data;sesso;comune\nROSSI;MARIO;01/01/1980;M;ROMA\n");
    std::ofstream("persone-codici.csv") << "altro";
    fs::create_symlink("mancante.csv", "persone-codici-2.csv");
    run(Calculate);
    run(Calculate);
    EXPECT_EQ(fileContents("persone-codici.csv"), "altro");
    EXPECT_FALSE(fs::exists("mancante.csv"));
    EXPECT_EQ(fileContents("persone-codici-3.csv"), cfcalc("--batch persone.csv"));
    EXPECT_EQ(fileContents("persone-codici-4.csv"), cfcalc("--batch persone.csv"));
    EXPECT_EQ(listing(), "AA1.mdb persone-codici-2.csv persone-codici-3.csv persone-codici-4.csv "
                         "persone-codici.csv persone.csv");
}

// Interrompi, Escape or leaving the window stops the batch at once: the window says so before the
// batch has ended, and the batch leaves no file behind, not even half of one.
TEST_F(ListWindow, InterruptingLeavesNothingBehind)
{
    std::string rows = "cognome;nome;data;sesso;comune\n";
    for (int i = 0; i < 1'000'000; ++i) {
        rows += "ROSSI;MARIO;01/01/1980;M;ROMA\n";
    }
    choose("persone.csv", rows);
    const auto* progress = window.findChild<QProgressBar*>("ProgressBar1");
    const std::function<void()> interruptions[] = {
        [&] { button(Stop)->click(); },
        [&] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape); },
        [&] { button(Exit)->click(); },
    };
    for (const auto& interrupt : interruptions) {
        SCOPED_TRACE(&interrupt - interruptions);
        button(Calculate)->click();
        ASSERT_TRUE(QTest::qWaitFor([&] { return progress->value() > 0; }, kPatienceMs));
        interrupt();
        EXPECT_EQ(progressText().toStdString(), "Interrotto: nessun file è stato scritto.");
        EXPECT_FALSE(button(Stop)->isEnabled());
        EXPECT_TRUE(QTest::qWaitFor([&] { return !window.running(); }, kPatienceMs));
        EXPECT_EQ(listing(), "AA1.mdb persone.csv");
        EXPECT_TRUE(messages.shown.empty());
        EXPECT_TRUE(button(Calculate)->isEnabled());
    }
    EXPECT_FALSE(window.isVisible()); // the last one left the window
}

// A file that cannot be read or whose columns allow no batch, a folder that cannot be written:
// a message says why, and the window stays as it was.
TEST_F(ListWindow, WhatCannotBeReadOrWrittenIsToldAndChangesNothing)
{
    choose("persone.csv", "cognome;nome;data;sesso;comune\nROSSI;MARIO;01/01/1980;M;ROMA\n");
    std::ofstream("chiuso.csv") << "cognome;nome;data;sesso;comune\n";
    ::chmod("chiuso.csv", 0);
    fs::create_directory("cartella.csv");
    std::ofstream("elenco.csv") << "nome;cognome\nMARIO;ROSSI\n";
    const WithoutRightsOverFiles user;
    const std::string in = folder.path().string() + "/";
    const struct {
        const char* file;
        std::string message;
    } cases[] = {
        {"chiuso.csv", "Impossibile leggere il file \"" + in + "chiuso.csv\": accesso negato."},
        {"mancante.csv",
         "Impossibile leggere il file \"" + in + "mancante.csv\": il file non esiste."},
        {"cartella.csv", "Impossibile leggere \"" + in +
                             "cartella.csv\": è una cartella, non un file. Indicare un file CSV."},
        {"elenco.csv",
         "Il file \"" + in +
             "elenco.csv\" non si può elaborare.\r\n"
             "Per calcolare i codici: la prima riga deve essere l'intestazione, con le colonne "
             "cognome, nome, data, sesso e comune (facoltativa provincia) in qualsiasi ordine; "
             "mancano data, sesso e comune.\r\n"
             "Per verificare i codici: la prima riga deve essere l'intestazione, con la colonna "
             "codice_fiscale."},
    };
    for (const auto& c : cases) {
        messages.shown.clear();
        chooseFile(QString::fromStdString(in + c.file));
        ASSERT_EQ(messages.shown.size(), 1u) << c.file;
        EXPECT_EQ(messages.last().text.toStdString(), c.message);
        EXPECT_EQ(messages.last().icon, ui::Icon::Error);
        EXPECT_TRUE(window.findChild<QLineEdit*>("Text1_0")->text().endsWith("persone.csv"));
        EXPECT_TRUE(button(Calculate)->isEnabled());
    }

    ::chmod(folder.path().c_str(), 0555);
    messages.shown.clear();
    button(Calculate)->click();
    ::chmod(folder.path().c_str(), 0755);
    EXPECT_FALSE(window.running());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.last().text.toStdString(),
              "Impossibile scrivere il risultato nella cartella \"" + folder.path().string() +
                  "\": la cartella è di sola lettura. Nessun file è stato scritto.");
    EXPECT_EQ(progressText().toStdString(), "");
    EXPECT_EQ(listing(), "AA1.mdb cartella.csv chiuso.csv elenco.csv persone.csv");
}

// Tab reaches every control, each with a name for screen readers; Enter starts what the file
// allows, Alt with a letter presses its button, Escape closes.
TEST_F(ListWindow, WorksFromTheKeyboard)
{
    choose("persone.csv", "cognome;nome;data;sesso;comune;codice_fiscale\n"
                          "ROSSI;MARIO;01/01/1974;M;ROMA;RSSMRA74A01H501W\n");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([this] { return !window.running(); }, kPatienceMs));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_V, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([] { return fs::exists("persone-verifica.csv"); }, kPatienceMs));
    EXPECT_TRUE(QTest::qWaitFor([this] { return !window.running(); }, kPatienceMs));
    EXPECT_EQ(listing(), "AA1.mdb persone-codici.csv persone-verifica.csv persone.csv");

    QStringList order;
    window.findChild<QLineEdit*>("Text1_0")->setFocus();
    for (int i = 0; i < 10; ++i) {
        QWidget* control = QApplication::focusWidget();
        order << control->objectName();
        EXPECT_FALSE(
            QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name).isEmpty())
            << control->objectName().toStdString();
        QTest::keyClick(control, Qt::Key_Tab);
    }
    EXPECT_EQ(order.join(' ').toStdString(), "Text1_0 bottone_0 Grid1 bottone_1 bottone_2 List1 "
                                             "bottone_4 bottone_5 bottone_6 Text1_0");
    EXPECT_EQ(unnamedControls(&window), QStringList());

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
}

// The answer and its folder open with the desktop's programs; the file dialog starts in the folder
// of the file chosen last, in this window or another.
TEST_F(ListWindow, OpensTheAnswerAndRemembersTheFolder)
{
    OpenedUrls desktop;
    choose("persone.csv", "cognome;nome;data;sesso;comune\nROSSI;MARIO;01/01/1980;M;ROMA\n");
    run(Calculate);
    button(OpenAnswer)->click();
    button(OpenFolder)->click();
    const QString in = QString::fromStdString(folder.path().string());
    EXPECT_EQ(desktop.files.join('|').toStdString(),
              (in + "/persone-codici.csv|" + in).toStdString());

    CodiciDaFile another(folder.path() / "AA1.mdb");
    another.setFileChooser([this](QWidget*, const QString& from) {
        startFolders << from;
        return QString();
    });
    another.findChild<QPushButton*>("bottone_0")->click();
    EXPECT_EQ(startFolders.join('|').toStdString(), (QDir::homePath() + "|" + in).toStdString());
}

// The calculation window opens the window of a whole list from the corner of its card.
TEST(FromTheCalculationWindow, DaFileOpensTheWindowOfAWholeList)
{
    WorkingFolder folder;
    folder.copyShippedDatabase();
    RecordedMessages messages;
    CodiceFiscale window(folder.path() / "AA1.mdb");
    QStringList opened;
    const std::function<void()> presses[] = {
        [&] { window.findChild<QPushButton*>("Command3")->click(); },
        [&] { QTest::keyClick(&window, Qt::Key_D, Qt::AltModifier); },
    };
    for (const auto& press : presses) {
        const qsizetype before = opened.size();
        ASSERT_TRUE(showActive(&window));
        whenModalOpens([&](QWidget* modal) {
            opened << modal->objectName();
            modal->close();
        });
        press();
        EXPECT_TRUE(QTest::qWaitFor([&] { return opened.size() > before; }, kPatienceMs));
    }
    EXPECT_EQ(opened.join(' ').toStdString(), "CodiciDaFile CodiciDaFile");
}

} // namespace

#include "test_codicidafile.moc"
