#include "editors/htmlexport.h"
#include "editors/tacitta.h"
#include "editors/tasettori.h"
#include "location/datalocation.h"
#include "tests/registerfile.h"
#include "tests/testsupport.h"
#include "tests/widgettest.h"
#include "ui/dialogresults.h"

#include <QButtonGroup>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include <fstream>
#include <functional>

#include <gtest/gtest.h>

namespace {

// What an export says: the file and the folder it is in.
QString created(const char* file, const std::filesystem::path& folder)
{
    return QStringLiteral("Creato il file %1 nella cartella %2")
        .arg(file, QDir::toNativeSeparators(QString::fromStdString(folder.string())));
}

QStringList fileLines(const std::filesystem::path& name)
{
    QFile file(QString::fromStdString(name.string()));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray bytes = file.readAll();
    QStringList lines = QString::fromLatin1(bytes).split(QStringLiteral("\r\n"));
    lines.removeLast(); // after the last line's CR LF
    return lines;
}

// Drives one editor window on `database` as a user does.
template <typename Editor> class EditorDriver {
public:
    explicit EditorDriver(location::DatabaseName database) : database(std::move(database)) {}

    // Opens the window afresh, as the main window does.
    void open()
    {
        window = std::make_unique<Editor>(database);
        showActive(window.get());
    }

    void press(int index)
    {
        window->template findChild<QPushButton*>(QStringLiteral("bottone_%1").arg(index))->click();
    }
    QLineEdit* box(int index) { return window->text1(index); }
    void type(int index, const QString& text)
    {
        box(index)->clear();
        typeText(box(index), text);
    }
    QTableView* grid() { return window->template findChild<QTableView*>("grid"); }
    QString cell(int row, int column)
    {
        return grid()->model()->index(row, column).data().toString();
    }
    int rows() { return grid()->model()->rowCount(); }
    int selectedRow() { return grid()->currentIndex().row(); }
    void select(int row) { grid()->setCurrentIndex(grid()->model()->index(row, 0)); }
    int find(const QString& text)
    {
        for (int row = 0; row < rows(); ++row) {
            if (cell(row, 0) == text) {
                return row;
            }
        }
        return -1;
    }
    bool entering() { return window->template findChild<QGroupBox*>("Frame1")->isEnabled(); }
    bool commandsEnabled() { return window->template findChild<QGroupBox*>("Frame2")->isEnabled(); }

    location::DatabaseName database;
    std::unique_ptr<Editor> window;
};

class MunicipalityEditor : public ::testing::Test {
protected:
    void SetUp() override
    {
        makeDatabase(file, {{"ROMA", "H501"},
                            {"MILANO", "F205"},
                            {"CASTEL SANT'ANGELO", "C268"},
                            {"AGLIÈ", "A074"}});
        editor.open();
    }
    TemporaryFolder folder;
    const std::filesystem::path file = folder / "AA1.mdb";
    RecordedMessages messages;
    EditorDriver<TaSettori> editor{location::DatabaseName::defaultIn(folder.path())};
};

TEST_F(MunicipalityEditor, OpensBrowsingWithTheFirstNameSelected)
{
    EXPECT_EQ(editor.window->windowTitle(), "Tabella Comuni per CF");
    EXPECT_EQ(editor.window->size(), QSize(512, 280));
    EXPECT_EQ(editor.rows(), 4);
    EXPECT_EQ(editor.cell(0, 0), "AGLIÈ");
    EXPECT_EQ(editor.cell(1, 1), "C268");
    EXPECT_EQ(editor.selectedRow(), 0);
    EXPECT_EQ(editor.window->mode(), TableEditor::Mode::Browsing);
    EXPECT_FALSE(editor.entering());
    EXPECT_TRUE(editor.grid()->isEnabled());
    EXPECT_EQ(editor.grid()->accessibleName(), "Dati");
    EXPECT_EQ(editor.box(0)->maxLength(), 40);
    EXPECT_EQ(editor.box(1)->maxLength(), 4);
}

TEST_F(MunicipalityEditor, ModesAndTheirGuards)
{
    editor.select(1);
    editor.press(TableEditor::Modify);
    EXPECT_EQ(editor.window->mode(), TableEditor::Mode::Modify);
    EXPECT_EQ(editor.box(0)->text(), "CASTEL SANT'ANGELO");
    EXPECT_EQ(editor.box(1)->text(), "C268");
    EXPECT_FALSE(editor.grid()->isEnabled());
    EXPECT_TRUE(editor.entering());
    EXPECT_TRUE(editor.commandsEnabled());
    EXPECT_EQ(QApplication::focusWidget(), editor.box(0));

    editor.press(TableEditor::Delete); // only while browsing
    editor.press(TableEditor::Modify);
    EXPECT_TRUE(messages.shown.empty());

    editor.press(TableEditor::New); // from modify: the boxes keep what they hold
    EXPECT_EQ(editor.window->mode(), TableEditor::Mode::New);
    EXPECT_EQ(editor.box(0)->text(), "CASTEL SANT'ANGELO");
    editor.press(TableEditor::Ok);
    EXPECT_EQ(messages.last().text, "Comune già presente in archivio !");
    EXPECT_EQ(editor.window->mode(), TableEditor::Mode::New);
    EXPECT_EQ(editor.selectedRow(), 1); // the disabled grid kept its row

    editor.press(TableEditor::Cancel);
    EXPECT_EQ(editor.window->mode(), TableEditor::Mode::Browsing);
    EXPECT_TRUE(editor.box(0)->text().isEmpty());
    EXPECT_TRUE(editor.grid()->isEnabled());
    EXPECT_FALSE(editor.entering());
    EXPECT_EQ(editor.selectedRow(), 1); // the row the entry started from
}

// After Ok, Annulla or Cancella the arrow keys move at once from the row concerned.
TEST_F(MunicipalityEditor, TheGridTakesTheFocusOnTheRowSavedLeftOrNearestTheDeletedOne)
{
    const auto down = [&] {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        return editor.cell(editor.selectedRow(), 0);
    };
    editor.select(editor.find("CASTEL SANT'ANGELO"));
    editor.press(TableEditor::Modify);
    editor.press(TableEditor::Cancel);
    EXPECT_EQ(QApplication::focusWidget(), editor.grid());
    EXPECT_EQ(down(), "MILANO");

    editor.press(TableEditor::New);
    editor.type(0, "NAPOLI");
    editor.type(1, "F839");
    editor.press(TableEditor::Ok);
    EXPECT_EQ(QApplication::focusWidget(), editor.grid());
    EXPECT_EQ(editor.cell(editor.selectedRow(), 0), "NAPOLI");
    EXPECT_EQ(down(), "ROMA");

    editor.select(editor.find("AGLIÈ"));
    editor.press(TableEditor::Modify);
    editor.type(0, "ZAGAROLO"); // changed, it moves to the end
    editor.type(1, "M141");
    editor.press(TableEditor::Ok);
    EXPECT_EQ(QApplication::focusWidget(), editor.grid());
    EXPECT_EQ(editor.selectedRow(), editor.rows() - 1);
    EXPECT_EQ(editor.cell(editor.selectedRow(), 0), "ZAGAROLO");

    messages.answers = {true, true};
    editor.press(TableEditor::Delete); // the last row: the new last one
    EXPECT_EQ(editor.cell(editor.selectedRow(), 0), "ROMA");
    editor.select(editor.find("MILANO"));
    editor.press(TableEditor::Delete); // the next one takes its place
    EXPECT_EQ(QApplication::focusWidget(), editor.grid());
    EXPECT_EQ(editor.cell(editor.selectedRow(), 0), "NAPOLI");
    EXPECT_EQ(down(), "ROMA");
}

TEST_F(MunicipalityEditor, SavingANewRowChecksEmptinessAndDuplicates)
{
    editor.press(TableEditor::New);
    editor.type(0, "NAPOLI");
    editor.press(TableEditor::Ok);
    EXPECT_EQ(messages.last().text, "Inserire i dati prima di salvare !");
    EXPECT_EQ(messages.last().icon, ui::Icon::Information);

    editor.type(1, "F839");
    for (const char* duplicate : {"roma", "Agliè", "castel sant'angelo"}) {
        editor.type(0, duplicate);
        editor.box(1)->setFocus();
        editor.press(TableEditor::Ok);
        EXPECT_EQ(messages.last().text, "Comune già presente in archivio !") << duplicate;
        EXPECT_EQ(QApplication::focusWidget(), editor.box(0));
        EXPECT_EQ(editor.window->mode(), TableEditor::Mode::New);
    }

    editor.type(0, " ");
    editor.type(1, "f839");
    editor.press(TableEditor::Ok); // blanks are data; codes are kept in capitals
    EXPECT_EQ(editor.window->mode(), TableEditor::Mode::Browsing);
    EXPECT_EQ(editor.rows(), 5);
    EXPECT_EQ(editor.cell(0, 0), " ");
    EXPECT_EQ(editor.cell(0, 1), "F839");
    EXPECT_EQ(editor.selectedRow(), 0);
}

// A name is a duplicate only of the same name, letter case aside: wildcards, brackets and
// apostrophes are characters like any other, so such names are added and found as themselves.
TEST_F(MunicipalityEditor, NamesWithPatternCharactersAreAddedAsThemselves)
{
    const QString names[] = {"ROM*",     "R?MA",   "MILAN'", "CASTEL SANT?ANGELO",
                             "#1 BORGO", "[ROMA]", "AGLIE",  "CASTEL SANT’ANGELO"};
    int code = 100;
    for (const QString& name : names) {
        editor.press(TableEditor::New);
        editor.type(0, name);
        editor.type(1, QStringLiteral("X%1").arg(code++));
        editor.press(TableEditor::Ok);
        EXPECT_TRUE(messages.shown.empty()) << name.toStdString();
        EXPECT_EQ(editor.cell(editor.selectedRow(), 0), name);
    }
    EXPECT_EQ(editor.rows(), 4 + static_cast<int>(std::size(names)));

    for (const QString& name : names) {
        editor.press(TableEditor::New);
        editor.type(0, name.toLower());
        editor.type(1, "X999");
        editor.press(TableEditor::Ok);
        EXPECT_EQ(messages.last().text, "Comune già presente in archivio !") << name.toStdString();
        editor.press(TableEditor::Cancel);
    }
    EXPECT_EQ(editor.rows(), 4 + static_cast<int>(std::size(names)));
}

TEST_F(MunicipalityEditor, CodesThatAreNotALetterAndThreeDigitsAreRefused)
{
    editor.press(TableEditor::New);
    editor.type(0, "NAPOLI");
    for (const char* code : {" ", "F83", "8390", "FF39", "F8 9", "È839"}) {
        editor.type(1, code);
        editor.box(0)->setFocus();
        editor.press(TableEditor::Ok);
        EXPECT_EQ(messages.last().text,
                  "Il codice catastale deve essere una lettera seguita da tre cifre, per esempio "
                  "H501 !")
            << code;
        EXPECT_EQ(QApplication::focusWidget(), editor.box(1));
        EXPECT_EQ(editor.window->mode(), TableEditor::Mode::New);
    }
    EXPECT_EQ(editor.rows(), 4);

    // A row stored in another shape must be mended before it is saved again.
    editor.press(TableEditor::Cancel);
    makeDatabase(folder / "altro.mdb", {{"ROMA", "h501"}, {"MILANO", "F 205"}});
    std::filesystem::rename(folder / "altro.mdb", file);
    editor.open();
    editor.select(editor.find("ROMA"));
    editor.press(TableEditor::Modify);
    editor.press(TableEditor::Ok);
    EXPECT_EQ(editor.cell(editor.find("ROMA"), 1), "H501");
    editor.select(editor.find("MILANO"));
    editor.press(TableEditor::Modify);
    editor.press(TableEditor::Ok);
    EXPECT_EQ(editor.window->mode(), TableEditor::Mode::Modify);
    EXPECT_EQ(QApplication::focusWidget(), editor.box(1));
}

TEST_F(MunicipalityEditor, ChangesSurviveReopeningTheProgram)
{
    editor.press(TableEditor::New);
    editor.type(0, "Napoli");
    editor.type(1, "F839");
    editor.press(TableEditor::Ok);

    editor.select(editor.find("MILANO"));
    editor.press(TableEditor::Modify);
    editor.type(0, "milano"); // its own name in other letters
    editor.press(TableEditor::Ok);
    EXPECT_TRUE(messages.shown.empty());

    editor.select(editor.find("ROMA"));
    editor.press(TableEditor::Modify);
    editor.type(0, "milano"); // another row's name
    editor.press(TableEditor::Ok);
    EXPECT_EQ(messages.last().text, "Comune già presente in archivio !");
    editor.press(TableEditor::Cancel);

    editor.select(editor.find("AGLIÈ"));
    messages.answers = {false};
    editor.press(TableEditor::Delete);
    EXPECT_EQ(messages.last().text, "Cancello Comune selezionato ?\r\nAGLIÈ - A074");
    EXPECT_TRUE(messages.last().yesNo);
    EXPECT_EQ(editor.rows(), 5);
    messages.answers = {true};
    editor.press(TableEditor::Delete);
    EXPECT_EQ(messages.last().text, "Comune cancellato !");

    editor.open();
    QStringList names;
    for (int row = 0; row < editor.rows(); ++row) {
        names << editor.cell(row, 0) + "=" + editor.cell(row, 1);
    }
    EXPECT_EQ(names,
              (QStringList{"CASTEL SANT'ANGELO=C268", "milano=F205", "Napoli=F839", "ROMA=H501"}));
}

TEST_F(MunicipalityEditor, LongStoredNamesSurviveAChangeAndTheGridNeverShowsADeletedRow)
{
    const QString longName = "CHALLANT SAINT ANSELME ET CHALLANT SAINT VICTOR"; // 47 characters
    makeDatabase(folder / "uno.mdb", {{"ROMA", "H501"}, {longName.toStdString(), "Z001"}});
    std::filesystem::rename(folder / "uno.mdb", file);
    editor.open();
    editor.select(editor.find(longName));
    editor.press(TableEditor::Modify);
    editor.press(TableEditor::Ok);
    EXPECT_EQ(editor.find(longName), 0);
    editor.press(TableEditor::New);
    typeText(editor.box(0), QString(45, QChar('A')));
    EXPECT_EQ(editor.box(0)->text().size(), 40); // a new entry keeps the box's own limit
    editor.press(TableEditor::Cancel);

    // The grid is drawn while the deletion is reported, the last row in view.
    editor.select(editor.rows() - 1);
    messages.answers = {true};
    int rowsWhileReported = -1;
    messages.onShow = [&](const ui::Message& message) {
        if (!message.yesNo) {
            editor.grid()->grab();
            rowsWhileReported = editor.rows();
        }
    };
    editor.press(TableEditor::Delete);
    EXPECT_EQ(rowsWhileReported, 1);
}

// Another user changed or deleted the row meanwhile, or put another one under its rowid: nothing
// is written, the user is told, and the grid shows the table as it is now.
TEST_F(MunicipalityEditor, ARowAnotherUserChangedIsNeitherOverwrittenNorDeleted)
{
    otherProgram(file, "DELETE FROM COMUNI WHERE rowid = 4;" // AGLIÈ, first in the grid
                       "INSERT INTO COMUNI VALUES ('NUOVO', 'N001')");
    ASSERT_EQ(otherProgram(file, "SELECT rowid FROM COMUNI WHERE comune = 'NUOVO'"), "4");
    editor.select(0);
    editor.press(TableEditor::Modify);
    editor.type(1, "A075");
    editor.press(TableEditor::Ok);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(messages.last().text.contains("modificati o cancellati da un altro utente"))
        << messages.last().text.toStdString();
    EXPECT_TRUE(messages.last().text.endsWith("L'elenco è stato aggiornato."));
    EXPECT_EQ(editor.window->mode(), TableEditor::Mode::Browsing);
    EXPECT_FALSE(editor.entering());
    EXPECT_EQ(editor.find("AGLIÈ"), -1);
    EXPECT_EQ(editor.cell(editor.find("NUOVO"), 1), "N001");
    EXPECT_EQ(otherProgram(file, "SELECT codice FROM COMUNI WHERE rowid = 4"), "N001");

    editor.select(editor.find("MILANO"));
    otherProgram(file, "UPDATE COMUNI SET codice = 'F206' WHERE comune = 'MILANO'");
    messages.answers = {true};
    editor.press(TableEditor::Delete);
    EXPECT_TRUE(messages.last().text.contains("da un altro utente"));
    EXPECT_EQ(editor.cell(editor.find("MILANO"), 1), "F206");
    EXPECT_EQ(otherProgram(file, "SELECT count(*) FROM COMUNI"), "4");
}

TEST_F(MunicipalityEditor, ExportKeepsThePermissionsOfThePageItReplaces)
{
    std::ofstream(folder / "ElencoComuni.html") << "vecchio";
    std::filesystem::permissions(folder / "ElencoComuni.html", std::filesystem::perms(0640));
    editor.press(TableEditor::Export);
    EXPECT_EQ(messages.last().text, created("ElencoComuni.html", folder.path()));
    EXPECT_EQ(std::filesystem::status(folder / "ElencoComuni.html").permissions(),
              std::filesystem::perms(0640));
    EXPECT_EQ(fileLines(folder / "ElencoComuni.html").size(), 14 + 7 * 4 + 2);
}

TEST_F(MunicipalityEditor, ExportWritesThePageLineForLine)
{
    makeDatabase(folder / "uno.mdb", {{"A<B & C>", "Ł001"}});
    std::filesystem::rename(folder / "uno.mdb", file);
    editor.open();
    editor.press(TableEditor::Export);
    EXPECT_EQ(messages.last().text, created("ElencoComuni.html", folder.path()));
    const QStringList lines = fileLines(folder / "ElencoComuni.html");
    const QStringList expected = {
        "<html>",
        "<head>",
        "<body>",
        "Esportazione HTML dell'Elenco Comuni",
        "<p>",
        "<table cellpadding=1 cellspacing=1  align=left border=0 BGCOLOR=black>",
        "<tr BGCOLOR=yellow>",
        "<td width=500 height=17 align=left>",
        "<Font STYLE=font-size:18 face=  Arial color= >",
        " Comune </td>",
        "<td width=100 height=17 align=left>",
        "<Font STYLE=font-size:18 face= Arial Color= > ",
        " Codice </td>",
        "</font></tr>",
        "<tr  > <td BGCOLOR=white align=left>",
        "<Font STYLE=font-size:10 face= Arial color= >",
        "A&lt;B &amp; C&gt;</td>",
        "<td BGCOLOR=white align=left>",
        "<Font STYLE=font-size:10 face= Arial color= >",
        "&#321;001</td>",
        "</font></tr>",
        "</body>",
        "</html>",
    };
    EXPECT_EQ(lines, expected);
}

TEST_F(MunicipalityEditor, ExportOfTheShippedTableIsWindows1252AndReplacesTheOldPage)
{
    std::filesystem::remove(file);
    folder.copyShippedDatabase();
    editor.open();
    std::ofstream(folder / "ElencoComuni.html") << "vecchio";
    editor.press(TableEditor::Export);
    QFile page(QString::fromStdString((folder / "ElencoComuni.html").string()));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QByteArray bytes = page.readAll();
    EXPECT_EQ(bytes.count("\r\n"), 14 + 7 * editor.rows() + 2);
    EXPECT_TRUE(bytes.contains("AGLI\xC8</td>")); // È in Windows-1252
    EXPECT_FALSE(bytes.contains("vecchio"));
}

TEST_F(MunicipalityEditor, ExportThatCannotBeWrittenSaysSoAndLeavesNoFile)
{
    std::filesystem::create_directory(folder / "ElencoComuni.html");
    editor.press(TableEditor::Export);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(messages.last().text.startsWith("Impossibile scrivere il file ElencoComuni.html"))
        << messages.last().text.toStdString();
    EXPECT_TRUE(std::filesystem::is_directory(folder / "ElencoComuni.html"));
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 2); // the database and the directory: no temporary file left behind
}

// The editor works on the database it is handed, wherever the working folder is: the AA1.mdb
// there is neither read nor written, and the page goes beside the database in use.
TEST_F(MunicipalityEditor, TheDatabaseHandedCountsNotTheWorkingFolder)
{
    const WorkingFolder elsewhere;
    makeDatabase(elsewhere.path() / "AA1.mdb", {{"ALTROVE", "Z000"}});
    const std::string untouched = fileContents(elsewhere.path() / "AA1.mdb");
    editor.open();
    EXPECT_EQ(editor.rows(), 4);
    editor.press(TableEditor::New);
    editor.type(0, "ALTROVE");
    editor.type(1, "F839");
    editor.press(TableEditor::Ok);
    EXPECT_TRUE(messages.shown.empty());
    editor.press(TableEditor::Export);
    EXPECT_EQ(messages.last().text, created("ElencoComuni.html", folder.path()));
    EXPECT_EQ(fileLines(folder / "ElencoComuni.html").size(), 14 + 7 * 5 + 2);
    EXPECT_EQ(fileNames(elsewhere.path()), std::vector<std::string>{"AA1.mdb"});
    EXPECT_EQ(fileContents(elsewhere.path() / "AA1.mdb"), untouched);
}

TEST_F(MunicipalityEditor, EmptyTableHasNothingToChangeOrExport)
{
    std::filesystem::remove(file);
    makeDatabase(folder / "AA1.mdb", {});
    editor.open();
    editor.press(TableEditor::Modify);
    editor.press(TableEditor::Delete);
    editor.press(TableEditor::Export);
    EXPECT_EQ(editor.window->mode(), TableEditor::Mode::Browsing);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_FALSE(std::filesystem::exists(folder / "ElencoComuni.html"));
}

TEST_F(MunicipalityEditor, DatabaseGoneWhileOpenIsReportedAndTheEntryStays)
{
    std::filesystem::remove(file);
    editor.press(TableEditor::New);
    editor.type(0, "NAPOLI");
    editor.type(1, "F839");
    editor.press(TableEditor::Ok);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(messages.last().text.contains("AA1.mdb"));
    EXPECT_EQ(messages.parents.back(), editor.window.get());
    EXPECT_EQ(editor.window->mode(), TableEditor::Mode::New);
    EXPECT_EQ(editor.box(0)->text(), "NAPOLI");
}

TEST_F(MunicipalityEditor, EnteringABoxEmptiesTheClipboardAndSelectsItsText)
{
    editor.press(TableEditor::Modify);
    QApplication::clipboard()->setText("copiato");
    editor.box(1)->setFocus();
    EXPECT_TRUE(QApplication::clipboard()->text().isEmpty());
    EXPECT_EQ(editor.box(1)->selectedText(), "A074");
}

TEST_F(MunicipalityEditor, FocusComingBackWithTheWindowLeavesTheClipboardAlone)
{
    editor.press(TableEditor::Modify);
    editor.box(1)->setFocus();
    QApplication::clipboard()->setText("copiato altrove");
    QFocusEvent away(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(editor.box(1), &away);
    QFocusEvent back(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(editor.box(1), &back);
    EXPECT_EQ(QApplication::clipboard()->text(), "copiato altrove");
}

TEST_F(MunicipalityEditor, EscapeCancelsAnEntryAndOtherwiseDoesNothing)
{
    QTest::keyClick(editor.grid(), Qt::Key_Escape);
    EXPECT_TRUE(editor.window->isVisible());
    for (int start : {TableEditor::New, TableEditor::Modify}) {
        editor.press(start);
        editor.type(0, "NAPOLI");
        QTest::keyClick(editor.box(0), Qt::Key_Escape);
        EXPECT_EQ(editor.window->mode(), TableEditor::Mode::Browsing) << start;
        EXPECT_FALSE(editor.entering());
        EXPECT_EQ(editor.box(0)->text(), "");
        EXPECT_TRUE(editor.window->isVisible());
    }
    EXPECT_EQ(editor.rows(), 4);
}

TEST_F(MunicipalityEditor, F12ClosesWhereverTheFocusIs)
{
    const Qt::KeyboardModifiers modifierSets[] = {Qt::NoModifier, Qt::ShiftModifier,
                                                  Qt::ControlModifier | Qt::AltModifier};
    for (Qt::KeyboardModifiers modifiers : modifierSets) {
        editor.open();
        editor.press(TableEditor::Modify);
        messages.answers = {true}; // the entry is dropped
        QTest::keyClick(editor.box(0), Qt::Key_F12, modifiers);
        EXPECT_FALSE(editor.window->isVisible());
    }
    editor.open();
    editor.grid()->setFocus();
    QTest::keyClick(editor.grid(), Qt::Key_F12);
    EXPECT_FALSE(editor.window->isVisible());
}

// Uscita, F12 and the close box drop an entry only when the user says so; while browsing they
// ask nothing.
TEST_F(MunicipalityEditor, LeavingDuringAnEntryAsksFirstWithNoAsTheAnswerOfEnter)
{
    const struct {
        const char* way;
        std::function<void(EditorDriver<TaSettori>&)> leave;
    } ways[] = {
        {"Uscita",
         [](auto& e) {
             e.press(TableEditor::Exit);
         }},
        {"F12",
         [](auto& e) {
             QTest::keyClick(e.box(0), Qt::Key_F12);
         }},
        {"close box",
         [](auto& e) {
             e.window->close();
         }},
    };
    for (const auto& way : ways) {
        for (int start : {TableEditor::New, TableEditor::Modify}) {
            editor.open();
            messages.shown.clear();
            editor.press(start);
            editor.type(0, "BORGO PROVA");
            editor.type(1, "X123");
            messages.answers = {false};
            way.leave(editor);
            ASSERT_EQ(messages.shown.size(), 1u) << way.way;
            EXPECT_EQ(messages.last().text, "Abbandonare le modifiche?");
            EXPECT_TRUE(messages.last().yesNo); // No is the default
            EXPECT_TRUE(editor.window->isVisible()) << way.way;
            EXPECT_EQ(editor.box(0)->text(), "BORGO PROVA");
            EXPECT_NE(editor.window->mode(), TableEditor::Mode::Browsing);

            messages.answers = {true};
            way.leave(editor);
            EXPECT_FALSE(editor.window->isVisible()) << way.way;
        }
    }
    EXPECT_EQ(otherProgram(file, "SELECT count(*) FROM COMUNI WHERE comune = 'BORGO PROVA' OR "
                                 "codice = 'X123'"),
              "0");
    editor.open();
    messages.shown.clear();
    editor.press(TableEditor::Exit);
    EXPECT_FALSE(editor.window->isVisible());
    EXPECT_TRUE(messages.shown.empty());
}

// During an entry the commands that would do nothing are disabled, the frame says what the entry
// does (Nuovo during Modifica makes a new row of the values loaded), and Enter saves.
TEST_F(MunicipalityEditor, AnEntryShowsWhatItDoesAndEnterSavesIt)
{
    auto* frame = editor.window->findChild<QGroupBox*>("Frame1");
    const auto button = [&](int index) {
        return editor.window->findChild<QPushButton*>(QStringLiteral("bottone_%1").arg(index));
    };
    auto* update = editor.window->findChild<QPushButton*>("registerUpdate");
    const auto enabled = [&] {
        QString shown;
        for (QPushButton* command :
             {button(TableEditor::New), button(TableEditor::Modify), button(TableEditor::Delete),
              update, button(TableEditor::Export), button(TableEditor::Exit)}) {
            shown += command->isEnabled() ? "1" : "0";
        }
        return shown;
    };
    EXPECT_EQ(enabled(), "111111");
    EXPECT_EQ(frame->title(), "Immissione / Modifica dati");
    EXPECT_TRUE(button(TableEditor::Ok)->isDefault());

    editor.select(editor.find("ROMA"));
    editor.press(TableEditor::Modify);
    EXPECT_EQ(enabled(), "100011");
    EXPECT_EQ(frame->title(), "Immissione / Modifica dati: modifica della riga scelta");
    editor.press(TableEditor::New);
    EXPECT_EQ(enabled(), "000011");
    EXPECT_EQ(frame->title(), "Immissione / Modifica dati: nuova riga, copia di quella scelta");
    editor.type(0, "ROMA NUOVA");
    QTest::keyClick(editor.box(1), Qt::Key_Return);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(editor.window->mode(), TableEditor::Mode::Browsing);
    EXPECT_EQ(editor.rows(), 5); // a new row; ROMA stays as it was
    EXPECT_EQ(editor.cell(editor.find("ROMA"), 1), "H501");
    EXPECT_EQ(editor.cell(editor.find("ROMA NUOVA"), 1), "H501");
    EXPECT_EQ(enabled(), "111111");
    EXPECT_EQ(frame->title(), "Immissione / Modifica dati");

    editor.press(TableEditor::New);
    EXPECT_EQ(frame->title(), "Immissione / Modifica dati: nuova riga");
    QTest::keyClick(editor.box(0), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(messages.last().text, "Inserire i dati prima di salvare !");
}

// The register's archive, chosen in place of the file dialog: SOVIZZO under its new code, and
// ROMA, which the table holds already.
class MunicipalityUpdate : public MunicipalityEditor {
protected:
    void SetUp() override
    {
        MunicipalityEditor::SetUp();
        writeRegisterFile(folder / "comuni.csv", {{"M436", "SOVIZZO", "VI", "2024-01-22"},
                                                  {"H501", "ROMA", "RM", "1871-02-01"}});
        editor.window->setRegisterFileChooser([this](QWidget*, const QString& from) {
            ++asked;
            askedIn = from;
            return chosen;
        });
    }
    QPushButton* button() { return editor.window->findChild<QPushButton*>("registerUpdate"); }
    QString inFolder(const char* name) const
    {
        return QString::fromStdString((folder / name).string());
    }

    QString chosen = inFolder("comuni.csv");
    int asked = 0;
    QString askedIn; // the folder the chooser starts from
};

TEST_F(MunicipalityUpdate, AsksForTheFileShowsWhatChangedAndRefreshesTheGrid)
{
    button()->click();
    EXPECT_EQ(askedIn, QString::fromStdString(folder.path().string())); // the database's folder
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.last().icon, ui::Icon::Information);
    EXPECT_EQ(messages.last().title, "Informazione");
    EXPECT_TRUE(messages.last().text.startsWith("Aggiornamento dell'archivio \"AA1.mdb\""))
        << messages.last().text.toStdString();
    EXPECT_TRUE(messages.last().text.contains("comuni aggiunti alla tabella: 1 (SOVIZZO);\n"
                                              "periodi aggiunti alla storia: 2 (ROMA, SOVIZZO);"))
        << messages.last().text.toStdString();
    EXPECT_EQ(editor.rows(), 5);
    EXPECT_EQ(editor.cell(editor.find("SOVIZZO"), 1), "M436");

    // Left without a file, nothing happens; a file of another shape is told and changes nothing.
    chosen.clear();
    button()->click();
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(messages.shown.size(), 1u);
    chosen = inFolder("AA1.mdb");
    button()->click();
    EXPECT_TRUE(messages.last().text.contains("mancano le colonne registry_code"))
        << messages.last().text.toStdString();
    EXPECT_EQ(editor.rows(), 5);
}

// A file that would add more municipalities than an update brings is written only once the user
// confirms it; declined, nothing changes.
TEST_F(MunicipalityUpdate, ManyNewMunicipalitiesAreAddedOnlyWhenConfirmed)
{
    std::vector<RegisterRow> rows;
    for (int i = 0; i < 1001; ++i) {
        const char letter = static_cast<char>('N' + i / 1000);
        rows.push_back({letter + std::to_string(1000 + i % 1000).substr(1),
                        "NUOVO " + std::to_string(i), "RM", "2025-01-01"});
    }
    writeRegisterFile(folder / "comuni.csv", rows);
    messages.answers = {false, true};
    for (const int expectedRows : {4, 1005}) {
        button()->click();
        EXPECT_EQ(editor.rows(), expectedRows);
    }
    ASSERT_EQ(messages.shown.size(), 3u);
    EXPECT_EQ(messages.shown[0].icon, ui::Icon::Question);
    EXPECT_TRUE(messages.shown[0].text.contains("aggiungerebbe 1001 comuni"));
    EXPECT_TRUE(messages.shown[0].text.endsWith("Aggiungerli comunque?"));
    EXPECT_TRUE(messages.last().text.contains("comuni aggiunti alla tabella: 1001"))
        << messages.last().text.toStdString();
}

// Reached from the keyboard after "Uscita", or by its letter; only while browsing, so that an
// entry never sees its rows change.
TEST_F(MunicipalityUpdate, WorksFromTheKeyboardWhileBrowsing)
{
    EXPECT_EQ(unnamedControls(editor.window.get()), QStringList());
    QPushButton* exit = editor.window->findChild<QPushButton*>("bottone_3");
    exit->setFocus();
    QTest::keyClick(exit, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), button());
    chosen.clear();
    QTest::keyClick(button(), Qt::Key_Space);
    EXPECT_EQ(asked, 1);
    // The letter presses the button as a click does, a moment later.
    QTest::keyClick(editor.grid(), Qt::Key_G, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([this] { return asked == 2; }, kPatienceMs));

    editor.press(TableEditor::Modify);
    button()->click();
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(editor.window->mode(), TableEditor::Mode::Modify);
}

// It stands apart from the other controls, and its caption fits.
TEST_F(MunicipalityUpdate, HasAPlaceOfItsOwn)
{
    const QRect area = button()->geometry();
    EXPECT_TRUE(editor.window->rect().contains(area));
    for (QWidget* control : editor.window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (control != button() && control->isVisible()) {
            EXPECT_FALSE(control->geometry().intersects(area))
                << control->objectName().toStdString();
        }
    }
    EXPECT_LT(button()->fontMetrics().horizontalAdvance("Aggiorna"),
              button()->contentsRect().width() - 8);
}

class LocalityEditor : public ::testing::Test {
protected:
    void SetUp() override
    {
        makeDatabase(file, {},
                     {{"00118", "RM", "Roma", "Lazio"},
                      {"11100", "AO", "  Aosta  ", "Valle d'Aosta"},
                      {"20121", "MI", "Milano", "Lombardia"}});
        editor.open();
    }
    TemporaryFolder folder;
    const std::filesystem::path file = folder / "AA1.mdb";
    RecordedMessages messages;
    EditorDriver<TaCitta> editor{location::DatabaseName::defaultIn(folder.path())};
};

TEST_F(LocalityEditor, EntryLocksTheCommandsAndOnlyCapAndProvinceAreRequired)
{
    EXPECT_EQ(editor.window->windowTitle(), "Tabella CIttà per CAP Italiani");
    EXPECT_EQ(editor.cell(0, 2), "  Aosta  ");
    EXPECT_EQ(editor.box(3)->focusPolicy(), Qt::ClickFocus);
    EXPECT_TRUE(editor.box(3)->isReadOnly());

    editor.press(TableEditor::New);
    EXPECT_FALSE(editor.commandsEnabled());
    editor.type(0, "00119");
    editor.press(TableEditor::Ok);
    EXPECT_EQ(messages.last().text, "Inserire i dati prima di salvare !");
    editor.type(1, "RM");
    editor.press(TableEditor::Ok);
    EXPECT_EQ(editor.window->mode(), TableEditor::Mode::Browsing);
    EXPECT_TRUE(editor.commandsEnabled());
    EXPECT_EQ(editor.rows(), 4);
    EXPECT_EQ(editor.cell(0, 0), "00119"); // empty locality sorts first
}

// Several municipalities share a postal code (11010 for Allein, Arvier, Avise, ...), and a city
// has several: only the same postal code with the same locality is a duplicate.
TEST_F(LocalityEditor, ARowIsADuplicateOnlyWithThePostalCodeAndTheLocalityOfAnother)
{
    const auto saveNew = [&](const QString& cap, const QString& locality) {
        editor.press(TableEditor::New);
        editor.type(0, cap);
        editor.type(1, "MI");
        editor.type(2, locality);
        editor.press(TableEditor::Ok);
        const bool saved = editor.window->mode() == TableEditor::Mode::Browsing;
        if (!saved) {
            EXPECT_EQ(messages.last().text, "CAP e località già presenti in archivio !");
            EXPECT_EQ(QApplication::focusWidget(), editor.box(0));
            editor.press(TableEditor::Cancel);
        }
        return saved;
    };
    EXPECT_FALSE(saveNew("20121", "Milano"));
    EXPECT_FALSE(saveNew("20121", " MILANO  "));
    EXPECT_FALSE(saveNew("11100", "aosta")); // stored with blanks around
    EXPECT_TRUE(saveNew("20121", "Milano Brera"));
    EXPECT_TRUE(saveNew("20122", "Milano"));
    EXPECT_TRUE(saveNew("20121", ""));
    EXPECT_FALSE(saveNew("20121", " "));
    EXPECT_TRUE(saveNew("11100", "Aosta'")); // an apostrophe is a character like any other
    EXPECT_EQ(editor.rows(), 7);

    // A changed row keeps its own pair, in any letters, but may not take another's.
    editor.select(editor.find("00118"));
    editor.press(TableEditor::Modify);
    editor.type(1, "rm");
    editor.type(2, "ROMA");
    editor.press(TableEditor::Ok);
    EXPECT_EQ(editor.window->mode(), TableEditor::Mode::Browsing);
    editor.select(editor.find("00118"));
    editor.press(TableEditor::Modify);
    editor.type(0, "20122");
    editor.type(2, "milano");
    editor.press(TableEditor::Ok);
    EXPECT_EQ(messages.last().text, "CAP e località già presenti in archivio !");
    EXPECT_EQ(editor.window->mode(), TableEditor::Mode::Modify);
}

TEST_F(LocalityEditor, PostalCodesAreFiveDigitsAndProvincesTwoLettersInCapitals)
{
    editor.press(TableEditor::New);
    editor.type(2, "Ostia");
    editor.type(1, "RM");
    for (const char* cap : {"abcde", "0012", "00 21", "0012x", "٠٠١٢١"}) {
        editor.type(0, cap);
        editor.box(2)->setFocus();
        editor.press(TableEditor::Ok);
        EXPECT_EQ(messages.last().text, "Il CAP deve essere di cinque cifre, per esempio 00118 !")
            << cap;
        EXPECT_EQ(QApplication::focusWidget(), editor.box(0));
    }
    editor.type(0, "00121");
    for (const char* province : {"r", "R1", "r ", "ÀB"}) {
        editor.type(1, province);
        editor.box(2)->setFocus();
        editor.press(TableEditor::Ok);
        EXPECT_EQ(messages.last().text,
                  "La provincia deve essere la sigla di due lettere, per esempio RM !")
            << province;
        EXPECT_EQ(QApplication::focusWidget(), editor.box(1));
        EXPECT_EQ(editor.window->mode(), TableEditor::Mode::New);
    }
    EXPECT_EQ(editor.rows(), 3);
    editor.type(1, "zz");
    editor.press(TableEditor::Ok);
    EXPECT_EQ(editor.window->mode(), TableEditor::Mode::Browsing);
    const int saved = editor.find("00121");
    EXPECT_EQ(editor.cell(saved, 1), "ZZ");
}

TEST_F(LocalityEditor, ChangeLoadsEveryBoxAndDeletionAsksFirst)
{
    editor.select(2);
    editor.press(TableEditor::Modify);
    EXPECT_EQ(editor.box(0)->text() + editor.box(1)->text() + editor.box(2)->text() +
                  editor.box(3)->text(),
              "00118RMRomaLazio");
    QWidget* next = editor.box(2)->nextInFocusChain();
    while (!(next->focusPolicy() & Qt::TabFocus)) {
        next = next->nextInFocusChain();
    }
    EXPECT_EQ(next->objectName(), QStringLiteral("bottone_%1").arg(TaCitta::Region));
    editor.press(TableEditor::Cancel);
    EXPECT_EQ(editor.box(2)->text(), "");
    EXPECT_TRUE(editor.commandsEnabled());

    editor.select(2);
    messages.answers = {false};
    editor.press(TableEditor::Delete);
    EXPECT_EQ(messages.last().text, "Cancello CAP selezionato ?\r\n00118 - RM - Roma - Lazio");
    EXPECT_EQ(editor.rows(), 3);
    messages.answers = {true};
    editor.press(TableEditor::Delete);
    EXPECT_EQ(messages.last().text, "CAP cancellato !");
    EXPECT_EQ(editor.rows(), 2);
    EXPECT_EQ(editor.find("00118"), -1);
}

// Saving writes only the boxes the user changed; the others keep what the file holds, also an
// empty value (not an empty text) and bytes that are not UTF-8.
TEST_F(LocalityEditor, SavingKeepsEveryValueTheUserLeftAlone)
{
    otherProgram(file, "UPDATE CittaItaliane SET localita = CAST(x'526f6d61e0' AS TEXT),"
                       " regione = NULL WHERE cap = '00118'");
    editor.open();
    editor.select(editor.find("00118"));
    editor.press(TableEditor::Modify);
    editor.type(1, "RO");
    editor.press(TableEditor::Ok);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(otherProgram(file, "SELECT provincia || ' ' || hex(localita) || ' ' || quote(regione)"
                                 " FROM CittaItaliane WHERE cap = '00118'"),
              "RO 526F6D61E0 NULL");
}

TEST_F(LocalityEditor, RegionComesFromTheMap)
{
    editor.press(TableEditor::New);
    whenModalOpens([&](QWidget* picker) {
        EXPECT_EQ(editor.window->cursor().shape(), Qt::WaitCursor);
        picker->findChild<QAbstractButton*>("Image2_2")->click();
    });
    editor.press(TaCitta::Region);
    EXPECT_EQ(editor.box(3)->text(), "Valle d'Aosta");
    EXPECT_EQ(editor.window->cursor().shape(), Qt::ArrowCursor);

    // Leaving the map without a pick, however, keeps the region.
    const std::function<void(QWidget*)> leaving[] = {
        [](QWidget* picker) { picker->findChild<QPushButton*>("bottone_3")->click(); },
        [](QWidget* picker) { QTest::keyClick(picker, Qt::Key_Escape); },
        [](QWidget* picker) { picker->close(); }, // the window's close box
    };
    for (const auto& leave : leaving) {
        results::RegioneScelta = "Lazio";
        whenModalOpens(leave);
        editor.press(TaCitta::Region);
        EXPECT_EQ(editor.box(3)->text(), "Valle d'Aosta");
    }
    editor.type(0, "11029");
    editor.type(1, "ao");
    editor.press(TableEditor::Ok);
    EXPECT_EQ(editor.cell(editor.find("11029"), 3), "Valle d'Aosta");
}

// With the command frame locked during an entry, F12 and the close box still leave, asking first.
TEST_F(LocalityEditor, LeavingDuringAnEntryAsksFirst)
{
    editor.press(TableEditor::New);
    editor.type(0, "00119");
    messages.answers = {false};
    QTest::keyClick(editor.box(0), Qt::Key_F12);
    EXPECT_EQ(messages.last().text, "Abbandonare le modifiche?");
    EXPECT_TRUE(editor.window->isVisible());
    messages.answers = {true};
    editor.window->close();
    EXPECT_FALSE(editor.window->isVisible());
    EXPECT_EQ(otherProgram(file, "SELECT count(*) FROM CittaItaliane"), "3");
}

TEST_F(LocalityEditor, ExportWritesPostalCodeAndTrimmedLocality)
{
    editor.press(TableEditor::Export);
    EXPECT_EQ(messages.last().text, created("ElencoCitta.html", folder.path()));
    const QStringList lines = fileLines(folder / "ElencoCittà.html");
    ASSERT_EQ(lines.size(), 14 + 3 * 7 + 2);
    EXPECT_EQ(lines[3], QString::fromUtf8("Esportazione HTML dell'Elenco Citt\xC3\xA0 Italiane"));
    EXPECT_EQ(lines[7], "<td width=100 height=17 align=left>");
    EXPECT_EQ(lines[10], "<td width=300 height=17 align=left>");
    EXPECT_EQ(lines[12], QString::fromUtf8(" Citt\xC3\xA0 </td>"));
    EXPECT_EQ(lines[16], "11100</td>");
    EXPECT_EQ(lines[19], "Aosta</td>");
    EXPECT_EQ(lines[19 + 7], "Milano</td>");
}

TEST(HtmlExport, CharactersOutsideWindows1252BecomeReferences)
{
    const QByteArray bytes = htmlexport::pageBytes({QString::fromUtf8("€ àé Łódź 北")});
    EXPECT_EQ(bytes, QByteArray("\x80 \xE0\xE9 &#321;\xF3"
                                "d&#378; &#21271;\r\n"));
}

} // namespace
