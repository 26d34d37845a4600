#include "search/selezionaregione.h"
#include "tests/widgettest.h"
#include "ui/dialogresults.h"

#include <QAbstractButton>
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
