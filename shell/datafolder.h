#pragma once

#include "location/datalocation.h"

#include <QCoreApplication>
#include <QString>

#include <filesystem>

// The database the program works on, chosen once at start-up and handed to every window
// (location::chooseDataFolder): AA1.mdb of `startFolder`, the folder the program was started in,
// when it holds one, else that of the user's data folder. Tells the user where the copy of the
// shipped database is when it has just been made, and why there is no database when none can be
// found or copied; the program then works on the AA1.mdb of the folder it was started in, and its
// windows report the missing file.
location::DatabaseName
chooseDatabase(const std::filesystem::path& startFolder,
               const QString& programFolder = QCoreApplication::applicationDirPath());
