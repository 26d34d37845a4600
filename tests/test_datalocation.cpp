// Where the program and cfcalc find the reference database, and what the user is told.
#include "location/datalocation.h"
#include "shell/datafolder.h"
#include "shell/liveupdatelink.h"
#include "storage/datasource.h"
#include "tests/testsupport.h"
#include "tests/widgettest.h"

#include <gtest/gtest.h>

#include <QTest>

#include <fstream>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A program installed under <prefix>, with its shipped database; a user with a home of their
// own and no data yet; the program started from an empty folder.
class DataLocation : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(programFolder);
        fs::create_directories(shipped.parent_path());
        makeDatabase(shipped, {{"ROMA", "H501"}});
        fs::create_directories(home);
        fs::create_directories(start);
    }

    TemporaryFolder sandbox;
    const fs::path prefix = sandbox.path() / "prefix";
    const fs::path programFolder = prefix / "bin";
    const fs::path shipped = prefix / "share" / "mirelta" / "AA1.mdb";
    const fs::path home = sandbox.path() / "home";
    const fs::path start = sandbox.path() / "start";
    const fs::path userFolder = home / ".local" / "share" / "Mirelta";
    const location::DatabaseName startDefault = location::DatabaseName::defaultIn(start);
    ScopedEnvironment homeVariable{"HOME", home.string()};
    ScopedEnvironment dataHome{"XDG_DATA_HOME", ""};
};

// What a database name stands for as the database is opened: a folder's default the file of that
// folder named AA1.mdb in any letter case, several when they differ only by it, or folder/AA1.mdb
// when there is none; a file named exactly that file, in no other letter case.
TEST_F(DataLocation, NamesStandForTheFilesTheyOpen)
{
    using Files = std::vector<fs::path>;
    EXPECT_EQ(location::filesNamedBy(startDefault), Files{start / "AA1.mdb"}); // none yet
    std::ofstream(start / "aa1.Mdb") << "";
    EXPECT_EQ(location::filesNamedBy(startDefault), Files{start / "aa1.Mdb"});
    for (const char* name : {"AA1.mdb", "AA1.MDB", "copia.mdb"}) {
        EXPECT_EQ(location::filesNamedBy(start / name), Files{start / name}) << name;
    }
    std::ofstream(start / "AA1.mdb") << "";
    EXPECT_EQ(location::filesNamedBy(startDefault), (Files{start / "AA1.mdb", start / "aa1.Mdb"}));
    EXPECT_EQ(startDefault.folder(), start);
}

TEST_F(DataLocation, UserDataFolderFollowsXdgDataHomeThenTheHomeFolder)
{
    EXPECT_EQ(location::userDataFolder(), userFolder);
    {
        const ScopedEnvironment relative("XDG_DATA_HOME", "dati");
        EXPECT_EQ(location::userDataFolder(), userFolder);
    }
    {
        const ScopedEnvironment absolute("XDG_DATA_HOME", (sandbox.path() / "dati").string());
        EXPECT_EQ(location::userDataFolder(), sandbox.path() / "dati" / "Mirelta");
    }
    const ScopedEnvironment noHome("HOME", "");
    const fs::path fromAccount = location::userDataFolder(); // the account's home folder
    EXPECT_TRUE(fromAccount.is_absolute()) << fromAccount;
    EXPECT_EQ(fromAccount.filename(), "Mirelta");
}

TEST_F(DataLocation, DatabaseInAFolderIgnoresTheCaseOfItsName)
{
    EXPECT_EQ(location::databaseIn(start), std::nullopt);
    EXPECT_EQ(location::databaseIn(sandbox.path() / "nessuna"), std::nullopt);
    EXPECT_EQ(location::databaseIn(fs::path()), std::nullopt);
    fs::create_directory(start / "AA1.mdb");
    EXPECT_EQ(location::databaseIn(start), std::nullopt); // a folder is no database
    fs::remove(start / "AA1.mdb");
    fs::copy_file(shipped, start / "aa1.MDB");
    EXPECT_EQ(location::databaseIn(start), start / "aa1.MDB");
}

TEST_F(DataLocation, CfcalcReadsTheStartFolderThenTheUserCopyThenTheShippedDatabase)
{
    const auto toRead = [&](const fs::path& program) {
        return location::databaseToRead(start, program);
    };
    EXPECT_TRUE(toRead(programFolder) == location::DatabaseName(shipped));
    EXPECT_TRUE(toRead(fs::path()) == startDefault); // the program's place is unknown

    fs::create_directories(userFolder);
    fs::copy_file(shipped, userFolder / "Aa1.mdb");
    EXPECT_TRUE(toRead(programFolder) == location::DatabaseName(userFolder / "Aa1.mdb"));

    fs::copy_file(shipped, start / "AA1.MDB");
    EXPECT_TRUE(toRead(programFolder) == startDefault);

    fs::remove(start / "AA1.MDB");
    fs::remove(userFolder / "Aa1.mdb");
    fs::remove(shipped);
    EXPECT_TRUE(toRead(programFolder) == startDefault); // the failure names this folder
}

TEST_F(DataLocation, ProgramMakesTheUserCopyOnceAndWorksInIt)
{
    fs::permissions(shipped,
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

    const location::DataFolder first = location::chooseDataFolder(start, programFolder);
    EXPECT_EQ(first.failure, "");
    EXPECT_TRUE(first.copyMade);
    EXPECT_EQ(first.folder, userFolder);
    EXPECT_EQ(fileNames(userFolder), std::vector<std::string>{"AA1.mdb"});
    EXPECT_EQ(fileContents(userFolder / "AA1.mdb"), fileContents(shipped));
    EXPECT_NE(fs::status(userFolder / "AA1.mdb").permissions() & fs::perms::owner_write,
              fs::perms::none);

    const auto inUserFolder = location::DatabaseName::defaultIn(userFolder);
    storage::DataSource comuni(inUserFolder, {"COMUNI", {}, {}}); // the user's change
    comuni.refresh();
    comuni.edit();
    comuni.setFieldValue("codice", "Z999");
    comuni.update();

    const location::DataFolder again = location::chooseDataFolder(start, programFolder);
    EXPECT_FALSE(again.copyMade);
    EXPECT_EQ(again.folder, userFolder);
    storage::DataSource kept(inUserFolder, {"COMUNI", {}, {}});
    kept.refresh();
    EXPECT_EQ(kept.fieldValue("codice"), "Z999");
}

TEST_F(DataLocation, ProgramStartedBesideADatabaseWorksOnIt)
{
    fs::copy_file(shipped, start / "AA1.MDB");
    const location::DataFolder data = location::chooseDataFolder(start, programFolder);
    EXPECT_EQ(data.failure, "");
    EXPECT_FALSE(data.copyMade);
    EXPECT_EQ(data.folder, start);
    EXPECT_FALSE(fs::exists(userFolder));
}

// The shipped database is never the one worked on or updated, not even when the program starts
// in its folder: the user's copy is made and used instead. An update names the copy it makes.
TEST_F(DataLocation, TheShippedDatabaseIsNeverTheOneWrittenTo)
{
    const fs::path installed = shipped.parent_path();
    const location::DatabaseToUpdate update = location::databaseToUpdate(installed, programFolder);
    EXPECT_EQ(update.failure, "");
    EXPECT_TRUE(update.copyMade);
    EXPECT_TRUE(update.file == location::DatabaseName(userFolder / "AA1.mdb"));
    EXPECT_FALSE(location::databaseToUpdate(installed, programFolder).copyMade); // made once

    const location::DataFolder data = location::chooseDataFolder(installed, programFolder);
    EXPECT_EQ(data.failure, "");
    EXPECT_EQ(data.folder, userFolder);

    for (const fs::path& file : {shipped, userFolder / "AA1.mdb"}) {
        EXPECT_EQ(location::isShippedDatabase(file, programFolder), file == shipped) << file;
    }
    fs::create_symlink(shipped, start / "AA1.mdb");
    EXPECT_TRUE(location::isShippedDatabase(start / "AA1.mdb", programFolder));
    EXPECT_TRUE(location::isShippedDatabase(startDefault, programFolder));

    EXPECT_TRUE(location::databaseToUpdate(start, programFolder).file ==
                location::DatabaseName(userFolder / "AA1.mdb"));
    fs::remove(start / "AA1.mdb");
    fs::copy_file(shipped, start / "aa1.MDB");
    EXPECT_TRUE(location::databaseToUpdate(start, programFolder).file == startDefault);
}

TEST_F(DataLocation, FailuresSayWhy)
{
    fs::remove(shipped);
    const location::DataFolder missing = location::chooseDataFolder(start, programFolder);
    EXPECT_TRUE(missing.folder.empty());
    EXPECT_NE(missing.failure.find("non trovato"), std::string::npos) << missing.failure;
    EXPECT_NE(missing.failure.find(shipped.string()), std::string::npos) << missing.failure;
    EXPECT_FALSE(fs::exists(userFolder));

    makeDatabase(shipped, {{"ROMA", "H501"}});
    std::ofstream(sandbox.path() / "file") << "not a folder";
    const ScopedEnvironment blocked("XDG_DATA_HOME", (sandbox.path() / "file").string());
    const location::DataFolder unwritable = location::chooseDataFolder(start, programFolder);
    EXPECT_TRUE(unwritable.folder.empty());
    EXPECT_EQ(unwritable.failure, "Impossibile creare la copia dell'archivio nella cartella \"" +
                                      (sandbox.path() / "file" / "Mirelta").string() +
                                      "\": nel percorso c'è un file al posto di una cartella.");
}

// The database the program hands its windows, chosen at start-up: the user's copy, told when it
// is made; without one, that of the folder it was started in, and the user is told why.
TEST_F(DataLocation, ProgramTellsTheUserWhereTheCopyIsOrWhyThereIsNone)
{
    RecordedMessages messages;
    const QString program = QString::fromStdString(programFolder.string());
    const auto inUserFolder = location::DatabaseName::defaultIn(userFolder);
    EXPECT_TRUE(chooseDatabase(start, program) == inUserFolder);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.last().icon, ui::Icon::Information);
    EXPECT_EQ(messages.last().title, "Informazione");
    EXPECT_TRUE(
        messages.last().text.contains(QString::fromStdString((userFolder / "AA1.mdb").string())))
        << messages.last().text.toStdString();

    EXPECT_TRUE(chooseDatabase(start, program) == inUserFolder); // the copy is there: nothing told
    EXPECT_EQ(messages.shown.size(), 1u);

    const ScopedEnvironment otherUser("XDG_DATA_HOME", (sandbox.path() / "altro").string());
    fs::remove(shipped);
    EXPECT_TRUE(chooseDatabase(start, program) == startDefault);
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.last().icon, ui::Icon::Error);
    EXPECT_TRUE(messages.last().text.startsWith("Archivio \"AA1.mdb\" non trovato"));
}

// Installed, the live-update library lives in the private library folder, not beside the program.
TEST_F(DataLocation, LiveUpdateLibraryIsFoundInThePrivateLibraryFolder)
{
    const fs::path libraries = prefix / "lib" / "mirelta";
    fs::create_directories(libraries);
    fs::copy_file(fs::path(MIRELTA_PROGRAM_DIR) / "libCorvanLU.so", libraries / "libCorvanLU.so");

    // A stand-in for the live-update service, which notes how it was started.
    const fs::path service = sandbox.path() / "service";
    const fs::path called = sandbox.path() / "called";
    std::ofstream(service) << "#!/bin/sh\necho \"$1\" > '" << called.string() << ".new'\nmv '"
                           << called.string() << ".new' '" << called.string() << "'\n";
    fs::permissions(service, fs::perms::owner_all);
    const fs::path config = sandbox.path() / "config";
    fs::create_directories(config);
    std::ofstream(config / "CorvanLiveUpdate.ini") << "[Applicazione]\nexe=" << service.string();
    const ScopedEnvironment userConfig("XDG_CONFIG_HOME", config.string());
    const ScopedEnvironment systemConfig("XDG_CONFIG_DIRS", config.string());

    LiveUpdateLink link(QString::fromStdString(programFolder.string()));
    EXPECT_EQ(link.start(QStringLiteral("Mirelta")).toStdString(), "");
    EXPECT_TRUE(QTest::qWaitFor([&] { return fs::exists(called); }, 10000));
    EXPECT_EQ(fileContents(called), "CD4417\n");
}

} // namespace
