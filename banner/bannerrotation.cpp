#include "banner/bannerrotation.h"

#include "banner/bannerstore.h"

#include <QFileInfo>

#include <algorithm>
#include <optional>

namespace {

constexpr int kBuiltInFramePeriod = 5000;
constexpr int kDefaultFrameSeconds = 5;
constexpr int kMaxDisplayMinutes = 10;
constexpr int kMaxFrameSeconds = 30;

// The name of a value of banner n, such as "g12".
QString valueName(char letter, int n)
{
    return QChar::fromLatin1(letter) + QString::number(n);
}

// A banner belongs to the host when its group equals one of the host's groups. A banner without a
// readable group belongs to any host that has at least one group.
bool belongsToHost(const QStringList& hostGroups, const std::optional<QString>& group)
{
    if (hostGroups.isEmpty()) {
        return false;
    }
    return !group || hostGroups.contains(*group, Qt::CaseSensitive);
}

// Last days are kept as eight digits, year, month, day, so they compare as text. A banner without
// a readable last day never expires.
bool stillValid(const std::optional<QString>& lastDay, QDate today)
{
    return !lastDay || *lastDay >= today.toString(QStringLiteral("yyyyMMdd"));
}

// The built-in pictures live among the resources; a banner never takes them for its own.
bool isUsablePicture(const QString& path)
{
    if (path.startsWith(u':')) {
        return false;
    }
    const QFileInfo file(path);
    return file.isFile() && file.size() > 0;
}

// Takes over the values of the chosen banner. A value that cannot be read keeps what was there,
// except the frame period, which then comes out as 5 seconds.
void takeBannerValues(BannerState& state, const BannerStore& store, QDate today)
{
    const int n = state.currentBanner;
    state.picturePath = store.text(valueName('f', n)).value_or(state.picturePath);
    state.linkAddress = store.text(valueName('l', n)).value_or(state.linkAddress);
    state.displayMinutes =
        limitDisplayMinutes(store.number(valueName('t', n)).value_or(state.displayMinutes));
    const int seconds = store.number(valueName('v', n)).value_or(kDefaultFrameSeconds);
    state.framePeriod = limitFrameSeconds(seconds) * 1000;
    if (!isUsablePicture(state.picturePath)) {
        LoadDefaultBanner(state, today);
    }
}

} // namespace

void ChooseNextBanner(BannerState& state, const BannerStore& store, QDate today)
{
    state.bannerCount = store.number(QStringLiteral("N")).value_or(state.bannerCount);
    for (int n = state.currentBanner + 1; n <= state.bannerCount; ++n) {
        if (belongsToHost(state.productGroups, store.text(valueName('g', n))) &&
            stillValid(store.text(valueName('d', n)), today)) {
            state.currentBanner = n;
            takeBannerValues(state, store, today);
            return;
        }
    }
    state.currentBanner = 0;
    LoadDefaultBanner(state, today);
}

void LoadDefaultBanner(BannerState& state, QDate today)
{
    state.picturePath = builtInPicture(today.year());
    state.linkAddress = QString::fromLatin1(kMakerAddress);
    state.framePeriod = kBuiltInFramePeriod;
}

QString builtInPicture(int year)
{
    return year > 2004 ? QStringLiteral(":/pictures/banner101.gif")
                       : QStringLiteral(":/pictures/banner102.gif");
}

int limitDisplayMinutes(int minutes)
{
    return std::clamp(minutes, 1, kMaxDisplayMinutes);
}

int limitFrameSeconds(int seconds)
{
    return seconds <= 0 || seconds > kMaxFrameSeconds ? kDefaultFrameSeconds : seconds;
}
