#pragma once

#include <QString>
#include <QStringList>

// What a banner control knows about the banner on show and the rotation.
struct BannerState {
    int bannerCount = 0;   // value N of the store: banners are numbered 1 to N
    int currentBanner = 0; // the banner on show; 0 is the built-in banner
    QString picturePath;   // where the current picture is loaded from
    QString linkAddress;   // opened when the user clicks the banner
    int displayMinutes = 1;
    int framePeriod = 5000;    // milliseconds each frame stays
    int bandOffset = 0;        // top of the picture band painted next
    int minuteCounter = 0;     // minutes since the current banner was chosen
    QStringList productGroups; // the host's groups, in capitals, duplicates allowed
};
