#include "banner/bannerstore.h"

#include <QSettings>

#include <limits>

BannerStore::BannerStore() = default;
BannerStore::~BannerStore() = default;

void BannerStore::open()
{
    settings_ = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                            QStringLiteral("Corvan"), QStringLiteral("Nimbal"));
    // Only the current user's own values count, not organisation-wide or system-wide ones.
    settings_->setFallbacksEnabled(false);
    settings_->beginGroup(QStringLiteral("B"));
}

std::optional<QString> BannerStore::text(const QString& name) const
{
    return storedText(value(name));
}

std::optional<int> BannerStore::number(const QString& name) const
{
    return storedNumber(value(name));
}

void BannerStore::refresh()
{
    if (settings_) {
        settings_->sync();
    }
}

QVariant BannerStore::value(const QString& name) const
{
    return settings_ ? settings_->value(name) : QVariant();
}

std::optional<QString> storedText(const QVariant& value)
{
    if (!value.isValid() || value.typeId() == QMetaType::QStringList) {
        return std::nullopt;
    }
    QString text;
    if (!QMetaType::convert(value.metaType(), value.constData(), QMetaType::fromType<QString>(),
                            &text)) {
        return std::nullopt;
    }
    return text;
}

std::optional<int> storedNumber(const QVariant& value)
{
    bool ok = false;
    qlonglong number = 0;
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        number = value.toLongLong(&ok);
        break;
    case QMetaType::ULongLong:
        ok = value.toULongLong() <= std::numeric_limits<qint16>::max();
        number = ok ? value.toLongLong() : 0;
        break;
    default:
        if (const auto text = storedText(value)) {
            number = text->trimmed().toLongLong(&ok, 10);
        }
        break;
    }
    if (!ok || number < std::numeric_limits<qint16>::min() ||
        number > std::numeric_limits<qint16>::max()) {
        return std::nullopt;
    }
    return static_cast<int>(number);
}
