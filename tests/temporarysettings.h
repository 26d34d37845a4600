#pragma once

#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

// The current user's native settings (QSettings) moved to a temporary folder for the life of the
// object, then back where they were.
class TemporarySettings {
public:
    TemporarySettings()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder_.path());
    }
    ~TemporarySettings()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    }
    TemporarySettings(const TemporarySettings&) = delete;
    TemporarySettings& operator=(const TemporarySettings&) = delete;

private:
    QTemporaryDir folder_;
};
