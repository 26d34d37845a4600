#include "calcwindow/codicefiscale.h"
#include "calcwindow/sceltacomune.h"
#include "location/datalocation.h"
#include "tests/testsupport.h"
#include "tests/widgettest.h"

#include <QButtonGroup>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include <gtest/gtest.h>

#include <functional>

namespace {

class CalculationWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder.copyShippedDatabase();
        ASSERT_TRUE(showActive(&window));
    }

    QLineEdit* field(int index) { return window.text1(index); }
    QLabel* card(int line)
    {
        return window.findChild<QLabel*>(QStringLiteral("Label3_%1").arg(line));
    }
    QPushButton* button(const char* name) { return window.findChild<QPushButton*>(name); }

    void type(int index, const QString& text) { typeText(field(index), text); }
    void fill(const QString& surname, const QString& name, const QString& place,
              const QString& date)
    {
        type(1, surname);
        type(22, name);
        type(6, place);
        type(4, date);
    }
    void create() { QTest::mouseClick(button("bottone_0"), Qt::LeftButton); }

    TemporaryFolder folder;
    RecordedMessages messages;
    CodiceFiscale window{location::DatabaseName::defaultIn(folder.path())};
};

TEST_F(CalculationWindow, OpensEmptyWithMaleSelected)
{
    EXPECT_EQ(window.windowTitle(), "Raccolta dati e calcolo Codice Fiscale");
    EXPECT_EQ(window.size(), QSize(344, 382));
    for (int index : {0, 1, 22, 6, 4}) {
        EXPECT_TRUE(field(index)->text().isEmpty());
    }
    EXPECT_TRUE(window.findChild<QRadioButton*>("Option1_0")->isChecked());
    EXPECT_EQ(window.findChild<QRadioButton*>("Option1_1")->text(), " F");
    EXPECT_EQ(field(1)->maxLength(), 50);
    EXPECT_EQ(field(4)->maxLength(), 10);
    EXPECT_EQ(QApplication::focusWidget(), field(1));
}

TEST_F(CalculationWindow, TypingTurnsSmallLettersIntoCapitalsAndMirrorsOnTheCard)
{
    type(1, "rossi d'àngelo-2");
    type(22, "niccolò");
    type(6, "sant'angelo");
    EXPECT_EQ(field(1)->text(), "ROSSI D'ÀNGELO-2"); // accented letters too, as typed
    EXPECT_EQ(card(0)->text(), "ROSSI D'ÀNGELO-2");
    EXPECT_EQ(card(1)->text(), "NICCOLÒ");
    EXPECT_EQ(card(2)->text(), "SANT'ANGELO");

    QApplication::clipboard()->setText("milano");
    field(6)->clear();
    field(6)->paste(); // pasted text too
    EXPECT_EQ(field(6)->text(), "MILANO");
    EXPECT_EQ(card(2)->text(), "MILANO");
}

TEST_F(CalculationWindow, LongDataIsShortenedOnTheCardAndWholeInItsTooltip)
{
    const QString surname = "DELLA ROVERE DI MONTEBELLO SANT'ANGELO IN VADO";
    type(1, surname.toLower());
    type(22, "ada");
    const QString shown = card(0)->text();
    EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString(); // …
    EXPECT_TRUE(surname.startsWith(shown.chopped(1)));
    EXPECT_LE(card(0)->fontMetrics().horizontalAdvance(shown), card(0)->contentsRect().width());
    EXPECT_EQ(card(0)->toolTip(), surname);
    EXPECT_EQ(card(1)->text(), "ADA"); // a short name whole, with no tooltip
    EXPECT_EQ(card(1)->toolTip(), "");

    field(1)->setText("ROSSI"); // shortened again, it shows whole
    EXPECT_EQ(card(0)->text(), "ROSSI");
    EXPECT_EQ(card(0)->toolTip(), "");
}

TEST_F(CalculationWindow, DateFieldTakesOnlyDigitsAndSlashes)
{
    type(4, "1a2 /-03.x/1974");
    EXPECT_EQ(field(4)->text(), "12/03/1974");
    EXPECT_EQ(card(3)->text(), "12/03/1974");
    QTest::keyClick(field(4), Qt::Key_Backspace);
    EXPECT_EQ(field(4)->text(), "12/03/197");
}

TEST_F(CalculationWindow, EachCheckShowsItsMessageAndMovesTheFocus)
{
    const struct {
        const char* surname;
        const char* name;
        const char* place;
        const char* date;
        const char* message;
        int focus;
    } cases[] = {
        {"", "", "", "", "Impossibile lasciare vuoto il campo Cognome !", 1},
        {"ROSSI", "", "", "", "Impossibile lasciare vuoto il campo Nome !", 22},
        {"ROSSI", "MARIO", "", "", "Impossibile lasciare vuoto il campo Data di nascita !", 4},
        {"ROSSI", "MARIO", "", "31/02/1974", "Data di nascita in formato non valido !", 4},
        {"ROSSI", "MARIO", "", "1/2/1974", "Inserire la data di nascita nel formato gg/mm/aaaa !",
         4},
        {"ROSSI", "MARIO", "ROMA", "01/01/2099",
         "La data di nascita non può essere successiva alla data di oggi !", 4},
        {"ROSSI", "MARIO", "", "01/02/1974", "Impossibile lasciare vuoto il campo Comune !", 6},
    };
    for (const auto& c : cases) {
        for (int index : {1, 22, 6, 4}) {
            field(index)->clear();
        }
        fill(c.surname, c.name, c.place, c.date);
        button("bottone_3")->setFocus();
        create();
        ASSERT_FALSE(messages.shown.empty());
        EXPECT_EQ(messages.last().text, c.message);
        EXPECT_EQ(messages.last().title, "Attenzione");
        EXPECT_EQ(messages.last().icon, ui::Icon::Error);
        EXPECT_FALSE(messages.last().yesNo);
        EXPECT_EQ(QApplication::focusWidget(), field(c.focus)) << c.message;
        EXPECT_TRUE(field(0)->text().isEmpty());
    }
    EXPECT_EQ(messages.shown.size(), std::size(cases));
}

TEST_F(CalculationWindow, ComputesTheCodeAndRewritesTheDate)
{
    fill("rossi", "maria", "Roma", "1974/04/25");
    window.findChild<QRadioButton*>("Option1_1")->click();
    create();
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(field(0)->text(), "RSSMRA74D65H501V");
    EXPECT_EQ(field(4)->text(), "25/04/1974");
    EXPECT_EQ(card(3)->text(), "25/04/1974");
    EXPECT_EQ(card(0)->text(), "ROSSI"); // the result itself is not mirrored anywhere

    field(6)->clear();
    type(6, "castel sant'angelo");
    create();
    EXPECT_EQ(field(0)->text(), "RSSMRA74D65C268H");
}

// A place named otherwise on the birth date: the code goes on the card, then the notice says
// what the place was called then.
TEST_F(CalculationWindow, ANoticeComesWithTheCode)
{
    fill("rossi", "mario", "campospinoso albaredo", "10/03/1990");
    QString codeWhenTold;
    messages.onShow = [&](const ui::Message&) {
        codeWhenTold = field(0)->text();
    };
    create();
    EXPECT_EQ(field(0)->text(), "RSSMRA90C10B567T");
    EXPECT_EQ(codeWhenTold, "RSSMRA90C10B567T");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.last().title, "Attenzione");
    EXPECT_EQ(messages.last().icon, ui::Icon::Information);
    EXPECT_EQ(messages.last().text,
              "CAMPOSPINOSO ALBAREDO il 10/03/1990 si chiamava CAMPOSPINOSO (PV)");
}

TEST_F(CalculationWindow, UnknownMunicipalityLeavesNoCode)
{
    fill("ROSSI", "MARIO", "ROMA", "01/01/1974");
    create();
    ASSERT_EQ(field(0)->text(), "RSSMRA74A01H501W");

    field(6)->clear();
    field(4)->clear();
    type(6, "ATLANTIDE");
    type(4, "1974/01/02");
    create();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.last().text, "Comune - se esistente - non presente in archivio !");
    EXPECT_EQ(messages.last().icon, ui::Icon::Information);
    EXPECT_EQ(messages.last().title, "Attenzione");
    EXPECT_EQ(field(4)->text(), "02/01/1974");
    EXPECT_EQ(field(0)->text(), "");
    EXPECT_EQ(QApplication::focusWidget(), button("bottone_0")); // where the click left it
}

TEST_F(CalculationWindow, MissingDatabaseIsReportedAndTheWindowGoesOn)
{
    std::filesystem::remove(folder.path() / "AA1.mdb");
    fill("ROSSI", "MARIO", "ROMA", "01/01/1974");
    create();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(messages.last().text.contains("\"AA1.mdb\" nella cartella"))
        << messages.last().text.toStdString();
    EXPECT_TRUE(messages.last().text.contains(QString::fromStdString(folder.path().string())));
    EXPECT_TRUE(window.isVisible());

    folder.copyShippedDatabase();
    create();
    EXPECT_EQ(field(0)->text(), "RSSMRA74A01H501W");
}

// Data shows in a message box as it is written: a code in markup is not a huge red word.
TEST_F(CalculationWindow, MessageBoxesShowDataAsPlainText)
{
    const std::string markup = "<font size=7 color=red><b>CODICE</b></font>";
    otherProgram(folder / "AA1.mdb", "INSERT INTO COMUNI VALUES ('ATLANTIDE', '" + markup + "')");
    ui::setMessagePresenter(nullptr); // the real message boxes
    Qt::TextFormat format = Qt::RichText;
    QString shown;
    whenModalOpens([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_TRUE(box);
        format = box->textFormat();
        shown = box->text();
        box->button(QMessageBox::Ok)->click();
    });
    fill("ROSSI", "MARIO", "ATLANTIDE", "01/01/1974");
    create();
    ui::setMessagePresenter(&messages);
    EXPECT_EQ(format, Qt::PlainText);
    EXPECT_TRUE(shown.contains(QString::fromStdString(markup))) << shown.toStdString();
}

TEST_F(CalculationWindow, CopyShowsTheNoticeThenPutsTheCodeOnTheClipboard)
{
    QApplication::clipboard()->setText("prima");
    QString clipboardDuringNotice;
    messages.onShow = [&](const ui::Message&) {
        clipboardDuringNotice = QApplication::clipboard()->text();
    };
    // Without a code there is nothing to copy: the clipboard keeps what it holds.
    auto* copy = window.findChild<QPushButton*>("Command1");
    EXPECT_FALSE(copy->isEnabled());
    QTest::mouseClick(copy, Qt::LeftButton);
    typeText(field(0), "RSSMRA74A01H501W"); // typed, not yet verified
    EXPECT_FALSE(copy->isEnabled());
    QTest::mouseClick(copy, Qt::LeftButton);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(QApplication::clipboard()->text(), "prima");

    fill("ROSSI", "MARIO", "ROMA", "01/01/1974");
    create();
    ASSERT_TRUE(copy->isEnabled());
    QTest::mouseClick(copy, Qt::LeftButton);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.last().title, "Informazione");
    EXPECT_EQ(messages.last().icon, ui::Icon::Information);
    EXPECT_EQ(messages.last().text, "ATTENZIONE Il numero generato verrà\r\n"
                                    "inserito nella memoria del Sistema Operativo\r\n"
                                    " e può essere riutilizzato senza essere digitato\r\n"
                                    " nuovamente in qualsiasi applicazione che \r\n"
                                    "supporti il copia e incolla.\r\n"
                                    " \r\n");
    EXPECT_EQ(clipboardDuringNotice, "prima");
    EXPECT_EQ(QApplication::clipboard()->text(), "RSSMRA74A01H501W");
}

TEST_F(CalculationWindow, QuestionMarkShowsTheReliabilityNotice)
{
    auto* notice = window.findChild<QAbstractButton*>("Image2");
    ASSERT_TRUE(notice);
    EXPECT_EQ(notice->accessibleName(), "Avvertenza");
    notice->click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.last().title, "Attenzione");
    EXPECT_EQ(messages.last().icon, ui::Icon::Information);
    const QStringList lines = messages.last().text.split("\r\n");
    ASSERT_EQ(lines.size(), 9); // eight lines, each ended by CR LF
    EXPECT_EQ(lines[0], "ATTENZIONE Il numero generato corrisponde");
    EXPECT_EQ(lines[6], "stesso comune)e il Ministero delle Finanze provvede alla");
    EXPECT_EQ(lines[7], "sostituzione di uno dei numeri con una lettera progressiva.");
}

TEST_F(CalculationWindow, TabOrderAndAccessibleNames)
{
    QStringList order;
    QWidget* widget = field(1);
    for (int i = 0; i < 11; ++i) {
        order << widget->objectName();
        do {
            widget = widget->nextInFocusChain();
        } while (!(widget->focusPolicy() & Qt::TabFocus));
    }
    EXPECT_EQ(order,
              (QStringList{"Text1_1", "Text1_22", "Option1_0", "Option1_1", "Text1_6", "Text1_4",
                           "bottone_0", "bottone_3", "Text1_0", "Command1", "Command2"}));

    EXPECT_EQ(field(1)->accessibleName(), "Cognome");
    EXPECT_EQ(field(22)->accessibleName(), "Nome");
    EXPECT_EQ(field(6)->accessibleName(), "Nato a");
    EXPECT_EQ(field(4)->accessibleName(), "Nato il");
    EXPECT_EQ(field(0)->accessibleName(), "Codice Fiscale");
    EXPECT_EQ(window.findChild<QPushButton*>("Command1")->accessibleName(),
              "Copia il codice fiscale");
    EXPECT_EQ(window.findChild<QPushButton*>("Command1")->toolTip(),
              "Copia il codice fiscale: lo inserisce in memoria, per incollarlo in altre "
              "applicazioni");
}

TEST_F(CalculationWindow, UscitaClosesTheWindow)
{
    QTest::mouseClick(button("bottone_3"), Qt::LeftButton);
    EXPECT_FALSE(window.isVisible());
}

} // namespace

namespace {

// Several places fit the name on the birth date: the user chooses, or computes nothing.
TEST_F(CalculationWindow, SeveralPlacesAreOfferedInAListToChooseFrom)
{
    fill("rossi", "mario", "castro", "01/01/1980");
    field(0)->setText("PRIMA");
    QStringList lines;
    const auto offered = [&](QWidget* choice) {
        auto* list = choice->findChild<QListWidget*>("List1");
        lines.clear();
        for (int row = 0; list && row < list->count(); ++row) {
            lines << list->item(row)->text();
        }
        return list;
    };
    whenModalOpens([&](QWidget* choice) {
        EXPECT_EQ(choice->windowTitle(), "Scelta del luogo di nascita");
        offered(choice)->setCurrentRow(1);
        choice->findChild<QPushButton*>("bottone_0")->click();
    });
    create();
    EXPECT_EQ(lines, (QStringList{"CASTRO (BG) — dal 17/03/1861 — C337",
                                  "CASTRO (LE) — dal 28/05/1975 — M261"}));
    EXPECT_EQ(field(0)->text(), "RSSMRA80A01M261X");
    EXPECT_TRUE(messages.shown.empty());

    // Annulla, Escape and the close box compute nothing and say nothing; no code is left.
    for (int way = 0; way < 3; ++way) {
        whenModalOpens([&](QWidget* choice) {
            if (way == 0) {
                choice->findChild<QPushButton*>("bottone_1")->click();
            } else if (way == 1) {
                QTest::keyClick(choice, Qt::Key_Escape);
            } else {
                choice->close();
            }
        });
        field(0)->setText("PRIMA");
        create();
        EXPECT_EQ(field(0)->text(), "") << way;
    }
    EXPECT_TRUE(messages.shown.empty());

    // A foreign state is marked as such; Enter on a line chooses it.
    field(6)->clear();
    type(6, "palau");
    whenModalOpens([&](QWidget* choice) {
        auto* list = offered(choice);
        list->setCurrentRow(1);
        QTest::keyClick(list, Qt::Key_Return);
    });
    create();
    EXPECT_EQ(lines, (QStringList{"PALAU (SS) — dal 08/04/1959 — G258",
                                  "PALAU (EE) — stato estero — Z734"}));
    EXPECT_EQ(field(0)->text().mid(11, 4), "Z734");
}

// A code typed onto the card is checked by Enter or by "Verifica".
TEST_F(CalculationWindow, AValidCodeFillsDateSexAndPlaceAndSaysWhatItCarries)
{
    auto* verify = window.findChild<QPushButton*>("Command2");
    ASSERT_TRUE(verify);
    EXPECT_EQ(verify->accessibleName(), "Verifica");
    // On the card, clear of the code box, the copy button and the card's lines.
    const QRect place = verify->geometry();
    EXPECT_TRUE(QRect(QPoint(), window.findChild<QLabel*>("Image1")->size()).contains(place));
    for (QWidget* other : std::initializer_list<QWidget*>{field(0), button("Command1"), card(0),
                                                          card(1), card(2), card(3)}) {
        EXPECT_FALSE(place.intersects(other->geometry())) << other->objectName().toStdString();
    }

    field(0)->setText(" rssmra74d65h501v ");
    field(0)->setFocus();
    QTest::keyClick(field(0), Qt::Key_Return);
    EXPECT_EQ(field(4)->text(), "25/04/1974");
    EXPECT_EQ(field(6)->text(), "ROMA (RM)");
    EXPECT_TRUE(window.findChild<QRadioButton*>("Option1_1")->isChecked());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.last().icon, ui::Icon::Information);
    EXPECT_EQ(messages.last().text, "Codice fiscale valido.\r\nSesso: F\r\nNato il: 25/04/1974\r\n"
                                    "Nato a: ROMA (RM), codice catastale H501");

    // With surname and name filled, whether their letters agree; omocodia is recognised.
    type(1, "ROSSI");
    type(22, "LUCIA");
    field(0)->setText("RSSMRA74D65H50MN");
    verify->click();
    EXPECT_TRUE(messages.last().text.startsWith(
        "Codice fiscale valido, con omocodia: il codice di base è RSSMRA74D65H501V."))
        << messages.last().text.toStdString();
    EXPECT_TRUE(
        messages.last().text.endsWith("Le lettere del campo Cognome corrispondono al codice.\r\n"
                                      "Le lettere del campo Nome NON corrispondono al codice.\r\n"
                                      "Il codice RSSMRA74D65H50MN non è quello dei dati inseriti "
                                      "e non resta sulla tessera."))
        << messages.last().text.toStdString();
    EXPECT_EQ(field(0)->text(), "");
    // Then "Crea" gives back the base code.
    create();
    EXPECT_EQ(field(0)->text(), "RSSLCU74D65H501L");
}

TEST_F(CalculationWindow, ACodeThatIsNotValidGivesItsReasonAndChangesNothing)
{
    fill("ROSSI", "MARIO", "MILANO", "01/01/1990");
    field(0)->setText("RSSMRA74A01H501X");
    window.findChild<QPushButton*>("Command2")->click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.last().text,
              "Codice fiscale non valido: carattere di controllo errato: atteso W, trovato X !");
    EXPECT_EQ(field(4)->text(), "01/01/1990");
    EXPECT_EQ(field(6)->text(), "MILANO");
    EXPECT_EQ(QApplication::focusWidget(), field(0));
    // The code no longer stands on the card, but the user can have it back to mend it.
    EXPECT_EQ(field(0)->text(), "");
    QTest::keyClick(field(0), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(field(0)->text(), "RSSMRA74A01H501X");
}

// The list of places is as wide as its longest line, so that each line shows whole, up to the
// width of the screen.
TEST(PlaceChoice, IsAsWideAsItsLongestLineWithinTheScreen)
{
    const places::Place shortName{"CASTRO", "C337"};
    const places::Place longName{"CHALLANT SAINT ANSELME ET CHALLANT SAINT VICTOR IN VALLE",
                                 "Z001"};
    const places::Place endless{std::string(400, 'A'), "Z002"};
    const struct {
        std::vector<const places::Place*> places;
        bool fitsTheScreen;
    } lists[] = {{{&shortName}, true}, {{&shortName, &longName}, true}, {{&endless}, false}};
    for (const auto& list : lists) {
        SceltaComune choice(nullptr, "X", list.places, 19800101);
        ASSERT_TRUE(showActive(&choice));
        auto* lines = choice.findChild<QListWidget*>("List1");
        int longest = 0;
        for (int row = 0; row < lines->count(); ++row) {
            longest =
                std::max(longest, lines->fontMetrics().horizontalAdvance(lines->item(row)->text()));
        }
        EXPECT_GE(choice.width(), 380);
        EXPECT_LE(choice.frameGeometry().width(), choice.screen()->availableGeometry().width());
        EXPECT_EQ(longest < lines->viewport()->width(), list.fitsTheScreen) << longest;
        EXPECT_TRUE(clippedTexts(&choice).isEmpty());
        for (const char* name : {"bottone_0", "bottone_1"}) {
            EXPECT_TRUE(choice.rect().contains(choice.findChild<QWidget*>(name)->geometry()));
        }
    }
}

// Whatever the user changes after a code was computed, the card shows no code that is not the one
// of its data, and the copy button has nothing to copy.
TEST_F(CalculationWindow, TheCardNeverShowsACodeThatIsNotTheOneOfItsData)
{
    auto* female = window.findChild<QRadioButton*>("Option1_1");
    auto* copy = window.findChild<QPushButton*>("Command1");
    const struct {
        const char* change;
        std::function<void()> make;
    } changes[] = {
        {"surname typed",
         [&] {
             type(1, "BIANCHI");
         }},
        {"given name cleared",
         [&] {
             field(22)->clear();
         }},
        {"sex",
         [&] {
             QTest::mouseClick(female, Qt::LeftButton);
         }},
        {"place pasted",
         [&] {
             QApplication::clipboard()->setText("MILANO");
             field(6)->selectAll();
             field(6)->paste();
         }},
        {"date typed",
         [&] {
             QTest::keyClick(field(4), Qt::Key_Backspace);
         }},
        {"failed check",
         [&] {
             field(4)->setText("31/02/2000");
             create();
         }},
        {"cancelled choice",
         [&] {
             field(6)->setText("PALAU");
             whenModalOpens([](QWidget* choice) { QTest::keyClick(choice, Qt::Key_Escape); });
             create();
         }},
        {"failed verification",
         [&] {
             field(0)->setText("RSSMRA74A01H501X");
             button("Command2")->click();
         }},
    };
    for (const auto& change : changes) {
        for (int index : {1, 22, 6, 4}) {
            field(index)->clear();
        }
        window.findChild<QRadioButton*>("Option1_0")->setChecked(true);
        fill("ROSSI", "MARIO", "ROMA", "01/01/1974");
        create();
        ASSERT_EQ(field(0)->text(), "RSSMRA74A01H501W") << change.change;
        ASSERT_TRUE(copy->isEnabled());
        change.make();
        EXPECT_EQ(field(0)->text(), "") << change.change;
        EXPECT_FALSE(copy->isEnabled()) << change.change;
    }
}

// Verifica compares the fields the user filled with the code; it fills only those left empty.
TEST_F(CalculationWindow, VerificationSaysWhichFilledFieldsDisagreeAndOverwritesNone)
{
    fill("ROSSI", "MARIO", "MILANO", "15/06/1980");
    window.findChild<QRadioButton*>("Option1_1")->setChecked(true);
    field(0)->setText("RSSMRA74A01H501W");
    button("Command2")->click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.last().text,
              "Codice fiscale valido.\r\nSesso: M\r\nNato il: 01/01/1974\r\n"
              "Nato a: ROMA (RM), codice catastale H501\r\n"
              "Il campo Sesso NON corrisponde al codice.\r\n"
              "Il campo Nato il NON corrisponde al codice.\r\n"
              "Il campo Nato a NON corrisponde al codice.\r\n"
              "Le lettere del campo Cognome corrispondono al codice.\r\n"
              "Le lettere del campo Nome corrispondono al codice.\r\n"
              "Il codice RSSMRA74A01H501W non è quello dei dati inseriti e non resta sulla "
              "tessera.");
    EXPECT_EQ(field(4)->text(), "15/06/1980");
    EXPECT_EQ(field(6)->text(), "MILANO");
    EXPECT_TRUE(window.findChild<QRadioButton*>("Option1_1")->isChecked());
    EXPECT_EQ(field(0)->text(), "");

    // Fields that agree keep the code on the card; an empty one is filled from it.
    window.findChild<QRadioButton*>("Option1_0")->setChecked(true);
    field(6)->clear();
    field(4)->setText("01/01/1974");
    field(0)->setText("rssmra74a01h501w");
    button("Command2")->click();
    EXPECT_TRUE(messages.last().text.endsWith("Il campo Sesso corrisponde al codice.\r\n"
                                              "Il campo Nato il corrisponde al codice.\r\n"
                                              "Le lettere del campo Cognome corrispondono al "
                                              "codice.\r\n"
                                              "Le lettere del campo Nome corrispondono al codice."))
        << messages.last().text.toStdString();
    EXPECT_EQ(field(6)->text(), "ROMA (RM)");
    EXPECT_EQ(field(0)->text(), "RSSMRA74A01H501W");
    EXPECT_TRUE(button("Command1")->isEnabled());
}

// From the keyboard alone: Tab reaches the code's box, Enter there verifies, Enter elsewhere
// computes ("&Crea" is the default button).
TEST_F(CalculationWindow, TheKeyboardReachesTheCodeAndEnterComputesOrVerifies)
{
    EXPECT_TRUE(button("bottone_0")->isDefault());
    fill("ROSSI", "MARIO", "ROMA", "01/01/1974");
    for (QWidget* from : std::initializer_list<QWidget*>{
             field(4), window.findChild<QRadioButton*>("Option1_0"), field(1)}) {
        field(0)->clear();
        from->setFocus();
        QTest::keyClick(from, Qt::Key_Return);
        EXPECT_EQ(field(0)->text(), "RSSMRA74A01H501W") << from->objectName().toStdString();
    }
    EXPECT_TRUE(messages.shown.empty());

    button("bottone_3")->setFocus();
    QTest::keyClick(button("bottone_3"), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), field(0));
    field(0)->clear();
    QTest::keyClicks(field(0), "RSSMRA74A01H501W");
    QTest::keyClick(field(0), Qt::Key_Enter, Qt::KeypadModifier);
    ASSERT_EQ(messages.shown.size(), 1u); // verified once, and nothing computed
    EXPECT_TRUE(messages.last().text.startsWith("Codice fiscale valido."));
    EXPECT_TRUE(window.isVisible());
}

} // namespace
