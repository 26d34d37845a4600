#include "ui/application.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace ui {

void setUpApplication(QApplication& application)
{
    application.setApplicationName(QStringLiteral("Mirelta"));
    application.setOrganizationName(QStringLiteral("Corvan"));
    QApplication::setDesktopFileName(QStringLiteral("example.corvan.mirelta")); // its menu entry
    const QLocale italian(QLocale::Italian, QLocale::Italy);
    QLocale::setDefault(italian);

    auto* translator = new QTranslator(&application);
    if (translator->load(italian, QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(translator);
    }

    // The windows' own sans-serif type, in the size the user chose for the desktop.
    const QFont desktop = QApplication::font();
    QFont font(QStringList{QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                           QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
    if (desktop.pixelSize() > 0) {
        font.setPixelSize(desktop.pixelSize());
    } else {
        font.setPointSizeF(desktop.pointSizeF());
    }
    QApplication::setFont(font);
}

} // namespace ui
