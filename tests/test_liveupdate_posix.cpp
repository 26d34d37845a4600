// The POSIX services of the live-update library, and the built library loaded by a host.

#include "command_line.h"
#include "corvanlu.h"
#include "platform_posix.h"
#include "profile_file.h"
#include "tests/testfolders.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLibrary>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <pthread.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>
#include <variant>

namespace fs = std::filesystem;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;

namespace {

void writeFile(const fs::path& path, const std::string& content, bool executable = false)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
    if (executable) {
        fs::permissions(path, fs::perms::owner_all, fs::perm_options::add);
    }
}

// A program that writes its arguments, one a line, to `record`.
void writeRecorder(const fs::path& path, const fs::path& record)
{
    writeFile(path,
              "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + record.string() + ".part'\nmv '" +
                  record.string() + ".part' '" + record.string() + "'\n",
              true);
}

// Waits for `condition` until it holds or ten seconds have passed; whether it holds.
template <typename Condition> bool eventually(Condition condition)
{
    return QTest::qWaitFor(condition, 10'000);
}

// The lines a detached program recorded, once it has.
std::vector<std::string> recordedLines(const fs::path& record)
{
    eventually([&] { return fs::exists(record); });
    std::ifstream file(record);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        lines.push_back(line);
    }
    return lines;
}

TEST(ProfileValue, SectionsAndKeysMatchWithoutRegardToCase)
{
    const std::string content = "; comment\r\n[Other]\r\nexe=wrong\r\n[ applicazione ]\r\n"
                                "  EXE  =  C:\\LU\\Update.exe \t\r\n";
    EXPECT_EQ(corvanlu::findProfileValue(content, "Applicazione", "exe"), "C:\\LU\\Update.exe");
    EXPECT_EQ(corvanlu::findProfileValue(content, "APPLICAZIONEENG", "exe"), std::nullopt);
    EXPECT_EQ(corvanlu::findProfileValue(content, "Applicazione", "path"), std::nullopt);
    EXPECT_EQ(corvanlu::findProfileValue("", "Applicazione", "exe"), std::nullopt);
}

TEST(ProfileValue, ValuesFollowTheWindowsRules)
{
    const auto value = [](const std::string& line) {
        return corvanlu::findProfileValue("\xEF\xBB\xBF[A]\nnoise\n" + line + "\n", "a", "exe");
    };
    EXPECT_EQ(value("exe=\"/opt/lu/x.exe\""), "/opt/lu/x.exe");
    EXPECT_EQ(value("exe='/opt/lu/x.exe'"), "/opt/lu/x.exe");
    EXPECT_EQ(value("exe=\"/opt/lu/x.exe'"), "\"/opt/lu/x.exe'");
    EXPECT_EQ(value("exe=a=b"), "a=b");
    EXPECT_EQ(value("exe="), "");
    EXPECT_EQ(value("exe=" + std::string(5000, 'x'))->size(), 2047u);
}

TEST(ProfileValue, OnlyTheFirstSectionOfANameCounts)
{
    EXPECT_EQ(corvanlu::findProfileValue("[A]\nother=1\n[B]\nexe=b\n[A]\nexe=second\n", "A", "exe"),
              std::nullopt);
    EXPECT_EQ(corvanlu::findProfileValue("[A]\nexe=first\nexe=again\n", "A", "exe"), "first");
}

class ProfileFolders : public testing::Test {
protected:
    TemporaryFolder folder;
    ScopedEnvironment userFolder{"XDG_CONFIG_HOME", (folder / "user").string()};
    ScopedEnvironment systemFolders{"XDG_CONFIG_DIRS",
                                    (folder / "system1").string() +
                                        ":relative:" + (folder / "system2").string()};

    static std::string read()
    {
        return corvanlu::readProfileString("CorvanLiveUpdate.ini", "Applicazione", "exe",
                                           "default");
    }
};

TEST_F(ProfileFolders, TheUsersFileComesBeforeTheSystemFolders)
{
    EXPECT_EQ(read(), "default");
    writeFile(folder / "system2/CorvanLiveUpdate.ini", "[Applicazione]\nexe=system2\n");
    EXPECT_EQ(read(), "system2");
    writeFile(folder / "system1/CorvanLiveUpdate.ini", "[Applicazione]\nexe=system1\n");
    EXPECT_EQ(read(), "system1");
    writeFile(folder / "user/CorvanLiveUpdate.ini", "[Applicazione]\n");
    EXPECT_EQ(read(), "default");
}

TEST_F(ProfileFolders, ARelativeUserFolderCountsAsUnset)
{
    ScopedEnvironment relative{"XDG_CONFIG_HOME", "user"};
    ScopedEnvironment home{"HOME", (folder / "home").string()};
    writeFile(folder / "home/.config/CorvanLiveUpdate.ini", "[Applicazione]\nexe=home\n");
    EXPECT_EQ(read(), "home");
}

TEST_F(ProfileFolders, FileNamesMatchWithoutRegardToCase)
{
    writeFile(folder / "user/corvanliveupdate.INI", "[Applicazione]\nexe=found\n");
    EXPECT_EQ(read(), "found");
    EXPECT_EQ(corvanlu::readProfileString((folder / "user/corvanliveupdate.INI").string(),
                                          "Applicazione", "exe", ""),
              "found");
}

// A file over the limits counts as unreadable: its values are missing, and the folders after it
// are not looked at, as for a file that cannot be opened.
TEST_F(ProfileFolders, AFileOverTheSizeLimitCountsAsUnreadable)
{
    const fs::path file = folder / "user/CorvanLiveUpdate.ini";
    const std::string head = "[Applicazione]\nexe=user\n";
    writeFile(folder / "system1/CorvanLiveUpdate.ini", "[Applicazione]\nexe=system1\n");
    writeFile(file, head + std::string(corvanlu::kMaxProfileFileSize - head.size(), '\n'));
    EXPECT_EQ(read(), "user");

    std::ofstream(file, std::ios::app) << '\n';
    EXPECT_EQ(read(), "default");
    fs::resize_file(file, 300'000'000); // sparse: nothing of it is read
    EXPECT_EQ(read(), "default");
    // A file with no end is cut short too.
    EXPECT_EQ(corvanlu::readProfileString("/dev/zero", "Applicazione", "exe", "default"),
              "default");
}

TEST_F(ProfileFolders, ALineOverTheLengthLimitMakesTheFileUnreadableWhereverItIs)
{
    const fs::path file = folder / "user/CorvanLiveUpdate.ini";
    const std::string longestComment = ";" + std::string(corvanlu::kMaxProfileLineLength - 1, 'x');
    writeFile(file, "[Applicazione]\nexe=user\r\n" + longestComment + "\r\n" + longestComment);
    EXPECT_EQ(read(), "user");

    for (const std::string& content : {
             "[Applicazione]\nexe=user\n" + longestComment + "x\n",
             "[Applicazione]\nexe=user\n" + longestComment + "x",
             longestComment + "x\n[Applicazione]\nexe=user\n",
             "[Applicazione]\nexe=" + longestComment + "\n",
         }) {
        writeFile(file, content);
        EXPECT_EQ(read(), "default") << "file of " << content.size() << " bytes";
    }
}

// Values are whole wherever the reads of the file end.
TEST_F(ProfileFolders, EveryValueOfALargeFileIsReadWhole)
{
    std::string content = "[A]\n";
    for (int n = 1; n <= 300; ++n) {
        content +=
            "k" + std::to_string(n) + "=" + std::string(static_cast<std::size_t>(n), 'v') + "\n";
    }
    writeFile(folder / "user/large.ini", content);
    for (int n = 1; n <= 300; ++n) {
        const auto value =
            corvanlu::readProfileValue(folder / "user/large.ini", "a", "K" + std::to_string(n));
        ASSERT_EQ(value, std::string(static_cast<std::size_t>(n), 'v')) << "k" << n;
    }
    EXPECT_EQ(corvanlu::readProfileValue(folder / "user/large.ini", "a", "k301"), std::nullopt);
}

TEST(CommandLine, IsSplitTheWayWindowsSplitsIt)
{
    using corvanlu::splitCommandLine;
    EXPECT_THAT(splitCommandLine("CD4417 \"Mirelta\" \"/home/a b/Mirelta\""),
                ElementsAre("CD4417", "Mirelta", "/home/a b/Mirelta"));
    EXPECT_THAT(splitCommandLine("  a\t\tb  "), ElementsAre("a", "b"));
    EXPECT_THAT(splitCommandLine("\"\" x"), ElementsAre("", "x"));
    EXPECT_THAT(splitCommandLine("a\"b c\"d"), ElementsAre("ab cd"));
    EXPECT_THAT(splitCommandLine("C:\\a\\b \"C:\\dir\\\\\" x"),
                ElementsAre("C:\\a\\b", "C:\\dir\\", "x"));
    EXPECT_THAT(splitCommandLine("a\\\"b \"c\\\"d\""), ElementsAre("a\"b", "c\"d"));
    EXPECT_THAT(splitCommandLine("\"a\"\"b\" \"unclosed c"), ElementsAre("a\"b", "unclosed c"));
    EXPECT_THAT(splitCommandLine(" \t "), IsEmpty());
}

class PosixShell : public testing::Test {
protected:
    TemporaryFolder folder;
    corvanlu::PosixPlatform platform;
};

TEST_F(PosixShell, StartsTheProgramDetachedWithItsArguments)
{
    writeRecorder(folder / "service", folder / "args");
    const int result = platform.shellOpen((folder / "service").string(),
                                          "CD4417 \"Mirelta\" \"/home/a b/Mirelta\"");
    EXPECT_GT(result, 32);
    EXPECT_THAT(recordedLines(folder / "args"),
                ElementsAre("CD4417", "Mirelta", "/home/a b/Mirelta"));
}

TEST_F(PosixShell, FailuresBecomeTheShellsNumbersWithTheirTexts)
{
    writeFile(folder / "not-executable", "#!/bin/sh\n");
    writeFile(folder / "not-a-program", "\x01\x02garbage", true);
    EXPECT_EQ(platform.shellOpen((folder / "missing").string(), ""), 2);
    EXPECT_EQ(platform.shellOpen((folder / "not-executable").string(), ""), 5);
    EXPECT_EQ(platform.shellOpen(folder.path().string(), ""), 5);
    EXPECT_EQ(platform.shellOpen((folder / "not-a-program").string(), ""), 11);
    EXPECT_EQ(platform.errorText(2), std::strerror(ENOENT));
    EXPECT_EQ(platform.errorText(5), std::strerror(EACCES));
    EXPECT_EQ(platform.errorText(17), "Unknown error 17");
}

TEST_F(PosixShell, WebAddressesGoToXdgOpen)
{
    writeRecorder(folder / "bin/xdg-open", folder / "opened");
    ScopedEnvironment path("PATH", (folder / "bin").string() + ":/usr/bin:/bin");
    EXPECT_GT(platform.shellOpen("https://www.corvan.example/", ""), 32);
    EXPECT_THAT(recordedLines(folder / "opened"), ElementsAre("https://www.corvan.example/"));
}

TEST_F(PosixShell, OnlyRegularFilesExist)
{
    writeFile(folder / "file", "");
    EXPECT_TRUE(platform.fileExists((folder / "file").string()));
    EXPECT_FALSE(platform.fileExists(folder.path().string()));
    EXPECT_FALSE(platform.fileExists((folder / "missing").string()));
    EXPECT_FALSE(platform.fileExists(""));
}

TEST(PosixMessages, GoToStandardErrorWithoutAQtApplication)
{
    corvanlu::PosixPlatform platform;
    testing::internal::CaptureStderr();
    platform.showMessage("Mirelta", "Riga uno.\nRiga due.", corvanlu::MessageIcon::Information);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Mirelta: Riga uno.\nRiga due.\n");
}

TEST(PosixMessages, AreModalMessageBoxesInAQtApplication)
{
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QApplication application(argc, argv);
    QString shownTitle, shownText;
    QMessageBox::Icon shownIcon = QMessageBox::NoIcon;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        shownTitle = box->windowTitle();
        shownText = box->text();
        shownIcon = box->icon();
        box->button(QMessageBox::Ok)->click();
    });
    corvanlu::PosixPlatform().showMessage("Mirelta", "Non è stato possibile",
                                          corvanlu::MessageIcon::Error);
    EXPECT_EQ(shownTitle, "Mirelta");
    EXPECT_EQ(shownText, QString::fromUtf8("Non è stato possibile"));
    EXPECT_EQ(shownIcon, QMessageBox::Critical);
}

// A host loads the built library by name and calls it as the main program does.
class HostCheck : public testing::Test {
protected:
    void SetUp() override
    {
        library.setFileName(QStringLiteral(CORVANLU_LIBRARY_DIR "/CorvanLU"));
        liveUpdate =
            reinterpret_cast<CorvanLiveUpdateFunction>(library.resolve("CorvanLiveUpdate"));
        ASSERT_NE(liveUpdate, nullptr) << library.errorString().toStdString();
        writeRecorder(folder / "bin/xdg-open", folder / "opened");
    }

    TemporaryFolder folder;
    ScopedEnvironment userFolder{"XDG_CONFIG_HOME", (folder / "config").string()};
    ScopedEnvironment systemFolders{"XDG_CONFIG_DIRS", (folder / "system").string()};
    ScopedEnvironment path{"PATH", (folder / "bin").string() + ":/usr/bin:/bin"};
    QLibrary library;
    CorvanLiveUpdateFunction liveUpdate = nullptr;
    const std::string programFolder = "/home/utente/Mirelta";
};

TEST_F(HostCheck, WithoutTheServiceTheUserIsToldAndTheMakersAddressOpened)
{
    testing::internal::CaptureStderr();
    EXPECT_EQ(liveUpdate("CD4417", "Mirelta", programFolder.c_str()), -3);
    EXPECT_THAT(testing::internal::GetCapturedStderr(),
                HasSubstr("Questa operazione richiede una precedente installazione del servizio "
                          "\"Corvan Live Update\" distribuito con il programma."));
    EXPECT_THAT(recordedLines(folder / "opened"), ElementsAre("https://www.corvan.example/"));
}

TEST_F(HostCheck, TheConfiguredServiceIsStartedWithTheProductsCommandLine)
{
    writeRecorder(folder / "service/Live Update", folder / "args");
    writeFile(folder / "config/CorvanLiveUpdate.ini",
              "[Applicazione]\nexe = " + (folder / "service/Live Update").string() + "\n");
    EXPECT_GT(liveUpdate("CD4417", "Mirelta", programFolder.c_str()), 32);
    EXPECT_THAT(recordedLines(folder / "args"), ElementsAre("CD4417", "Mirelta", programFolder));
    EXPECT_FALSE(fs::exists(folder / "opened"));
}

// How a host has set up SIGPIPE when it calls the library.
enum class HostSigpipe { Default, Handled, Ignored, Blocked, BlockedAndPending };

// What a host saw of one call of the library made in a child process.
struct HostOutcome {
    std::int32_t result = 0;
    bool dispositionKept = false;
    bool maskKept = false;
    int sigpipesHandled = 0;           // by the host's handler during the call
    int sigpipesOnUnblocking = 0;      // by a handler once a blocking host unblocks SIGPIPE
    ssize_t bytesOnStandardError = -1; // -1 when nobody reads it
};

volatile sig_atomic_t sigpipesHandled = 0;

void countSigpipe(int)
{
    sigpipesHandled = sigpipesHandled + 1;
}

bool sameSignals(const sigset_t& a, const sigset_t& b)
{
    for (int signal = 1; signal < NSIG; ++signal) {
        if (sigismember(&a, signal) != sigismember(&b, signal)) {
            return false;
        }
    }
    return true;
}

bool sameDisposition(const struct sigaction& a, const struct sigaction& b)
{
    return a.sa_handler == b.sa_handler && a.sa_flags == b.sa_flags &&
           sameSignals(a.sa_mask, b.sa_mask);
}

// Runs in the child: sets up SIGPIPE as `setting` says, makes standard error a pipe that is read
// or whose reader is gone, and calls the library for an edition that opens no web address.
HostOutcome callAsHost(CorvanLiveUpdateFunction liveUpdate, HostSigpipe setting, bool readerOpen)
{
    struct sigaction action {};
    action.sa_handler = setting == HostSigpipe::Handled   ? countSigpipe
                        : setting == HostSigpipe::Ignored ? SIG_IGN
                                                          : SIG_DFL;
    ::sigaction(SIGPIPE, &action, nullptr);
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    const bool blocked =
        setting == HostSigpipe::Blocked || setting == HostSigpipe::BlockedAndPending;
    ::pthread_sigmask(blocked ? SIG_BLOCK : SIG_UNBLOCK, &pipeSignal, nullptr);
    if (setting == HostSigpipe::BlockedAndPending) {
        ::kill(::getpid(), SIGPIPE);
    }
    int standardError[2];
    if (::pipe2(standardError, O_NONBLOCK) != 0) {
        ::_exit(3);
    }
    ::dup2(standardError[1], STDERR_FILENO);
    ::close(standardError[1]);
    if (!readerOpen) {
        ::close(standardError[0]);
    }

    struct sigaction dispositionBefore {};
    ::sigaction(SIGPIPE, nullptr, &dispositionBefore);
    sigset_t maskBefore;
    ::pthread_sigmask(SIG_SETMASK, nullptr, &maskBefore);

    HostOutcome outcome;
    outcome.result = liveUpdate("ECD4417", "Mirelta", "/home/utente/Mirelta");

    struct sigaction dispositionAfter {};
    ::sigaction(SIGPIPE, nullptr, &dispositionAfter);
    sigset_t maskAfter;
    ::pthread_sigmask(SIG_SETMASK, nullptr, &maskAfter);
    outcome.dispositionKept = sameDisposition(dispositionBefore, dispositionAfter);
    outcome.maskKept = sameSignals(maskBefore, maskAfter);
    outcome.sigpipesHandled = sigpipesHandled;
    if (readerOpen) {
        char text[4096];
        outcome.bytesOnStandardError = ::read(standardError[0], text, sizeof text);
    }
    if (blocked) {
        action.sa_handler = countSigpipe;
        ::sigaction(SIGPIPE, &action, nullptr);
        ::pthread_sigmask(SIG_UNBLOCK, &pipeSignal, nullptr);
        outcome.sigpipesOnUnblocking = sigpipesHandled - outcome.sigpipesHandled;
    }
    return outcome;
}

// The outcome of callAsHost in a child process, or why there is none: the child was killed, or
// did not end within ten seconds.
std::variant<HostOutcome, std::string> runAsHost(CorvanLiveUpdateFunction liveUpdate,
                                                 HostSigpipe setting, bool readerOpen)
{
    int report[2];
    if (::pipe2(report, O_CLOEXEC | O_NONBLOCK) != 0) {
        return "no pipe";
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(report[0]);
        const HostOutcome outcome = callAsHost(liveUpdate, setting, readerOpen);
        const bool written = ::write(report[1], &outcome, sizeof outcome) == sizeof outcome;
        ::_exit(written ? 0 : 4);
    }
    ::close(report[1]);
    int status = 0;
    const bool ended = eventually([&] { return ::waitpid(child, &status, WNOHANG) == child; });
    if (!ended) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
    }
    HostOutcome outcome;
    const bool reported = ::read(report[0], &outcome, sizeof outcome) == sizeof outcome;
    ::close(report[0]);
    if (!ended) {
        return "the host did not end within ten seconds";
    }
    if (WIFSIGNALED(status)) {
        return std::string("the host was killed by ") + ::strsignal(WTERMSIG(status));
    }
    if (!reported) {
        return "the host ended with status " + std::to_string(WEXITSTATUS(status));
    }
    return outcome;
}

TEST_F(HostCheck, AClosedStandardErrorNeitherKillsTheHostNorChangesItsSignals)
{
    const std::pair<HostSigpipe, const char*> settings[] = {
        {HostSigpipe::Default, "default"},
        {HostSigpipe::Handled, "handled"},
        {HostSigpipe::Ignored, "ignored"},
        {HostSigpipe::Blocked, "blocked"},
        {HostSigpipe::BlockedAndPending, "blocked and pending"},
    };
    for (const auto& [setting, name] : settings) {
        SCOPED_TRACE(name);
        const auto run = runAsHost(liveUpdate, setting, false);
        ASSERT_TRUE(std::holds_alternative<HostOutcome>(run)) << std::get<std::string>(run);
        const HostOutcome& outcome = std::get<HostOutcome>(run);
        EXPECT_EQ(outcome.result, CORVANLU_SERVICE_NOT_INSTALLED);
        EXPECT_TRUE(outcome.dispositionKept);
        EXPECT_TRUE(outcome.maskKept);
        EXPECT_EQ(outcome.sigpipesHandled, 0);
        // A SIGPIPE that was pending for the host stays, and the library adds none.
        EXPECT_EQ(outcome.sigpipesOnUnblocking, setting == HostSigpipe::BlockedAndPending ? 1 : 0);
    }
}

TEST_F(HostCheck, AHostThatBlocksSigpipeStillGetsTheMessageOnAReadStandardError)
{
    for (const HostSigpipe setting : {HostSigpipe::Blocked, HostSigpipe::BlockedAndPending}) {
        const auto run = runAsHost(liveUpdate, setting, true);
        ASSERT_TRUE(std::holds_alternative<HostOutcome>(run)) << std::get<std::string>(run);
        const HostOutcome& outcome = std::get<HostOutcome>(run);
        EXPECT_EQ(outcome.result, CORVANLU_SERVICE_NOT_INSTALLED);
        EXPECT_GT(outcome.bytesOnStandardError, 100);
        EXPECT_TRUE(outcome.maskKept);
        EXPECT_EQ(outcome.sigpipesOnUnblocking, setting == HostSigpipe::BlockedAndPending ? 1 : 0);
    }
}

} // namespace
