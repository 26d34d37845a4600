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

    QFont font(QStringList{QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                           QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
    font.setPixelSize(12);
    QApplication::setFont(font);
}

} // namespace ui
