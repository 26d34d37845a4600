#pragma once

#include "banner/bannerstate.h"

#include <QDate>
#include <QString>

class BannerStore;

// Pictures are vertical strips of frames of this height, top frame first.
inline constexpr int kFrameHeight = 60;

// Where the built-in banner leads.
inline constexpr auto kMakerAddress = "https://www.corvan.example/";

// Chooses the banner to show after the current one: the next banner of the store, in number
// order, that belongs to one of the host's groups and whose last day has not passed; the built-in
// banner when there is none left. Values that cannot be read are skipped as described at each
// step; nothing is shown yet.
void ChooseNextBanner(BannerState& state, const BannerStore& store, QDate today);

// Makes the built-in banner current in all but its number: its picture, the maker's address and
// frames of 5 seconds. The display minutes stay as they are.
void LoadDefaultBanner(BannerState& state, QDate today);

// The resource path of the built-in picture for a year: the anniversary edition up to 2004.
QString builtInPicture(int year);

// The registry-style limits: minutes 1..10 (0 and below count as 1), frame seconds 1..30 (0,
// below 0 and above 30 count as 5).
int limitDisplayMinutes(int minutes);
int limitFrameSeconds(int seconds);
