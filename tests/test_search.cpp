#include "location/datalocation.h"
#include "search/boxinputta.h"
#include "search/ricercacap.h"
#include "tests/testsupport.h"
#include "tests/widgettest.h"
#include "ui/dialogresults.h"

#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>

#include <gtest/gtest.h>

namespace {

class InputBox : public ::testing::Test {
protected:
    void SetUp() override
    {
        box.setWindowTitle("Ricerca per Località");
        box.setPrompt("Immettere Località da ricercare");
        box.setMaxLength(80);
        box.setDescriptionSearchEnabled(true);
        ASSERT_TRUE(showActive(&box));
    }
    QLineEdit* testo() { return box.findChild<QLineEdit*>("testo"); }
    QCheckBox* check() { return box.findChild<QCheckBox*>("Check"); }
    QPushButton* button(int index)
    {
        return box.findChild<QPushButton*>(QStringLiteral("bottone_%1").arg(index));
    }
    boxinputta box;
};

TEST_F(InputBox, TypedSmallLettersBecomeCapitalsAndOkGivesTheText)
{
    EXPECT_EQ(box.findChild<QLabel*>("Label")->text(), "Immettere Località da ricercare");
    EXPECT_EQ(testo()->accessibleName(), "Immettere Località da ricercare");
    EXPECT_EQ(check()->accessibleName(), "Ricerca nella descrizione");
    EXPECT_FALSE(check()->isChecked());
    typeText(testo(), "sant'àngelo");
    EXPECT_EQ(testo()->text(), "SANT'ÀNGELO");
    check()->setChecked(true);
    button(0)->click();
    EXPECT_EQ(results::TestoImmesso, "SANT'ÀNGELO");
    EXPECT_EQ(results::RicercaDescrizione, 1);
    EXPECT_FALSE(box.isVisible());
}

TEST_F(InputBox, EnterActsAsOkOnlyInTheTextAndEscapeAsUscita)
{
    EXPECT_FALSE(button(0)->isDefault());
    EXPECT_FALSE(button(1)->isDefault());
    typeText(testo(), "roma");
    QTest::keyClick(check(), Qt::Key_Return);
    EXPECT_TRUE(box.isVisible());
    results::RicercaDescrizione = 1;
    QTest::keyClick(testo(), Qt::Key_Return);
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(results::TestoImmesso, "ROMA");
    EXPECT_EQ(results::RicercaDescrizione, 0);

    for (bool inTheText : {true, false}) {
        boxinputta again;
        ASSERT_TRUE(showActive(&again));
        auto* text = again.findChild<QLineEdit*>("testo");
        typeText(text, "milano");
        results::RicercaDescrizione = 1;
        QTest::keyClick(inTheText ? static_cast<QWidget*>(text) : again.findChild<QCheckBox*>(),
                        Qt::Key_Escape);
        EXPECT_FALSE(again.isVisible());
        EXPECT_EQ(results::TestoImmesso, "");
        EXPECT_EQ(text->text(), "");
        EXPECT_EQ(results::RicercaDescrizione, 1);
    }
}

TEST_F(InputBox, LeavingGivesNoTextAndKeepsTheCheckBoxResult)
{
    typeText(testo(), "roma");
    results::TestoImmesso = "PRIMA";
    results::RicercaDescrizione = 1;
    button(1)->click();
    EXPECT_EQ(results::TestoImmesso, "");
    EXPECT_EQ(results::RicercaDescrizione, 1);
    EXPECT_TRUE(testo()->text().isEmpty());

    boxinputta closedByItsFrame;
    showActive(&closedByItsFrame);
    results::TestoImmesso = "PRIMA";
    closedByItsFrame.close();
    EXPECT_EQ(results::TestoImmesso, "");
}

TEST_F(InputBox, FocusEmptiesTheClipboardAndTheLengthIsLimited)
{
    button(0)->setFocus();
    QApplication::clipboard()->setText("altro");
    testo()->setFocus();
    EXPECT_TRUE(QApplication::clipboard()->text().isEmpty());
    box.setMaxLength(3);
    typeText(testo(), "abcdef");
    EXPECT_EQ(testo()->text(), "ABC");
}

class PostalCodeSearch : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder.copyShippedDatabase();
        window = std::make_unique<RicercaCAP>(location::DatabaseName::defaultIn(folder.path()));
        ASSERT_TRUE(showActive(window.get()));
    }
    QTableView* grid() { return window->findChild<QTableView*>("grid"); }
    int rows() { return grid()->model()->rowCount(); }
    QString cell(int row, int column)
    {
        return grid()->model()->index(row, column).data().toString();
    }
    int currentRow() { return grid()->currentIndex().row(); }
    QString shownCode() { return window->findChild<QLineEdit*>("Text1")->text(); }
    QString shownLocality() { return window->findChild<QLabel*>("SSPanel1_15")->text(); }
    QString listCaption() { return window->findChild<QLabel*>("gridCaption")->text(); }
    void press(int index)
    {
        window->findChild<QPushButton*>(QStringLiteral("bottone_%1").arg(index))->click();
    }
    // "&Regione", answering the map with the area of `regionIndex` (-1 for "&Uscita").
    void pickRegion(int regionIndex)
    {
        whenModalOpens([regionIndex](QWidget* picker) {
            if (regionIndex < 0) {
                picker->findChild<QPushButton*>("bottone_3")->click();
            } else {
                picker->findChild<QAbstractButton*>(QStringLiteral("Image2_%1").arg(regionIndex))
                    ->click();
            }
        });
        press(RicercaCAP::Region);
    }
    // "Tro&va ", typing `text` into the input box and ticking its check box or not.
    void find(const QString& text, bool inDescription, bool cancel = false)
    {
        whenModalOpens([=](QWidget* box) {
            EXPECT_EQ(box->windowTitle(), "Ricerca per Località");
            typeText(box->findChild<QLineEdit*>("testo"), text);
            box->findChild<QCheckBox*>("Check")->setChecked(inDescription);
            box->findChild<QPushButton*>(cancel ? "bottone_1" : "bottone_0")->click();
        });
        press(RicercaCAP::Find);
    }
    QStringList column(int index)
    {
        QStringList values;
        for (int row = 0; row < rows(); ++row) {
            values << cell(row, index);
        }
        return values;
    }

    TemporaryFolder folder;
    RecordedMessages messages;
    std::unique_ptr<RicercaCAP> window;
};

TEST_F(PostalCodeSearch, ListsEveryLocalityAndShowsTheOneUnderTheCursor)
{
    EXPECT_EQ(window->windowTitle(), "Ricerca CAP Italiani");
    EXPECT_EQ(rows(), 8570);
    EXPECT_EQ(currentRow(), 0);
    EXPECT_EQ(shownCode(), cell(0, 0));
    EXPECT_EQ(shownLocality(), cell(0, 2));
    grid()->setCurrentIndex(grid()->model()->index(1234, 1));
    EXPECT_EQ(shownCode(), cell(1234, 0));
    EXPECT_EQ(shownLocality(), cell(1234, 2));
    EXPECT_EQ(grid()->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(grid()->accessibleName(), "Dati");
    EXPECT_EQ(window->findChild<QLineEdit*>("Text1")->accessibleName(), "CAP");
    EXPECT_EQ(window->findChild<QLabel*>("SSPanel1_15")->accessibleName(), "Località");
}

TEST_F(PostalCodeSearch, RegionNarrowsTheListAndLeavingTheMapKeepsIt)
{
    pickRegion(2);
    EXPECT_EQ(rows(), 74);
    EXPECT_EQ(column(3).removeDuplicates(), 73);
    EXPECT_EQ(cell(0, 3), "Valle d'Aosta");
    EXPECT_EQ(shownLocality(), cell(0, 2));
    EXPECT_EQ(window->cursor().shape(), Qt::ArrowCursor);

    pickRegion(-1);
    EXPECT_EQ(rows(), 74);
    pickRegion(3);
    const QStringList regions = column(3);
    EXPECT_TRUE(std::all_of(regions.begin(), regions.end(),
                            [](const QString& r) { return r == "Lombardia"; }));
    press(RicercaCAP::All);
    EXPECT_EQ(rows(), 8570);
}

// The region in force is named over the list until the list holds every region again.
TEST_F(PostalCodeSearch, TheRegionInForceIsNamedOverTheList)
{
    EXPECT_EQ(listCaption(), "Dati");
    pickRegion(2);
    EXPECT_EQ(listCaption(), "Dati - Regione: Valle d'Aosta");
    EXPECT_EQ(grid()->accessibleDescription(), "Regione: Valle d'Aosta");
    find("aosta", false); // moves inside the region
    EXPECT_EQ(listCaption(), "Dati - Regione: Valle d'Aosta");
    press(RicercaCAP::All);
    EXPECT_EQ(listCaption(), "Dati");
    EXPECT_EQ(grid()->accessibleDescription(), "");

    pickRegion(16);
    EXPECT_EQ(listCaption(), "Dati - Regione: Lazio");
    pickRegion(-1);
    EXPECT_EQ(listCaption(), "Dati - Regione: Lazio");
    find("castel", true); // looks in every region
    EXPECT_EQ(listCaption(), "Dati");
    EXPECT_TRUE(column(3).contains("Lombardia"));
}

TEST_F(PostalCodeSearch, ThePostalCodeCanBeReadButNotChanged)
{
    auto* code = window->findChild<QLineEdit*>("Text1");
    const QString shown = code->text();
    typeText(code, "99");
    QTest::keyClick(code, Qt::Key_Backspace);
    QApplication::clipboard()->setText("00000");
    QTest::keyClick(code, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(code->text(), shown);
    grid()->setFocus();
    QStringList stops;
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        stops << QApplication::focusWidget()->objectName();
    }
    EXPECT_FALSE(stops.contains("Text1")) << stops.join(" ").toStdString();
}

TEST_F(PostalCodeSearch, FindMovesToTheFirstLocalityBeginningWithTheText)
{
    find("mil", false);
    EXPECT_TRUE(messages.shown.empty());
    const QStringList names = column(2);
    const int first = static_cast<int>(
        names.indexOf(QRegularExpression("^mil.*", QRegularExpression::CaseInsensitiveOption)));
    EXPECT_EQ(currentRow(), first);
    EXPECT_EQ(cell(currentRow(), 2), "Milano");
    EXPECT_EQ(shownCode(), cell(first, 0));
    EXPECT_EQ(rows(), 8570); // the list stays as it was
    // In the middle of the list, with the localities around it in view.
    const QRect found = grid()->visualRect(grid()->currentIndex());
    const int middle = grid()->viewport()->height() / 2;
    EXPECT_LE(std::abs(found.center().y() - middle), found.height()) << found.y();

    find("atlantide", false);
    EXPECT_EQ(messages.last().text, "Località non presente in archivio !");
    // Narrowed to a region, a locality of another region is said to be there.
    pickRegion(3); // Lombardia
    find("napoli", false);
    EXPECT_EQ(messages.last().text, "Località non presente nella regione Lombardia: Napoli è in "
                                    "Campania !");
    find("atlantide", false);
    EXPECT_EQ(messages.last().text, "Località non presente in archivio !");
    EXPECT_EQ(messages.last().title, "Attenzione");
    EXPECT_EQ(messages.last().icon, ui::Icon::Information);
}

TEST_F(PostalCodeSearch, SearchInTheNameReplacesTheList)
{
    find("castel", true);
    EXPECT_GT(rows(), 100);
    const QStringList names = column(2);
    EXPECT_TRUE(std::all_of(names.begin(), names.end(), [](const QString& name) {
        return name.contains("castel", Qt::CaseInsensitive);
    }));
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    }));
    find("nessun luogo", true);
    EXPECT_EQ(rows(), 0);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.last().text, "Nessuna località contiene «NESSUN LUOGO» !");
    EXPECT_EQ(shownCode(), ""); // nothing listed, nothing shown
    EXPECT_EQ(shownLocality(), "");
    press(RicercaCAP::Find); // nothing listed: no input box at all
    EXPECT_EQ(rows(), 0);
}

// "Tro&va " is the default button: Enter in the list searches.
TEST_F(PostalCodeSearch, EnterInTheListSearches)
{
    EXPECT_TRUE(window->findChild<QPushButton*>("bottone_2")->isDefault());
    grid()->setFocus();
    QString opened;
    whenModalOpens([&](QWidget* box) {
        opened = box->windowTitle();
        typeText(box->findChild<QLineEdit*>("testo"), "roma");
        QTest::keyClick(box->findChild<QLineEdit*>("testo"), Qt::Key_Return);
    });
    QTest::keyClick(grid(), Qt::Key_Return);
    EXPECT_EQ(opened, "Ricerca per Località");
    EXPECT_EQ(cell(currentRow(), 2), "Roma");
}

TEST_F(PostalCodeSearch, CancellingTheInputBoxChangesNothing)
{
    grid()->setCurrentIndex(grid()->model()->index(42, 0));
    find("roma", false, true);
    EXPECT_EQ(currentRow(), 42);
    EXPECT_EQ(rows(), 8570);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(PostalCodeSearch, ApostropheInTheTextMatchesItself)
{
    find("sant'angelo", true);
    EXPECT_GT(rows(), 0);
    EXPECT_TRUE(cell(0, 2).contains("Sant'Angelo", Qt::CaseInsensitive));
}

} // namespace
