#include "location/datalocation.h"

#include "text/files.h"
#include "text/textfold.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <process.h>
#include <windows.h>
#else
#include <pwd.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace location {
namespace {

constexpr const char* kUserFolderName = "Mirelta";

// The reason of a failed file operation, in Italian.
std::string reason(std::error_code error)
{
    return text::fileFailure(error.default_error_condition().value());
}

int processNumber()
{
#ifdef _WIN32
    return _getpid();
#else
    return static_cast<int>(::getpid());
#endif
}

// Copies the shipped database into `folder` as AA1.mdb, made writable. The copy gets its name only
// once complete, and never takes the place of a copy that another instance of the program made
// in the meantime.
std::error_code copyShipped(const fs::path& shipped, const fs::path& folder)
{
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        return error;
    }
    const fs::path partial =
        folder / (std::string(kDatabaseFile) + "." + std::to_string(processNumber()));
    fs::remove(partial, error);
    fs::copy_file(shipped, partial, error);
    if (!error) {
        fs::permissions(partial, fs::perms::owner_read | fs::perms::owner_write,
                        fs::perm_options::add, error);
    }
    if (!error) {
        fs::create_hard_link(partial, folder / kDatabaseFile, error);
        if (error == std::errc::file_exists) {
            error.clear();
        } else if (error) { // a file system without hard links
            error.clear();
            fs::rename(partial, folder / kDatabaseFile, error);
        }
    }
    std::error_code ignored;
    fs::remove(partial, ignored);
    return error;
}

DataFolder failed(std::string reason)
{
    return {{}, false, std::move(reason)};
}

// Whether `startFolder` holds a database to work on: its AA1.mdb, unless that is the shipped
// database itself (the program started in the folder it is installed in).
bool holdsDatabase(const fs::path& startFolder, const fs::path& programFolder)
{
    const auto found = databaseIn(startFolder);
    return found && !isShippedDatabase(*found, programFolder);
}

} // namespace

std::vector<fs::path> defaultDatabasesIn(const fs::path& folder)
{
    std::vector<fs::path> found;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder.empty() ? "." : folder, error)) {
        const fs::path name = entry.path().filename();
        std::error_code ignored;
        if (text::sameIgnoringCase(name.string(), kDatabaseFile) &&
            fs::is_regular_file(entry.path(), ignored)) {
            found.push_back(folder / name);
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

DatabaseName DatabaseName::defaultIn(const fs::path& folder)
{
    DatabaseName name(folder / kDatabaseFile);
    name.anyLetterCase = true;
    return name;
}

std::vector<fs::path> filesNamedBy(const DatabaseName& name)
{
    if (!name.anyLetterCase) {
        return {name.file};
    }
    std::vector<fs::path> found = defaultDatabasesIn(name.folder());
    return found.empty() ? std::vector{name.file} : found;
}

fs::path programFolder()
{
#ifdef _WIN32
    std::wstring name(32768, L'\0');
    const DWORD size = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (size == 0 || size == name.size()) {
        return {};
    }
    name.resize(size);
    return fs::path(name).parent_path();
#else
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::path() : program.parent_path();
#endif
}

fs::path userDataFolder()
{
#ifdef _WIN32
    const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
    return local && *local ? fs::path(local) / kUserFolderName : fs::path();
#else
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && fs::path(data).is_absolute()) {
        return fs::path(data) / kUserFolderName;
    }
    fs::path home;
    if (const char* variable = std::getenv("HOME"); variable && fs::path(variable).is_absolute()) {
        home = variable;
    } else if (const passwd* user = ::getpwuid(::getuid()); user && user->pw_dir) {
        home = user->pw_dir;
    }
    return home.is_absolute() ? home / ".local" / "share" / kUserFolderName : fs::path();
#endif
}

std::optional<fs::path> databaseIn(const fs::path& folder)
{
    if (folder.empty()) {
        return std::nullopt;
    }
    const std::vector<fs::path> found = defaultDatabasesIn(folder);
    if (found.empty()) {
        return std::nullopt;
    }
    return found.size() == 1 ? found.front() : folder / kDatabaseFile;
}

std::optional<fs::path> shippedDatabase(const fs::path& programFolder)
{
    if (programFolder.empty()) {
        return std::nullopt;
    }
    const fs::path file = (programFolder / kShippedDatabase).lexically_normal();
    std::error_code error;
    return fs::is_regular_file(file, error) ? std::optional(file) : std::nullopt;
}

DatabaseName databaseToRead(const fs::path& startFolder, const fs::path& programFolder)
{
    if (databaseIn(startFolder)) {
        return DatabaseName::defaultIn(startFolder);
    }
    if (auto own = databaseIn(userDataFolder())) {
        return *own;
    }
    if (auto shipped = shippedDatabase(programFolder)) {
        return *shipped;
    }
    return DatabaseName::defaultIn(startFolder);
}

DataFolder userCopy(const fs::path& programFolder)
{
    const fs::path folder = userDataFolder();
    if (folder.empty()) {
        return failed("Impossibile stabilire la cartella dei dati dell'utente: la cartella "
                      "personale non è nota (variabile HOME).");
    }
    if (databaseIn(folder)) {
        return {folder, false, {}};
    }
    const auto shipped = shippedDatabase(programFolder);
    if (!shipped) {
        return failed(
            "Archivio " + text::quoted(kDatabaseFile) +
            " non trovato: non è nella cartella di avvio né nella cartella dei dati " +
            text::quoted(folder.string()) + ", e manca l'archivio fornito con il programma " +
            text::quoted((programFolder / kShippedDatabase).lexically_normal().string()) + ".");
    }
    if (const std::error_code failure = copyShipped(*shipped, folder)) {
        return failed("Impossibile creare la copia dell'archivio nella cartella " +
                      text::quoted(folder.string()) + ": " + reason(failure) + ".");
    }
    return {folder, true, {}};
}

DataFolder chooseDataFolder(const fs::path& startFolder, const fs::path& programFolder)
{
    if (holdsDatabase(startFolder, programFolder)) {
        return {startFolder, false, {}};
    }
    return userCopy(programFolder);
}

DatabaseToUpdate databaseToUpdate(const fs::path& startFolder, const fs::path& programFolder)
{
    if (holdsDatabase(startFolder, programFolder)) {
        return {DatabaseName::defaultIn(startFolder), false, {}};
    }
    const DataFolder copy = userCopy(programFolder);
    if (!copy.failure.empty()) {
        return {{}, false, copy.failure};
    }
    return {databaseIn(copy.folder).value_or(copy.folder / kDatabaseFile), copy.copyMade, {}};
}

bool isShippedDatabase(const DatabaseName& name, const fs::path& programFolder)
{
    // A name that stands for several files opens none of them.
    const auto shipped = shippedDatabase(programFolder);
    const std::vector<fs::path> files = filesNamedBy(name);
    std::error_code error;
    return shipped && files.size() == 1 && fs::equivalent(files.front(), *shipped, error);
}

} // namespace location
