#include "search/selezionaregione.h"
#include "tests/widgettest.h"
#include "ui/dialogresults.h"

#include <QAbstractButton>
#include <QApplication>
#include <QImage>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

// Where each region's name is written on the map picture, read off the picture itself.
TEST(RegionPicker, AClickOnARegionsNameGivesThatRegion)
{
    const struct {
        QPoint name;
        const char* region;
    } names[] = {
        {{165, 26}, "Lombardia"},       {{309, 10}, "Trentino"},  {{65, 56}, "Valle d'Aosta"},
        {{392, 66}, "Friuli"},          {{361, 120}, "Veneto"},   {{42, 162}, "Piemonte"},
        {{368, 153}, "Emilia Romagna"}, {{368, 194}, "Marche"},   {{84, 221}, "Liguria"},
        {{381, 224}, "Abruzzo"},        {{133, 250}, "Toscana"},  {{428, 245}, "Molise"},
        {{449, 277}, "Puglia"},         {{185, 298}, "Umbria"},   {{208, 332}, "Lazio"},
        {{40, 376}, "Sardegna"},        {{260, 365}, "Campania"}, {{268, 397}, "Basilicata"},
        {{450, 410}, "Calabria"},       {{204, 468}, "Sicilia"},
    };
    for (const auto& [name, region] : names) {
        SelezionaRegione picker;
        showActive(&picker);
        results::RegioneScelta.clear();
        QTest::mouseClick(&picker, Qt::LeftButton, {}, name);
        EXPECT_EQ(results::RegioneScelta, region) << name.x() << "," << name.y();
        EXPECT_FALSE(picker.isVisible());
    }
    // The sea is no region.
    SelezionaRegione picker;
    showActive(&picker);
    QTest::mouseClick(&picker, Qt::LeftButton, {}, QPoint(420, 450));
    EXPECT_TRUE(picker.isVisible());
}

// From the keyboard: the first name has the focus, Tab goes through the names as they are read,
// the arrows go to the nearest name that way, a box marks the name with the focus, and Enter or
// Space picks it.
TEST(RegionPicker, TheKeyboardChoosesARegion)
{
    SelezionaRegione picker;
    ASSERT_TRUE(showActive(&picker));
    const auto focused = [&] {
        return QApplication::focusWidget()->accessibleName();
    };
    EXPECT_EQ(focused(), "Trentino");
    QStringList tabbed;
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        tabbed << focused();
    }
    EXPECT_EQ(tabbed,
              (QStringList{"Lombardia", "Valle d'Aosta", "Friuli", "Veneto", "Emilia Romagna"}));
    QStringList arrowed;
    for (Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Left, Qt::Key_Up, Qt::Key_Right}) {
        QTest::keyClick(QApplication::focusWidget(), key);
        arrowed << focused();
    }
    EXPECT_EQ(arrowed, (QStringList{"Marche", "Abruzzo", "Liguria", "Piemonte", "Emilia Romagna"}))
        << arrowed.join(", ").toStdString();

    auto* area = QApplication::focusWidget();
    const QImage marked = area->grab().toImage();
    QTest::keyClick(area, Qt::Key_Tab);
    EXPECT_NE(area->grab().toImage(), marked);

    results::RegioneScelta.clear();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(results::RegioneScelta, "Piemonte");
    EXPECT_FALSE(picker.isVisible());

    SelezionaRegione again;
    ASSERT_TRUE(showActive(&again));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_EQ(results::RegioneScelta, "Trentino");
}

TEST(RegionPicker, LeavingWithoutAPickGivesTheEmptyText)
{
    SelezionaRegione picker;
    EXPECT_EQ(picker.windowTitle(), "Seleziona la Regione");
    EXPECT_EQ(picker.size(), QSize(487, 502));
    showActive(&picker);
    results::RegioneScelta = "Lazio";
    picker.findChild<QPushButton*>("bottone_3")->click();
    EXPECT_EQ(results::RegioneScelta, "");

    SelezionaRegione closedByItsFrame;
    showActive(&closedByItsFrame);
    results::RegioneScelta = "Lazio";
    closedByItsFrame.close();
    EXPECT_EQ(results::RegioneScelta, "");

    SelezionaRegione leftWithEscape;
    showActive(&leftWithEscape);
    results::RegioneScelta = "Lazio";
    QTest::keyClick(&leftWithEscape, Qt::Key_Escape);
    EXPECT_FALSE(leftWithEscape.isVisible());
    EXPECT_EQ(results::RegioneScelta, "");
}

} // namespace
