#pragma once

#include "tests/temporarysettings.h"

#include <QSettings>
#include <QString>
#include <QVariant>

// A banner store of its own for each test: the current user's native settings are moved to a
// temporary folder for the life of the object (the banner values then live in
// <folder>/Corvan/Nimbal.conf, group "B").
class TemporaryBannerStore {
public:
    TemporaryBannerStore() = default;
    TemporaryBannerStore(const TemporaryBannerStore&) = delete;
    TemporaryBannerStore& operator=(const TemporaryBannerStore&) = delete;

    // Writes a value of group "B", as the software that describes the banners does.
    void set(const QString& name, const QVariant& value)
    {
        QSettings settings = open();
        settings.setValue(QStringLiteral("B/") + name, value);
    }

    void remove(const QString& name)
    {
        QSettings settings = open();
        settings.remove(QStringLiteral("B/") + name);
    }

private:
    static QSettings open()
    {
        return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Corvan"),
                         QStringLiteral("Nimbal"));
    }

    TemporarySettings settings_;
};
