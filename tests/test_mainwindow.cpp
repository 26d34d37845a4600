#include "batchwindow/codicidafile.h"
#include "calcwindow/codicefiscale.h"
#include "location/datalocation.h"
#include "shell/calcolocodicefiscale.h"
#include "tests/temporarybannerstore.h"
#include "tests/testsupport.h"
#include "tests/widgettest.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTimer>

#include <fstream>
#include <functional>
#include <utility>

#include <gtest/gtest.h>

namespace {

// Closes at once, and names, every window other than a message box that opens modally while it
// lives: for actions that must open none, so that a fault cannot leave a test waiting.
class UnexpectedWindows {
public:
    UnexpectedWindows()
    {
        QObject::connect(&poll_, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal && !qobject_cast<QMessageBox*>(modal)) {
                names << modal->objectName();
                modal->close();
            }
        });
        poll_.start(10);
    }
    QStringList names;

private:
    QTimer poll_;
};

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder.copyShippedDatabase();
        ASSERT_TRUE(showActive(&window));
    }

    QLabel* caption(int i) { return window.findChild<QLabel*>(QStringLiteral("Label3_%1").arg(i)); }
    QAbstractButton* hotArea(int i)
    {
        return window.findChild<QAbstractButton*>(QStringLiteral("Image4_%1").arg(i));
    }
    QLabel* panel(int i) { return window.findChild<QLabel*>(QStringLiteral("SSPanel1_%1").arg(i)); }
    QWidget* child(const char* name) { return window.findChild<QWidget*>(name); }
    // The menu entry that has the window's keyboard focus, -1 for none.
    int entryWithFocus()
    {
        for (int i : {0, 1, 2, 3, 4}) {
            if (window.focusWidget() == hotArea(i)) {
                return i;
            }
        }
        return -1;
    }
    // Presses `key` where the keyboard focus is; returns the working window that opened (and was
    // closed at once), empty when none did.
    QString openWithKey(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QString opened;
        whenModalOpens([&](QWidget* modal) {
            opened = modal->objectName();
            modal->close();
        });
        QTest::keyClick(window.focusWidget(), static_cast<Qt::Key>(key), modifiers);
        // An access key presses its entry a moment later, as a click shown on screen.
        EXPECT_TRUE(QTest::qWaitFor([&] { return !opened.isEmpty(); }, kPatienceMs));
        EXPECT_TRUE(showActive(&window)); // as the desktop gives it back its place in front
        return opened;
    }
    QList<int> visibleCaptions()
    {
        QList<int> visible;
        for (int i : {0, 1, 2, 3, 4}) {
            if (caption(i)->isVisible()) {
                visible << i;
            }
        }
        return visible;
    }
    // Moves the mouse to the centre of `widget`, as a user does.
    void hover(QWidget* widget) { QTest::mouseMove(widget, widget->rect().center()); }

    TemporaryFolder folder;
    RecordedMessages messages;
    CalcoloCodiceFiscale window{location::DatabaseName::defaultIn(folder.path())};
};

TEST_F(MainWindow, HasItsCaptionSizeAndControls)
{
    EXPECT_EQ(window.windowTitle(), "CORVAN  -  Calcolo del Codice Fiscale");
    EXPECT_EQ(window.size(), QSize(576, 468));
    // Each entry's hot area lies on the ovals and holds its caption, so a click on either works.
    const QRect ovals = child("Image3_0")->geometry();
    EXPECT_TRUE(QRect(QPoint(), child("Frame1_0")->size()).contains(ovals));
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(ovals.intersects(hotArea(i)->geometry())) << i;
        EXPECT_TRUE(hotArea(i)->geometry().contains(caption(i)->geometry().center())) << i;
    }
    const char* panels[] = {"Calcola Codice Fiscale", "Modifica Tabella", "Uscita"};
    const char* captions[] = {"Calcola", "Modifica", "Abbandona"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(hotArea(i)->accessibleName(), panels[i]);
        EXPECT_EQ(caption(i)->text(), captions[i]);
        EXPECT_EQ(panel(i)->text().remove('&'), panels[i]);
    }
    EXPECT_TRUE(visibleCaptions().isEmpty());
}

TEST_F(MainWindow, EveryControlOfEveryWindowHasAName)
{
    EXPECT_EQ(unnamedControls(&window), QStringList());
    QStringList unnamed;
    const auto check = [&](QWidget* modal) {
        unnamed << unnamedControls(modal);
        if (auto* search = modal->findChild<QPushButton*>("bottone_2");
            search && modal->objectName() == "RicercaCAP") {
            whenModalOpens([&](QWidget* box) {
                unnamed << unnamedControls(box);
                box->close();
            });
            search->click();
            whenModalOpens([&](QWidget* map) {
                unnamed << unnamedControls(map);
                map->close();
            });
            modal->findChild<QPushButton*>("bottone_1")->click();
        }
        modal->close();
    };
    for (int entry : {0, 1, 3, 4}) {
        whenModalOpens(check);
        hotArea(entry)->click();
    }
    EXPECT_EQ(unnamed, QStringList());
}

// Visits the window of a whole list once it has computed the codes of a small file, then closes it.
void visitListWindow(QWidget* window, const std::function<void(QWidget*)>& visit)
{
    std::ofstream("persone.csv")
        << "cognome;nome;data;sesso;comune;provincia\n"
           "DELLA ROVERE DI MONTEBELLO;MARIA GIOVANNA;01/01/1980;F;PALAU;\n";
    auto* list = qobject_cast<CodiciDaFile*>(window);
    list->setFileChooser([](QWidget*, const QString&) { return QStringLiteral("persone.csv"); });
    list->findChild<QPushButton*>("bottone_0")->click();
    list->findChild<QPushButton*>("bottone_1")->click();
    EXPECT_TRUE(QTest::qWaitFor([list] { return !list->running(); }, kPatienceMs));
    visit(window);
    window->close();
}

// Runs `visit` on the main window and on every window it opens, each as a user leaves it after
// some work: long data on the card and a code computed, the list of several places that fit, the
// window of a whole list with its summary, an editor during a change, the search narrowed to a
// region, the input box and the map.
void visitEveryWindow(CalcoloCodiceFiscale& window, const std::function<void(QWidget*)>& visit)
{
    visit(&window);
    const auto visitModal = [&](QWidget* modal) {
        if (auto* calculation = qobject_cast<CodiceFiscale*>(modal)) {
            typeText(calculation->text1(1), "DELLA ROVERE DI MONTEBELLO SANT'ANGELO IN VADO");
            typeText(calculation->text1(22), "MARIA GIOVANNA ANTONIETTA ELISABETTA");
            typeText(calculation->text1(6), "PALAU");
            typeText(calculation->text1(4), "01/01/1980");
            whenModalOpens([&](QWidget* choice) {
                visit(choice);
                choice->findChild<QPushButton*>("bottone_0")->click();
            });
            calculation->findChild<QPushButton*>("bottone_0")->click();
            whenModalOpens([&](QWidget* list) { visitListWindow(list, visit); });
            calculation->findChild<QPushButton*>("Command3")->click();
        }
        if (modal->objectName() == "TaSettori" || modal->objectName() == "TaCitta") {
            modal->findChild<QPushButton*>("bottone_1")->click(); // Modifica
            visit(modal);
            modal->findChild<QPushButton*>("bottone_5")->click(); // Annulla
        } else {
            visit(modal);
        }
        if (modal->objectName() == "RicercaCAP") {
            whenModalOpens([&](QWidget* box) {
                visit(box);
                box->close();
            });
            modal->findChild<QPushButton*>("bottone_2")->click();
            whenModalOpens([&](QWidget* map) {
                visit(map);
                map->findChild<QAbstractButton*>("Image2_7")->click(); // Emilia Romagna
            });
            modal->findChild<QPushButton*>("bottone_1")->click();
            visit(modal); // with the region over the list
        }
        modal->close();
    };
    for (const char* entry : {"Image4_0", "Image4_1", "Image4_3", "Image4_4"}) {
        whenModalOpens(visitModal);
        window.findChild<QAbstractButton*>(entry)->click();
    }
}

// The captions of the main window and of every window it opens that do not fit their places with
// the font in use.
QStringList clippedCaptionsOfEveryWindow(CalcoloCodiceFiscale& window)
{
    QStringList clipped;
    visitEveryWindow(window, [&](QWidget* shown) { clipped << clippedTexts(shown); });
    // The input box's check box shows its tick alone: its caption is the label beside it.
    clipped.removeIf([](const QString& text) { return text.startsWith("Check:"); });
    return clipped;
}

// No caption of any window is cut off, with the font in use or a wider one.
TEST_F(MainWindow, EveryCaptionOfEveryWindowFitsItsPlace)
{
    const QStringList clipped = clippedCaptionsOfEveryWindow(window);
    EXPECT_TRUE(clipped.isEmpty()) << clipped.join("\n").toStdString();
}

// Opens the main window with `font` and `colours` for the whole program, as the desktop would
// give them, and runs `check` on it; then restores the program's look.
void withTheLook(const QFont& font, const QPalette& colours,
                 const std::function<void(CalcoloCodiceFiscale&)>& check)
{
    const QFont font0 = QApplication::font();
    const QPalette colours0 = QApplication::palette();
    QApplication::setFont(font);
    QApplication::setPalette(colours);
    {
        TemporaryFolder folder;
        folder.copyShippedDatabase();
        RecordedMessages messages;
        CalcoloCodiceFiscale window(location::DatabaseName::defaultIn(folder.path()));
        if (showActive(&window)) {
            check(window);
        } else {
            ADD_FAILURE() << "the main window did not open";
        }
    }
    QApplication::setFont(font0);
    QApplication::setPalette(colours0);
}

TEST(Captions, FitTheirPlacesAlsoWithAWiderFont)
{
    QFont wider(QStringLiteral("DejaVu Sans"));
    wider.setPixelSize(13);
    withTheLook(wider, QApplication::palette(), [](CalcoloCodiceFiscale& window) {
        const QStringList clipped = clippedCaptionsOfEveryWindow(window);
        EXPECT_TRUE(clipped.isEmpty()) << clipped.join("\n").toStdString();
    });
}

// A dark theme: light text on dark windows, boxes and buttons.
QPalette darkTheme()
{
    QPalette dark;
    const QColor window(53, 53, 53), text(235, 235, 235), disabled(127, 127, 127);
    for (const auto& [role, colour] : {std::pair{QPalette::Window, window},
                                       {QPalette::WindowText, text},
                                       {QPalette::Base, QColor(35, 35, 35)},
                                       {QPalette::AlternateBase, QColor(45, 45, 45)},
                                       {QPalette::Text, text},
                                       {QPalette::Button, window},
                                       {QPalette::ButtonText, text},
                                       {QPalette::Highlight, QColor(42, 130, 218)},
                                       {QPalette::HighlightedText, Qt::black},
                                       {QPalette::ToolTipBase, window},
                                       {QPalette::ToolTipText, text}}) {
        dark.setColor(role, colour);
    }
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        dark.setColor(QPalette::Disabled, role, disabled);
    }
    return dark;
}

// Every text of every window stands out from what is around it, also in a dark theme.
TEST(EveryWindow, ReadsWellInALightAndADarkTheme)
{
    for (const QPalette& theme : {QApplication::palette(), darkTheme()}) {
        withTheLook(QApplication::font(), theme, [](CalcoloCodiceFiscale& window) {
            QStringList unreadable;
            visitEveryWindow(window, [&](QWidget* shown) { unreadable << unreadableTexts(shown); });
            EXPECT_TRUE(unreadable.isEmpty()) << unreadable.join("\n").toStdString();
        });
    }
}

// With the desktop's font of 15 points (20 pixels, where the windows are drawn for 12) every
// window grows, as far as the screen allows, and no text is cut or covers another; the pictures
// are the fine ones, sharp at that size. At twice the scale (this test also runs so) too.
TEST(EveryWindow, GrowsWithALargeFontAndNothingIsCutOrCovered)
{
    QFont large = QApplication::font();
    for (double points : {large.pointSizeF(), 15.0}) {
        large.setPointSizeF(points);
        withTheLook(large, QApplication::palette(), [&](CalcoloCodiceFiscale& window) {
            const bool grows = points > 9;
            EXPECT_EQ(window.width() > 576, grows);
            QStringList faults;
            visitEveryWindow(window, [&](QWidget* shown) {
                faults << clippedTexts(shown) << overlappingOrLowTexts(shown);
                faults.removeIf([](const QString& text) { return text.startsWith("Check:"); });
                const QRect screen = shown->screen()->availableGeometry();
                if (shown->width() > screen.width() || shown->height() > screen.height()) {
                    faults << shown->objectName() + ": più grande dello schermo";
                }
                const bool fine = grows || qApp->devicePixelRatio() > 1;
                for (QLabel* picture : shown->findChildren<QLabel*>()) {
                    if (!picture->pixmap().isNull() && picture->objectName() != "FBanner1" &&
                        (picture->pixmap().devicePixelRatio() > 1) != fine) {
                        faults << picture->objectName() + ": immagine non adatta alla scala";
                    }
                }
            });
            EXPECT_TRUE(faults.isEmpty()) << points << "\n" << faults.join("\n").toStdString();
        });
    }
}

TEST_F(MainWindow, HoveringAnOvalShowsOnlyItsCaption)
{
    hover(hotArea(1));
    EXPECT_EQ(visibleCaptions(), QList<int>{1});
    hover(hotArea(0));
    EXPECT_EQ(visibleCaptions(), QList<int>{0});
    hover(caption(0)); // the caption itself changes nothing
    EXPECT_EQ(visibleCaptions(), QList<int>{0});
    QTest::mouseMove(child("Image3_0"), QPoint(150, 150)); // the ovals picture outside an oval
    EXPECT_TRUE(visibleCaptions().isEmpty());
    hover(hotArea(2));
    QTest::mouseMove(child("Frame1_0"), QPoint(5, 200)); // the frame background
    EXPECT_TRUE(visibleCaptions().isEmpty());
    hover(hotArea(2));
    hover(child("Image3_2")); // the logo
    EXPECT_TRUE(visibleCaptions().isEmpty());
    hover(hotArea(1));
    hover(hotArea(4));
    EXPECT_EQ(visibleCaptions(), QList<int>{4});
    hover(hotArea(3));
    EXPECT_EQ(visibleCaptions(), QList<int>{3});
    QTest::mouseMove(child("Frame1_1"), QPoint(130, 5));
    EXPECT_TRUE(visibleCaptions().isEmpty());
}

TEST_F(MainWindow, EntriesOpenTheirWindows)
{
    EXPECT_EQ(hotArea(3)->accessibleName(), "Ricerca CAP");
    EXPECT_EQ(caption(3)->text(), "Cerca");
    EXPECT_EQ(hotArea(4)->accessibleName(), "Tabella CAP");
    EXPECT_EQ(caption(4)->text(), "Modifica");
    const struct {
        int entry;
        const char* window;
    } entries[] = {{1, "TaSettori"}, {3, "RicercaCAP"}, {4, "TaCitta"}};
    for (const auto& entry : entries) {
        QString opened;
        whenModalOpens([&](QWidget* modal) {
            opened = modal->objectName();
            EXPECT_EQ(window.cursor().shape(), Qt::WaitCursor);
            modal->close();
        });
        QTest::mouseClick(hotArea(entry.entry), Qt::LeftButton);
        EXPECT_EQ(opened, entry.window);
    }
    // The frame of the table entries overlaps nothing else of the window.
    const QRect tables = child("Frame1_1")->geometry();
    EXPECT_TRUE(window.rect().contains(tables));
    for (const char* other : {"Frame1_0", "Image3_2", "Image2"}) {
        EXPECT_FALSE(tables.intersects(child(other)->geometry())) << other;
    }
}

// The grey panels act as their ovals: the pointer over one shows its caption, a click opens it.
TEST_F(MainWindow, APanelActsAsItsOval)
{
    const struct {
        int entry;
        const char* window;
    } entries[] = {{0, "CodiceFiscale"}, {1, "TaSettori"}, {3, "RicercaCAP"}, {4, "TaCitta"}};
    for (const auto& entry : entries) {
        hover(panel(entry.entry));
        EXPECT_EQ(visibleCaptions(), QList<int>{entry.entry});
        QString opened;
        whenModalOpens([&](QWidget* modal) {
            opened = modal->objectName();
            modal->close();
        });
        QTest::mouseClick(panel(entry.entry), Qt::LeftButton);
        EXPECT_EQ(opened, entry.window);
    }
    messages.answers = {false};
    QTest::mouseClick(panel(2), Qt::LeftButton);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.last().text, "Confermi l'abbandono dell'applicazione ?");
}

TEST_F(MainWindow, TopOvalOpensAFreshCalculationWindowWithTheHourglassOverTheMenu)
{
    int opened = 0;
    auto visit = [&](QWidget* modal) {
        ++opened;
        auto* calculation = qobject_cast<CodiceFiscale*>(modal);
        ASSERT_TRUE(calculation);
        EXPECT_EQ(window.cursor().shape(), Qt::WaitCursor);
        EXPECT_TRUE(calculation->text1(1)->text().isEmpty());
        typeText(calculation->text1(1), "rossi");
        calculation->findChild<QPushButton*>("bottone_3")->click();
    };
    whenModalOpens(visit);
    hover(hotArea(0));
    QTest::mouseClick(hotArea(0), Qt::LeftButton);
    EXPECT_EQ(window.cursor().shape(), Qt::ArrowCursor);
    EXPECT_TRUE(visibleCaptions().isEmpty());

    whenModalOpens(visit); // opened again, it starts empty
    caption(0)->show();
    QTest::mouseClick(caption(0), Qt::LeftButton);
    EXPECT_EQ(opened, 2);
    EXPECT_TRUE(window.findChildren<CodiceFiscale*>().isEmpty()); // each closed window is gone
}

TEST_F(MainWindow, TabAndTheArrowsGoThroughTheEntriesShowingTheirCaptions)
{
    EXPECT_EQ(entryWithFocus(), 0);
    EXPECT_TRUE(visibleCaptions().isEmpty()); // the window opens without a caption
    QList<int> tabbed;
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(window.focusWidget(), Qt::Key_Tab);
        tabbed << entryWithFocus();
        EXPECT_EQ(visibleCaptions(), QList<int>{tabbed.last()});
    }
    EXPECT_EQ(tabbed, (QList<int>{1, 3, 4, 2, 0}));
    QList<int> arrowed;
    for (Qt::Key key : {Qt::Key_Down, Qt::Key_Right, Qt::Key_Up, Qt::Key_Left, Qt::Key_Left}) {
        QTest::keyClick(window.focusWidget(), key);
        arrowed << entryWithFocus();
    }
    EXPECT_EQ(arrowed, (QList<int>{1, 3, 1, 0, 2}));
    QTest::keyClick(window.focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(entryWithFocus(), 4);
    EXPECT_EQ(visibleCaptions(), QList<int>{4});

    // The entry with the focus carries a mark, which goes with the focus.
    const QImage marked = hotArea(4)->grab().toImage();
    QTest::keyClick(window.focusWidget(), Qt::Key_Tab);
    EXPECT_NE(hotArea(4)->grab().toImage(), marked);
    QTest::keyClick(window.focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(hotArea(4)->grab().toImage(), marked);
}

TEST_F(MainWindow, EnterAndSpaceOpenTheEntryWithTheFocusAndTheFirstHasItAgainAfter)
{
    EXPECT_EQ(openWithKey(Qt::Key_Return), "CodiceFiscale");
    QTest::keyClick(window.focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(openWithKey(Qt::Key_Enter, Qt::KeypadModifier), "TaSettori");
    EXPECT_EQ(entryWithFocus(), 0);
    hotArea(4)->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(openWithKey(Qt::Key_Space), "TaCitta");
    EXPECT_EQ(entryWithFocus(), 0);

    hotArea(1)->setFocus(Qt::TabFocusReason);
    whenModalOpens([](QWidget* modal) { modal->close(); });
    QTest::mouseClick(hotArea(3), Qt::LeftButton);
    EXPECT_EQ(entryWithFocus(), 0);

    messages.answers = {false};
    hotArea(2)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(hotArea(2), Qt::Key_Return);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.last().text, "Confermi l'abbandono dell'applicazione ?");
    EXPECT_EQ(entryWithFocus(), 2); // still there to try again
}

TEST_F(MainWindow, AltWithThePanelsUnderlinedLetterOpensItsEntry)
{
    const struct {
        int entry;
        Qt::Key key;
        const char* window;
    } entries[] = {{0, Qt::Key_C, "CodiceFiscale"},
                   {1, Qt::Key_M, "TaSettori"},
                   {3, Qt::Key_R, "RicercaCAP"},
                   {4, Qt::Key_T, "TaCitta"}};
    for (const auto& entry : entries) {
        EXPECT_EQ(QKeySequence::mnemonic(panel(entry.entry)->text()),
                  QKeySequence(Qt::ALT | entry.key));
        EXPECT_EQ(openWithKey(entry.key, Qt::AltModifier), entry.window);
    }
    EXPECT_EQ(QKeySequence::mnemonic(panel(2)->text()), QKeySequence(Qt::ALT | Qt::Key_U));
    messages.answers = {false};
    QTest::keyClick(window.focusWidget(), Qt::Key_U, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !messages.shown.empty(); }, kPatienceMs));
    EXPECT_EQ(messages.last().text, "Confermi l'abbandono dell'applicazione ?");
}

TEST_F(MainWindow, LeavingAsksFirstAndNoKeepsTheProgram)
{
    messages.answers = {false};
    QTest::mouseClick(hotArea(2), Qt::LeftButton);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.last().text, "Confermi l'abbandono dell'applicazione ?");
    EXPECT_EQ(messages.last().title, "Attenzione");
    EXPECT_EQ(messages.last().icon, ui::Icon::Question);
    EXPECT_TRUE(messages.last().yesNo);
    EXPECT_TRUE(window.isVisible());

    messages.answers = {false};
    window.close(); // the close box asks the same
    EXPECT_EQ(messages.shown.size(), 2u);
    EXPECT_TRUE(window.isVisible());

    messages.answers = {true};
    window.close();
    EXPECT_FALSE(window.isVisible());
}

TEST_F(MainWindow, AWorkingWindowWhoseDataCannotBeReadStaysClosedAndTheMenuSaysWhy)
{
    std::filesystem::remove(folder / "AA1.mdb");
    UnexpectedWindows opened;
    QList<Qt::CursorShape> pointers;
    messages.onShow = [&](const ui::Message&) {
        pointers << window.cursor().shape();
    };
    for (int entry : {1, 3, 4}) {
        hotArea(entry)->click();
    }
    std::ofstream(folder / "AA1.mdb") << "non sono un archivio";
    hotArea(4)->click();
    EXPECT_EQ(opened.names, QStringList());
    ASSERT_EQ(messages.shown.size(), 4u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_TRUE(
            messages.shown[i].text.contains("AA1.mdb\" nella cartella", Qt::CaseInsensitive))
            << messages.shown[i].text.toStdString();
    }
    EXPECT_TRUE(messages.last().text.contains("non è un archivio valido"));
    for (const ui::Message& message : messages.shown) {
        EXPECT_EQ(message.icon, ui::Icon::Error); // a missing or damaged archive is an error
    }
    EXPECT_EQ(messages.parents, std::vector<QWidget*>(4, &window));
    EXPECT_EQ(pointers, QList<Qt::CursorShape>(4, Qt::ArrowCursor));
    EXPECT_EQ(window.cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(entryWithFocus(), 0);
}

// Every working window reads the database the program chose at start-up, wherever the working
// folder is: there lies another AA1.mdb, which no window opens.
TEST_F(MainWindow, EveryWindowReadsTheDatabaseItIsHandedWhereverTheWorkingFolderIs)
{
    const WorkingFolder elsewhere;
    makeDatabase(elsewhere.path() / "AA1.mdb", {{"ROMA", "Z999"}},
                 {{"99999", "XX", "Altrove", "Lazio"}});
    const std::string untouched = fileContents(elsewhere.path() / "AA1.mdb");
    const auto rows = [](QWidget* modal) {
        return modal->findChild<QTableView*>("grid")->model()->rowCount();
    };
    const struct {
        int entry;
        std::function<void(QWidget*)> check;
    } windows[] = {
        {0,
         [](QWidget* modal) {
             auto* calculation = qobject_cast<CodiceFiscale*>(modal);
             ASSERT_TRUE(calculation);
             typeText(calculation->text1(1), "ROSSI");
             typeText(calculation->text1(22), "MARIO");
             typeText(calculation->text1(6), "ROMA");
             typeText(calculation->text1(4), "01/01/1974");
             calculation->findChild<QPushButton*>("bottone_0")->click();
             EXPECT_EQ(calculation->text1(0)->text(), "RSSMRA74A01H501W");
         }},
        {1,
         [&](QWidget* modal) {
             EXPECT_GT(rows(modal), 10000);
         }},
        {3,
         [&](QWidget* modal) {
             EXPECT_EQ(rows(modal), 8570);
         }},
        {4,
         [&](QWidget* modal) {
             EXPECT_EQ(rows(modal), 8570);
         }},
    };
    for (const auto& opened : windows) {
        whenModalOpens([&](QWidget* modal) {
            opened.check(modal);
            modal->close();
        });
        hotArea(opened.entry)->click();
    }
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(fileNames(elsewhere.path()), std::vector<std::string>{"AA1.mdb"});
    EXPECT_EQ(fileContents(elsewhere.path() / "AA1.mdb"), untouched);
}

TEST_F(MainWindow, OtherActionCodesOnlyHideTheCaptions)
{
    for (qint16 code : {5, -1, 300}) {
        hover(hotArea(1));
        window.RunMenuAction(code);
        EXPECT_TRUE(visibleCaptions().isEmpty());
        EXPECT_TRUE(window.isVisible());
        EXPECT_TRUE(messages.shown.empty());
    }
}

TEST_F(MainWindow, LiveUpdateWithoutItsLibraryTellsTheUser)
{
    auto* liveUpdate = window.findChild<QPushButton*>("Label4");
    ASSERT_TRUE(liveUpdate);
    EXPECT_EQ(liveUpdate->text(), "Live Update");
    // Under the maker's logo, on the window.
    EXPECT_TRUE(window.rect().contains(liveUpdate->geometry()));
    EXPECT_GE(liveUpdate->y(), child("Image3_2")->geometry().bottom());
    window.liveUpdateLink().setProgramFolder(folder.path().c_str());
    liveUpdate->click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(messages.last().text.startsWith("Impossibile trovare la libreria CorvanLU"));
    EXPECT_TRUE(window.isVisible());
}

// The library found beside the program, with no service installed: its own message, then the
// maker's site, and the main window as it was.
TEST_F(MainWindow, LiveUpdateCallsTheLibraryWithTheProductAndTheProgramFolder)
{
    const auto config = folder.path() / "config";
    std::filesystem::create_directories(config);
    const ScopedEnvironment userConfig("XDG_CONFIG_HOME", config.string());
    const ScopedEnvironment systemConfig("XDG_CONFIG_DIRS", config.string());
    const auto opener = folder.path() / "xdg-open";
    std::ofstream(opener) << "#!/bin/sh\necho \"$@\" > \"" << (folder.path() / "opened").string()
                          << "\"\n";
    std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
    const ScopedEnvironment path("PATH", folder.path().string() + ":" + std::getenv("PATH"));

    window.liveUpdateLink().setProgramFolder(MIRELTA_PROGRAM_DIR);
    QString shown;
    whenModalOpens([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_TRUE(box);
        shown = box->windowTitle() + "|" + box->text();
        box->button(QMessageBox::Ok)->click();
    });
    window.findChild<QPushButton*>("Label4")->click();
    EXPECT_TRUE(shown.startsWith("Mirelta|Questa operazione richiede una precedente installazione "
                                 "del servizio \"Corvan Live Update\""))
        << shown.toStdString();
    // The opener writes its line some time after the click; wait for the whole line.
    std::string address;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            std::ifstream opened(folder.path() / "opened");
            return std::getline(opened, address) && !opened.eof();
        },
        10000));
    EXPECT_EQ(address, "https://www.corvan.example/");
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(messages.shown.empty());
}

// Receives the addresses the program opens, in place of the desktop's browser.
class OpenedLinks : public QObject {
    Q_OBJECT
public:
    OpenedLinks() { QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "open"); }
    ~OpenedLinks() override { QDesktopServices::unsetUrlHandler(QStringLiteral("https")); }
    QStringList links;
public slots:
    void open(const QUrl& url) { links << url.toString(); }
};

// At start-up the banner control is placed along the bottom, the group "Gestionale" registered
// and the banners started, in that order: the first banner shown is already one of the group's.
TEST(MainWindowBanner, StartsWithTheGroupsFirstValidBanner)
{
    TemporaryFolder folder;
    TemporaryBannerStore store;
    QImage picture(468, 120, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    const QString picturePath = QString::fromStdString((folder.path() / "uno.png").string());
    ASSERT_TRUE(picture.save(picturePath));
    store.set("N", 1);
    store.set("g1", "GESTIONALE");
    store.set("d1", "20991231");
    store.set("f1", picturePath);
    store.set("l1", "https://www.example.test/uno");
    OpenedLinks opened;

    CalcoloCodiceFiscale window(location::DatabaseName::defaultIn(folder.path()), nullptr,
                                MIRELTA_PROGRAM_DIR);
    auto* banner = window.findChild<QAbstractButton*>("FBanner1");
    ASSERT_TRUE(banner);
    // Along the bottom of the window, its whole width.
    EXPECT_EQ(banner->width(), window.width());
    EXPECT_GE(banner->geometry().bottom(), window.rect().bottom());
    EXPECT_EQ(banner->accessibleName(), "Banner");
    EXPECT_EQ(banner->property("BackColor").value<QColor>(), QColor(Qt::white));
    banner->click();
    EXPECT_EQ(opened.links, QStringList{"https://www.example.test/uno"});
}

TEST(MainWindowBanner, WithoutItsPluginTheWindowHasNoBanner)
{
    TemporaryFolder folder;
    CalcoloCodiceFiscale window(location::DatabaseName::defaultIn(folder.path()), nullptr,
                                folder.path().c_str());
    EXPECT_FALSE(window.findChild<QWidget*>("FBanner1"));
    EXPECT_TRUE(showActive(&window));
}

// The real message box of a database that cannot be opened stands over the main window.
TEST(MissingDatabase, TheMessageBelongsToTheMainWindowAndIsCentredOnIt)
{
    TemporaryFolder folder;
    CalcoloCodiceFiscale window(location::DatabaseName::defaultIn(folder.path()));
    ASSERT_TRUE(showActive(&window));
    UnexpectedWindows opened;
    const QWidget* owner = nullptr;
    QPoint offset;
    whenModalOpens([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_TRUE(box);
        owner = box->parentWidget();
        offset = box->frameGeometry().center() - window.frameGeometry().center();
        box->button(QMessageBox::Ok)->click();
    });
    window.findChild<QAbstractButton*>("Image4_1")->click();
    EXPECT_EQ(owner, &window);
    EXPECT_LE(offset.manhattanLength(), 2) << offset.x() << "," << offset.y();
    EXPECT_EQ(opened.names, QStringList());
}

// The real message box: Italian buttons, and No as the default that Enter presses.
TEST(ExitQuestion, EnterAnswersNoOnTheRealMessageBox)
{
    TemporaryFolder folder;
    CalcoloCodiceFiscale window(location::DatabaseName::defaultIn(folder.path()));
    ASSERT_TRUE(showActive(&window));
    QStringList buttons;
    whenModalOpens([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_TRUE(box);
        EXPECT_EQ(box->text(), "Confermi l'abbandono dell'applicazione ?");
        EXPECT_EQ(box->windowTitle(), "Attenzione");
        EXPECT_EQ(box->icon(), QMessageBox::Question);
        for (QAbstractButton* button : box->buttons()) {
            buttons << button->text().remove('&');
        }
        QTest::keyClick(box, Qt::Key_Enter);
    });
    window.close();
    EXPECT_TRUE(window.isVisible());
    buttons.sort();
    EXPECT_EQ(buttons, (QStringList{"No", "Sì"}));
}

} // namespace

#include "test_mainwindow.moc"
