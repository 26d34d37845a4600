#include "search/selezionaregione.h"
#include "tests/widgettest.h"
#include "ui/dialogresults.h"

#include <QAbstractButton>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

TEST(RegionPicker, EachAreaOnTheMapGivesItsRegion)
{
    const char* expected[] = {"Liguria",  "Piemonte", "Valle d'Aosta",  "Lombardia", "Trentino",
                              "Friuli",   "Veneto",   "Emilia Romagna", "Marche",    "Abruzzo",
                              "Molise",   "Puglia",   "Calabria",       "Sicilia",   "Basilicata",
                              "Campania", "Lazio",    "Umbria",         "Toscana",   "Sardegna"};
    for (int i = 0; i < 20; ++i) {
        SelezionaRegione picker;
        showActive(&picker);
        auto* area = picker.findChild<QAbstractButton*>(QStringLiteral("Image2_%1").arg(i));
        ASSERT_TRUE(area);
        EXPECT_EQ(area->accessibleName(), expected[i]);
        // A click in the middle of the area, through the window as the mouse would.
        QTest::mouseClick(area, Qt::LeftButton);
        EXPECT_EQ(results::RegioneScelta, expected[i]);
        EXPECT_FALSE(picker.isVisible());
    }
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
}

} // namespace
