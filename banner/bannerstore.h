#pragma once

#include <QString>
#include <QVariant>

#include <memory>
#include <optional>

class QSettings;

// Read-only access to the banner descriptions that other software leaves for the current user:
// organisation "Corvan", application "Nimbal", group "B" of the platform's native settings store
// (HKEY_CURRENT_USER\SOFTWARE\Corvan\Nimbal\B on Windows, ~/.config/Corvan/Nimbal.conf on Linux).
//
// A value "cannot be read" when it is missing or has no usable form; callers then skip the step
// that needed it. Nothing can be read until open() has been called.
class BannerStore {
public:
    BannerStore();
    ~BannerStore();
    BannerStore(const BannerStore&) = delete;
    BannerStore& operator=(const BannerStore&) = delete;

    // Connects to the store (again, if it was open already).
    void open();

    std::optional<QString> text(const QString& name) const;
    std::optional<int> number(const QString& name) const;

    // Picks up values written by other programs since the last look.
    void refresh();

private:
    QVariant value(const QString& name) const;

    std::unique_ptr<QSettings> settings_;
};

// The text form of a stored value; nothing for a missing value or one without a single text form
// (for example a list).
std::optional<QString> storedText(const QVariant& value);

// A stored whole number, kept as a number or as text (blanks around it allowed), within the 16-bit
// range -32768..32767; nothing for anything else.
std::optional<int> storedNumber(const QVariant& value);
