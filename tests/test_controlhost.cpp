#include "shell/controlhost.h"
#include "tests/temporarybannerstore.h"

#include <QColor>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QString kBanner = QStringLiteral("CorvanBanner.FBanner");

// The banner control created from the built plugin, as the main window creates it, and driven
// through the meta-object system only.
class ControlHost : public ::testing::Test {
protected:
    TemporaryBannerStore store;
    QWidget window;
};

TEST_F(ControlHost, CreatesTheBannerFromItsPluginByIdentifier)
{
    QWidget* control = createControl(kBanner, &window, BANNER_PLUGIN_DIR);
    ASSERT_NE(control, nullptr);
    EXPECT_STREQ(control->metaObject()->className(), "FBanner");
    EXPECT_EQ(control->parentWidget(), &window);
    EXPECT_EQ(control->accessibleName(), "Banner");

    control->setGeometry(0, 348, 576, 120);
    EXPECT_TRUE(control->setProperty("BackColor", QColor(Qt::white)));
    EXPECT_EQ(control->property("BackColor").value<QColor>(), QColor(Qt::white));
    EXPECT_TRUE(QMetaObject::invokeMethod(control, "AddProductGroup",
                                          Q_ARG(QVariant, QVariant(QStringLiteral("Gestionale")))));
    EXPECT_TRUE(QMetaObject::invokeMethod(control, "ClearProductGroup"));
    EXPECT_TRUE(QMetaObject::invokeMethod(control, "StartBanners"));
    window.show();

    // No banner values: the plugin's own built-in picture is on show.
    const QImage builtIn(QStringLiteral(":/pictures/banner101.gif"));
    ASSERT_FALSE(builtIn.isNull());
    EXPECT_EQ(control->grab().toImage().copy(54, 30, 468, 60).convertToFormat(QImage::Format_RGB32),
              builtIn.copy(0, 0, 468, 60).convertToFormat(QImage::Format_RGB32));

    const auto* frameTimer = control->findChild<QTimer*>("Timer1");
    ASSERT_NE(frameTimer, nullptr);
    EXPECT_TRUE(frameTimer->isActive());
    EXPECT_EQ(frameTimer->interval(), 5000);

    QVariantList properties;
    EXPECT_TRUE(QMetaObject::invokeMethod(control, "saveProperties",
                                          Q_RETURN_ARG(QVariantList, properties)));
    EXPECT_EQ(properties, (QVariantList{QVariantList{"BackColor", "FFFFFF"},
                                        QVariantList{"BackColor", QColor(Qt::white)}}));
}

TEST_F(ControlHost, UnknownIdentifiersCreateNothing)
{
    EXPECT_EQ(createControl("CorvanBanner.Other", &window, BANNER_PLUGIN_DIR), nullptr);
    EXPECT_EQ(createControl(kBanner, &window), nullptr); // no plugin beside the tests
}

TEST_F(ControlHost, BrokenFilesInThePluginFolderArePassedOver)
{
    QTemporaryDir folder;
    QFile plugin(BANNER_PLUGIN_FILE);
    ASSERT_TRUE(plugin.open(QIODevice::ReadOnly));
    const QByteArray image = plugin.readAll();
    const auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    write("liba_empty.so", {});
    write("libb_text.so", "not a library\n");
    write("libc_cut.so", image.left(image.size() / 3));
    write("libd_banner.so", image);

    EXPECT_EQ(createControl("CorvanBanner.Other", &window, folder.path()), nullptr);
    QWidget* control = createControl(kBanner, &window, folder.path());
    ASSERT_NE(control, nullptr);
    EXPECT_STREQ(control->metaObject()->className(), "FBanner");
}

} // namespace
