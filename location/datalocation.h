#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// Where the reference database and the program's private libraries are found.
//
// The program and cfcalc work on the AA1.mdb of the folder they are started in, when there is
// one. Elsewhere they work on the user's own copy in the user's data folder, which the program
// makes from the database shipped with it; cfcalc reads that copy, or the shipped database when
// there is no copy yet, and updates that copy, which it makes first when there is none: the
// shipped database is never written. The program chooses its database once, at start-up, and
// hands it to every window. The shipped database and the private libraries are found relative to
// the program's own folder, so an installation under any prefix works:
//
//   <prefix>/bin/            the program and cfcalc
//   <prefix>/lib/mirelta/    the live-update library and the control plugins
//   <prefix>/share/mirelta/  the shipped AA1.mdb
namespace location {

// The name of the database, as the program and cfcalc look for it; any letter case will do.
inline constexpr const char* kDatabaseFile = "AA1.mdb";

inline constexpr const char* kPrivateLibraryFolder = "../lib/mirelta";
inline constexpr const char* kShippedDatabase = "../share/mirelta/AA1.mdb";

// The files of `folder` (empty for the working folder) that hold the default database: those
// named AA1.mdb without regard to letter case ("aa1.MDB"), in name order, each as folder / name.
// A folder or any other file that is not a regular one does not count.
std::vector<std::filesystem::path> defaultDatabasesIn(const std::filesystem::path& folder);

// A database as the windows and tools are handed it: one file exactly as named ("copy.mdb" never
// opens "COPY.mdb"), or the default database of a folder, which is the file of that folder named
// AA1.mdb in any letter case. The folder's default is looked for each time the database is opened
// (see filesNamedBy), so that a file put there later is found, and none is chosen while two names
// there differ only in letter case.
struct DatabaseName {
    DatabaseName() = default;
    // Exactly `exactFile`.
    DatabaseName(std::filesystem::path exactFile) : file(std::move(exactFile)) {}
    static DatabaseName defaultIn(const std::filesystem::path& folder);

    // The folder the database lies in, where the exports are written beside it.
    std::filesystem::path folder() const { return file.parent_path(); }
    bool operator==(const DatabaseName&) const = default;

    std::filesystem::path file; // for a folder's default, folder / AA1.mdb
    bool anyLetterCase = false; // the default of file's folder
};

// The files that `name` can stand for when the database is opened: the file it names exactly; or,
// for a folder's default, the files defaultDatabasesIn finds there, several when they differ only
// in letter case, or folder / AA1.mdb when there is none.
std::vector<std::filesystem::path> filesNamedBy(const DatabaseName& name);

// The folder of the running program's executable; empty when it cannot be told.
std::filesystem::path programFolder();

// The user's data folder: $XDG_DATA_HOME/Mirelta, or ~/.local/share/Mirelta when that variable
// is unset or not an absolute path; on Windows Mirelta in the local application data folder.
// Empty when the user has no home folder.
std::filesystem::path userDataFolder();

// The AA1.mdb of `folder`, its name's letter case ignored when exactly one file has that name;
// folder / AA1.mdb, as spelled, when several differ only in letter case; none when the folder
// holds no such file (a folder of that name does not count).
std::optional<std::filesystem::path> databaseIn(const std::filesystem::path& folder);

// The database shipped with the program in `programFolder`, when it is there.
std::optional<std::filesystem::path> shippedDatabase(const std::filesystem::path& programFolder);

// The database cfcalc reads when none is named: the default database of `startFolder`, the folder
// it was started in, when that holds one; else the user's copy, else the shipped database; else
// again the default of `startFolder`, so that the failure names that folder.
DatabaseName databaseToRead(const std::filesystem::path& startFolder,
                            const std::filesystem::path& programFolder);

// The folder the program works in, chosen by chooseDataFolder.
struct [[nodiscard]] DataFolder {
    std::filesystem::path folder; // empty when none could be set up
    bool copyMade = false;        // the user's copy of the shipped database was made just now
    std::string failure;          // why there is no folder, in Italian, for the user
};

// The user's data folder holding the user's copy of the shipped database, which is made there
// now when there is none yet (copyMade): writable even when the shipped file is not, and named
// only once complete.
DataFolder userCopy(const std::filesystem::path& programFolder);

// Chooses the folder whose database the program works on: `startFolder`, the folder it was started
// in, when that holds AA1.mdb (other than the shipped database), else the user's data folder,
// where the user's copy of the shipped database is made the first time. The copy is writable even
// when the shipped file is not, and it gets its name only once complete.
DataFolder chooseDataFolder(const std::filesystem::path& startFolder,
                            const std::filesystem::path& programFolder);

// The database an update of the municipalities writes when none is named: the default database
// of `startFolder` when it holds one (other than the shipped database), else the user's copy, made
// now when there is none yet, as the program makes it on its first start. The shipped database is
// never the one: without a copy it is copied first.
struct [[nodiscard]] DatabaseToUpdate {
    DatabaseName file;     // empty when there is none
    bool copyMade = false; // the user's copy was made just now
    std::string failure;   // why there is none, in Italian
};
DatabaseToUpdate databaseToUpdate(const std::filesystem::path& startFolder,
                                  const std::filesystem::path& programFolder);

// Whether `name` is the database shipped with the program in `programFolder`, under whatever name
// or link.
bool isShippedDatabase(const DatabaseName& name, const std::filesystem::path& programFolder);

} // namespace location
