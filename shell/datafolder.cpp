#include "shell/datafolder.h"

#include "ui/messages.h"

#include <QDir>

location::DatabaseName chooseDatabase(const std::filesystem::path& startFolder,
                                      const QString& programFolder)
{
    const location::DataFolder data = location::chooseDataFolder(
        startFolder, std::filesystem::path(programFolder.toStdU16String()));
    if (!data.failure.empty()) {
        ui::inform(nullptr, ui::Icon::Error, QString::fromUtf8(ui::kAttention),
                   QString::fromStdString(data.failure));
        return location::DatabaseName::defaultIn(startFolder);
    }
    if (data.copyMade) {
        const QString file =
            QString::fromStdU16String((data.folder / location::kDatabaseFile).u16string());
        ui::inform(
            nullptr, ui::Icon::Information, QString::fromUtf8(ui::kInformation),
            QStringLiteral("È stata creata la copia personale dell'archivio dei comuni e dei "
                           "CAP:\r\n%1\r\n\r\nLe modifiche e gli elenchi esportati sono "
                           "salvati in questa cartella. Per usare un altro archivio, avviare "
                           "il programma dalla cartella che lo contiene.")
                .arg(QDir::toNativeSeparators(file)));
    }
    return location::DatabaseName::defaultIn(data.folder);
}
