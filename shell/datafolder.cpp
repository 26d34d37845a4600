#include "datafolder.h"

#include "catalogue.h"
#include "datalocation.h"
#include "messages.h"

#include <QDir>

namespace ui {

void EnterDataFolder(const QString& programFolder)
{
    const refdata::DataFolder data =
        refdata::EnterDataFolder(std::filesystem::path(programFolder.toStdU16String()));
    if (!data.failure.empty()) {
        Inform(nullptr, Icon::Error, QString::fromUtf8(kAttention),
               QString::fromStdString(data.failure));
    } else if (data.copyMade) {
        const QString file = QString::fromStdU16String(
            (data.folder / refdata::catalogue::kDatabaseFile).u16string());
        Inform(nullptr, Icon::Information, QString::fromUtf8(kInformation),
               QStringLiteral("È stata creata la copia personale dell'archivio dei comuni e dei "
                              "CAP:\r\n%1\r\n\r\nLe modifiche e gli elenchi esportati sono "
                              "salvati in questa cartella. Per usare un altro archivio, avviare "
                              "il programma dalla cartella che lo contiene.")
                   .arg(QDir::toNativeSeparators(file)));
    }
}

} // namespace ui
