#include "banner/bannerstore.h"
#include "banner/fbanner.h"
#include "tests/temporarybannerstore.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QFile>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QColor kBackground(Qt::white);
const QString kMaker = QStringLiteral("https://www.corvan.example/");
const QList<QColor> kBandColours{Qt::red, Qt::green, Qt::blue, Qt::yellow};

// The control as the main window holds it: 576 × 120 on white, on a fixed day, with the links it
// opens recorded.
class Banner : public ::testing::Test {
protected:
    void SetUp() override { banner = makeBanner(); }

    std::unique_ptr<FBanner> makeBanner()
    {
        auto control = std::make_unique<FBanner>();
        BannerServices services;
        services.today = [this] {
            return today;
        };
        services.openLink = [this](const QUrl& url) {
            opened << url;
        };
        control->setServices(services);
        control->setBackColor(kBackground);
        control->resize(576, 120);
        control->show();
        return control;
    }

    // A picture of 468 pixels across with one plain band of 60 pixels per colour.
    QString writePicture(const QString& name, const QList<QColor>& bands)
    {
        QImage picture(468, 60 * int(bands.size()), QImage::Format_RGB32);
        QPainter painter(&picture);
        for (int i = 0; i < bands.size(); ++i) {
            painter.fillRect(0, 60 * i, 468, 60, bands[i]);
        }
        const QString path = pictures.filePath(name);
        picture.save(path, "PNG");
        return path;
    }

    // Banner n of group GESTIONALE, valid until the end of 2099, of one plain colour.
    void describeBanner(int n, const QColor& colour)
    {
        const QString number = QString::number(n);
        store.set("g" + number, "GESTIONALE");
        store.set("d" + number, "20991231");
        store.set("f" + number, writePicture("banner" + number + ".png", {colour}));
        store.set("l" + number, "https://example.test/" + number);
    }

    void setOrRemove(const QString& name, const QVariant& value)
    {
        value.isValid() ? store.set(name, value) : store.remove(name);
    }

    void start(const QString& group = QStringLiteral("Gestionale"))
    {
        banner->AddProductGroup(group);
        banner->StartBanners();
    }

    // Lets the banner's display minutes pass; the next frame brings the next banner.
    int nextBanner()
    {
        for (int m = 0; m < banner->state().displayMinutes; ++m) {
            banner->minuteTick();
        }
        banner->frameTick();
        return banner->state().currentBanner;
    }

    // The banner on show now and after each of the next `changes` changes.
    QList<int> rotation(int changes)
    {
        QList<int> order{banner->state().currentBanner};
        for (int i = 0; i < changes; ++i) {
            order << nextBanner();
        }
        return order;
    }

    QImage surface() { return banner->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    QColor shownColour() { return surface().pixelColor(banner->width() / 2, banner->height() / 2); }
    // The 468 × 60 area where a picture of that width is drawn.
    QImage shownBand() { return surface().copy(54, 30, 468, 60); }

    static QImage builtInBand(int number, int band)
    {
        return QImage(QStringLiteral(":/pictures/banner%1.gif").arg(number))
            .copy(0, 60 * band, 468, 60)
            .convertToFormat(QImage::Format_RGB32);
    }

    QTimer* timer(const char* name) { return banner->findChild<QTimer*>(name); }

    void clickBanner() { QTest::mouseClick(banner.get(), Qt::LeftButton); }

    QDate today{2025, 6, 15};
    QList<QUrl> opened;
    TemporaryBannerStore store;
    QTemporaryDir pictures;
    std::unique_ptr<FBanner> banner;
};

TEST(BannerValues, AreReadFromTextOrNumbersAndNumbersKeepToSixteenBits)
{
    EXPECT_EQ(storedNumber(QVariant(3)), 3);
    EXPECT_EQ(storedNumber(QVariant(qlonglong(-7))), -7);
    EXPECT_EQ(storedNumber(QVariant(" -4 ")), -4);
    EXPECT_EQ(storedNumber(QVariant(32767)), 32767);
    EXPECT_EQ(storedNumber(QVariant("-32768")), -32768);
    EXPECT_EQ(storedNumber(QVariant(32768)), std::nullopt);
    EXPECT_EQ(storedNumber(QVariant("70000")), std::nullopt);
    EXPECT_EQ(storedNumber(QVariant(qulonglong(1) << 63)), std::nullopt);
    EXPECT_EQ(storedNumber(QVariant("dieci")), std::nullopt);
    EXPECT_EQ(storedNumber(QVariant()), std::nullopt);

    EXPECT_EQ(storedText(QVariant(20251231)), "20251231");
    EXPECT_EQ(storedText(QVariant()), std::nullopt);
    EXPECT_EQ(storedText(QVariant(QStringList{"a", "b"})), std::nullopt);
}

TEST_F(Banner, WithoutAnyValuesTheBuiltInBannerRunsInFramesOfFiveSeconds)
{
    start();

    EXPECT_EQ(banner->state().currentBanner, 0);
    EXPECT_EQ(shownBand(), builtInBand(101, 0));
    EXPECT_TRUE(timer("Timer1")->isActive());
    EXPECT_EQ(timer("Timer1")->interval(), 5000);
    EXPECT_TRUE(timer("Timer2")->isActive());
    EXPECT_EQ(timer("Timer2")->interval(), 60000);

    banner->frameTick();
    EXPECT_EQ(shownBand(), builtInBand(101, 1));
    EXPECT_EQ(nextBanner(), 0); // chosen again after its minute, from the first frame
    EXPECT_EQ(shownBand(), builtInBand(101, 0));

    clickBanner();
    EXPECT_EQ(opened, QList<QUrl>{QUrl(kMaker)});
}

TEST_F(Banner, ShowsTheBuiltInBannerWhenSizedBeforeStarting)
{
    EXPECT_FALSE(timer("Timer1")->isActive());
    EXPECT_FALSE(timer("Timer2")->isActive());
    EXPECT_EQ(shownBand(), builtInBand(101, 0));
    banner->resize(600, 120);
    EXPECT_EQ(surface().copy(66, 30, 468, 60), builtInBand(101, 0));
}

TEST_F(Banner, ValidBannersComeInTurnThenTheBuiltInOneOnce)
{
    const QList<QColor> colours{Qt::red, Qt::green, Qt::blue};
    store.set("N", "3");
    for (int n = 1; n <= 3; ++n) {
        describeBanner(n, colours[n - 1]);
    }
    start();

    QList<int> order{banner->state().currentBanner};
    QList<QColor> shown{shownColour()};
    clickBanner();
    for (int i = 0; i < 4; ++i) {
        order << nextBanner();
        shown << shownColour();
        clickBanner();
    }

    EXPECT_EQ(order, (QList<int>{1, 2, 3, 0, 1}));
    EXPECT_EQ(shown.mid(0, 3), colours);
    EXPECT_EQ(shown[4], colours[0]);
    EXPECT_EQ(opened, (QList<QUrl>{QUrl("https://example.test/1"), QUrl("https://example.test/2"),
                                   QUrl("https://example.test/3"), QUrl(kMaker),
                                   QUrl("https://example.test/1")}));
}

TEST_F(Banner, ABannerStaysForItsMinutesThenTheNextFrameChangesIt)
{
    store.set("N", 2);
    describeBanner(1, Qt::red);
    describeBanner(2, Qt::green);
    store.set("t1", "2");
    start();

    banner->minuteTick();
    banner->frameTick();
    EXPECT_EQ(banner->state().currentBanner, 1);
    banner->minuteTick();
    EXPECT_EQ(banner->state().currentBanner, 1); // the minute only counts
    banner->frameTick();
    EXPECT_EQ(banner->state().currentBanner, 2);
}

TEST_F(Banner, LastDaysUpToTodayAreShownAndPassedOnesSkipped)
{
    store.set("N", 4);
    for (int n = 1; n <= 4; ++n) {
        describeBanner(n, Qt::red);
    }
    store.set("d1", "20250614"); // yesterday
    store.set("d2", "20250615"); // today
    store.remove("d3");
    store.set("d4", 20250616); // tomorrow, kept as a number
    start();

    EXPECT_EQ(rotation(4), (QList<int>{2, 3, 4, 0, 2}));
}

TEST_F(Banner, GroupsMatchInCapitalsAndABannerWithoutGroupSuitsAnyHost)
{
    store.set("N", 4);
    for (int n = 1; n <= 4; ++n) {
        describeBanner(n, Qt::red);
    }
    store.set("g1", "Gestionale"); // never matches: the host's groups are kept in capitals
    store.remove("g2");
    store.set("g4", "CONTABILITÀ");
    banner->AddProductGroup("Contabilità");
    banner->AddProductGroup("gestionale");
    banner->AddProductGroup("gestionale");
    banner->StartBanners();

    EXPECT_EQ(rotation(4), (QList<int>{2, 3, 4, 0, 2}));

    // Without groups not even banner 2, which has none, is shown.
    banner->ClearProductGroup();
    EXPECT_EQ(rotation(3), (QList<int>{2, 0, 0, 0}));
}

TEST_F(Banner, DisplayMinutesAndFramePeriodsAreKeptWithinTheirLimits)
{
    struct Case {
        QVariant minutes, seconds;
        int expectedMinutes, expectedPeriod;
    };
    const Case cases[] = {
        {"0", "0", 1, 5000},
        {"25", "31", 10, 5000},
        {"10", "30", 10, 30000},
        {"-3", "-2", 1, 5000},
        {" 4 ", "12", 4, 12000},
        {"70000", "x", 1, 5000},
        {QVariant(), QVariant(), 1, 5000},
    };
    store.set("N", 1);
    describeBanner(1, Qt::red);
    for (const Case& c : cases) {
        setOrRemove("t1", c.minutes);
        setOrRemove("v1", c.seconds);
        banner = makeBanner();
        start();
        EXPECT_EQ(banner->state().displayMinutes, c.expectedMinutes)
            << c.minutes.toString().toStdString();
        EXPECT_EQ(timer("Timer1")->interval(), c.expectedPeriod)
            << c.seconds.toString().toStdString();
    }
}

TEST_F(Banner, AMissingOrEmptyPictureShowsTheBuiltInOneWithTheMakersAddress)
{
    store.set("N", 2);
    describeBanner(1, Qt::red);
    describeBanner(2, Qt::green);
    store.set("f1", pictures.filePath("nowhere.gif"));
    QFile(pictures.filePath("empty.gif")).open(QIODevice::WriteOnly);
    store.set("f2", pictures.filePath("empty.gif"));
    store.set("t1", 3);
    store.set("v1", 20);
    start();

    EXPECT_EQ(banner->state().currentBanner, 1);
    EXPECT_EQ(shownBand(), builtInBand(101, 0));
    EXPECT_EQ(banner->state().displayMinutes, 3); // the banner's own minutes still count
    EXPECT_EQ(timer("Timer1")->interval(), 5000);
    clickBanner();
    EXPECT_EQ(opened, QList<QUrl>{QUrl(kMaker)});

    EXPECT_EQ(nextBanner(), 2);
    EXPECT_EQ(shownBand(), builtInBand(101, 0));
}

TEST_F(Banner, ABannerWithoutPictureShowsTheBuiltInOneInEveryRound)
{
    store.set("N", 1);
    describeBanner(1, Qt::red);
    store.remove("f1");
    store.set("v1", 20);
    start();

    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(banner->state().currentBanner, 1);
        EXPECT_EQ(shownBand(), builtInBand(101, 0));
        EXPECT_EQ(timer("Timer1")->interval(), 5000);
        clickBanner();
        EXPECT_EQ(opened.last(), QUrl(kMaker));
        EXPECT_EQ(nextBanner(), 0);
        EXPECT_EQ(nextBanner(), 1);
    }
}

TEST_F(Banner, APictureThatCannotBeLoadedLeavesThePreviousOneOnShow)
{
    store.set("N", 2);
    describeBanner(1, Qt::red);
    describeBanner(2, Qt::green);
    QFile broken(pictures.filePath("broken.gif"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a picture");
    broken.close();
    store.set("f2", broken.fileName());
    start();

    EXPECT_EQ(nextBanner(), 2);
    EXPECT_EQ(shownColour(), QColor(Qt::red));
    clickBanner();
    EXPECT_EQ(opened, QList<QUrl>{QUrl("https://example.test/2")});
}

TEST_F(Banner, DrawsOneBandCentredAndAdvancesItEveryFrame)
{
    store.set("N", 1);
    describeBanner(1, Qt::red);
    store.set("f1", writePicture("bands.png", kBandColours));
    start();

    QList<QColor> shown{shownColour()};
    for (int i = 0; i < 4; ++i) {
        banner->frameTick();
        shown << shownColour();
    }
    EXPECT_EQ(shown, kBandColours + QList<QColor>{kBandColours[0]});

    // A 468 × 60 band in 576 × 120 sits at 54, 30; the rest is background.
    const QImage painted = surface();
    EXPECT_EQ(painted.pixelColor(53, 60), kBackground);
    EXPECT_EQ(painted.pixelColor(54, 60), kBandColours[0]);
    EXPECT_EQ(painted.pixelColor(521, 60), kBandColours[0]);
    EXPECT_EQ(painted.pixelColor(522, 60), kBackground);
    EXPECT_EQ(painted.pixelColor(300, 29), kBackground);
    EXPECT_EQ(painted.pixelColor(300, 30), kBandColours[0]);
    EXPECT_EQ(painted.pixelColor(300, 89), kBandColours[0]);
    EXPECT_EQ(painted.pixelColor(300, 90), kBackground);
}

TEST_F(Banner, TheAnniversaryPictureIsUsedUpTo2004)
{
    ASSERT_NE(builtInBand(101, 3), builtInBand(102, 3));
    today = QDate(2004, 12, 31);
    banner = makeBanner();
    banner->StartBanners();
    for (int band = 0; band < 4; ++band) {
        EXPECT_EQ(shownBand(), builtInBand(102, band)) << band;
        banner->frameTick();
    }

    today = QDate(2005, 1, 1);
    EXPECT_EQ(nextBanner(), 0);
    EXPECT_EQ(shownBand(), builtInBand(101, 0));
}

TEST_F(Banner, ANewBackColourRepaintsFromTheFirstFrame)
{
    store.set("N", 1);
    describeBanner(1, Qt::red);
    store.set("f1", writePicture("bands.png", kBandColours));
    start();
    banner->frameTick();
    banner->frameTick();
    QSignalSpy changed(banner.get(), &FBanner::BackColorChanged);

    banner->setProperty("BackColor", QColor(Qt::black));

    EXPECT_EQ(banner->property("BackColor").value<QColor>(), QColor(Qt::black));
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(shownColour(), kBandColours[0]);
    EXPECT_EQ(surface().pixelColor(0, 0), QColor(Qt::black));
}

TEST_F(Banner, StoredPropertiesAreTwoBackColorEntries)
{
    FBanner fresh;
    const QVariantList defaults = fresh.saveProperties();
    ASSERT_EQ(defaults.size(), 2);
    EXPECT_EQ(defaults[0].toList(), (QVariantList{"BackColor", "FFFFFF"}));
    EXPECT_EQ(defaults[1].toList(),
              (QVariantList{"BackColor", fresh.palette().color(QPalette::Button)}));

    const QVariantList saved{QVariantList{"BackColor", "16777215"},
                             QVariantList{"BackColor", QColor(Qt::white)}};
    fresh.loadProperties(saved);
    EXPECT_EQ(fresh.BackColor(), QColor(Qt::white));
    EXPECT_EQ(fresh.saveProperties(), saved);

    fresh.loadProperties({});
    EXPECT_EQ(fresh.saveProperties()[0].toList()[1], "FFFFFF");

    // A colour kept as the Windows number, blue-green-red.
    fresh.loadProperties({QVariantList{"BackColor", "255"}, QVariantList{"BackColor", 0xFF8000}});
    EXPECT_EQ(fresh.BackColor(), QColor(0, 128, 255));
    fresh.loadProperties({QVariantList{"BackColor", "255"}, QVariantList{"BackColor", "16777215"}});
    EXPECT_EQ(fresh.BackColor(), QColor(Qt::white));
}

TEST_F(Banner, InDesignModeAChoiceStopsTheMinuteTimer)
{
    banner->setDesignMode(true);
    start();
    EXPECT_TRUE(timer("Timer2")->isActive());
    nextBanner();
    EXPECT_FALSE(timer("Timer2")->isActive());
    EXPECT_EQ(shownBand(), builtInBand(101, 0));
}

TEST_F(Banner, IsAButtonNamedBannerWhosePressOpensTheLink)
{
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(banner.get());
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->text(QAccessible::Name), "Banner");
    EXPECT_EQ(accessible->role(), QAccessible::Button);
    QAccessibleActionInterface* actions = accessible->actionInterface();
    ASSERT_NE(actions, nullptr);
    ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));

    actions->doAction(QAccessibleActionInterface::pressAction());

    EXPECT_TRUE(QTest::qWaitFor([this] { return !opened.isEmpty(); }, 2000));
    EXPECT_EQ(opened, QList<QUrl>{QUrl(kMaker)});
}

} // namespace
