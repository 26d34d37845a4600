#pragma once

#include <QCoreApplication>
#include <QString>

// Makes the folder of the reference database the program's working folder, before any window
// opens (location::enterDataFolder): the folder the program was started in when it holds AA1.mdb,
// else the user's data folder. Tells the user where the copy of the shipped database is when it
// has just been made, and why there is no database when none can be found or copied; the program
// then stays in the folder it was started in, and its windows report the missing file.
void enterDataFolder(const QString& programFolder = QCoreApplication::applicationDirPath());
