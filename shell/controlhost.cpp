#include "shell/controlhost.h"

#include "location/datalocation.h"
#include "shell/controlfactory.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QLibrary>
#include <QPluginLoader>
#include <QWidget>

namespace {

// Whether a plugin's metadata say it is a control factory that knows the identifier; reading
// them does not load the plugin.
bool offers(const QJsonObject& metaData, const QString& identifier)
{
    return metaData.value(QLatin1String("IID")).toString() == QLatin1String(ControlFactory_iid) &&
           metaData.value(QLatin1String("MetaData"))
               .toObject()
               .value(QLatin1String("Keys"))
               .toArray()
               .contains(identifier);
}

QWidget* createFrom(const QString& pluginPath, const QString& identifier, QWidget* parent)
{
    QPluginLoader loader(pluginPath);
    if (!offers(loader.metaData(), identifier)) {
        return nullptr;
    }
    // The plugin stays loaded: the control's code lives in it.
    auto* factory = qobject_cast<ControlFactory*>(loader.instance());
    return factory ? factory->create(identifier, parent) : nullptr;
}

QWidget* createFromFolder(const QString& folder, const QString& identifier, QWidget* parent)
{
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files, QDir::Name);
    for (const QFileInfo& file : files) {
        if (!QLibrary::isLibrary(file.fileName())) {
            continue;
        }
        if (QWidget* control = createFrom(file.absoluteFilePath(), identifier, parent)) {
            return control;
        }
    }
    return nullptr;
}

} // namespace

QWidget* createControl(const QString& identifier, QWidget* parent, const QString& extraFolder)
{
    const QDir programFolder(QCoreApplication::applicationDirPath());
    QStringList folders{programFolder.path(),
                        QDir::cleanPath(programFolder.filePath(
                            QString::fromUtf8(location::kPrivateLibraryFolder)))};
    if (!extraFolder.isEmpty()) {
        folders << extraFolder;
    }
    try {
        for (const QString& folder : folders) {
            if (QWidget* control = createFromFolder(folder, identifier, parent)) {
                return control;
            }
        }
    } catch (...) {
        // A plugin that fails while creating its control counts as one that cannot create it.
    }
    return nullptr;
}
