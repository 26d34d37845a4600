#include "shell/liveupdatelink.h"

#include "location/datalocation.h"

#include <QDir>

namespace {

constexpr const char* kProductCode = "CD4417";

} // namespace

LiveUpdateLink::LiveUpdateLink(QString programFolder) : programFolder_(std::move(programFolder)) {}

QString LiveUpdateLink::bind()
{
    if (function_) {
        return {};
    }
    const QDir folder(programFolder_);
    const QString privateFolder = QString::fromUtf8(location::kPrivateLibraryFolder);
    for (const QString& name :
         {folder.filePath(QStringLiteral("CorvanLU")),
          QDir::cleanPath(folder.filePath(privateFolder + QStringLiteral("/CorvanLU"))),
          QStringLiteral("CorvanLU")}) {
        library_.setFileName(name);
        if (library_.load()) {
            break;
        }
    }
    if (!library_.isLoaded()) {
        return QStringLiteral("Impossibile trovare la libreria CorvanLU, necessaria per "
                              "l'aggiornamento del programma (Live Update).\r\n"
                              "Cartella del programma: %1")
            .arg(QDir::toNativeSeparators(programFolder_));
    }
    function_ = reinterpret_cast<CorvanLiveUpdateFunction>(library_.resolve("CorvanLiveUpdate"));
    if (!function_) {
        return QStringLiteral("La libreria %1 non contiene la funzione CorvanLiveUpdate.")
            .arg(library_.fileName());
    }
    return {};
}

QString LiveUpdateLink::start(const QString& productName)
{
    if (QString failure = bind(); !failure.isEmpty()) {
        return failure;
    }
    const QByteArray name = productName.toLocal8Bit();
    const QByteArray folder = QDir::toNativeSeparators(programFolder_).toLocal8Bit();
    function_(kProductCode, name.constData(), folder.constData());
    return {};
}
