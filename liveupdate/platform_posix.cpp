#include "platform_posix.h"

#include "command_line.h"
#include "profile_file.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <pthread.h>
#include <sys/wait.h>
#include <unistd.h>

namespace corvanlu {

namespace {

struct ShellError {
    int number;
    int errnoValue; // the failure whose system text describes the number
};

// The shell's error numbers that a start can end in.
constexpr ShellError kShellErrors[] = {
    {CORVANLU_SHELL_OUT_OF_RESOURCES, EAGAIN},   {CORVANLU_SHELL_FILE_NOT_FOUND, ENOENT},
    {CORVANLU_SHELL_PATH_NOT_FOUND, ENOTDIR},    {CORVANLU_SHELL_ACCESS_DENIED, EACCES},
    {CORVANLU_SHELL_OUT_OF_MEMORY, ENOMEM},      {CORVANLU_SHELL_NOT_A_PROGRAM, ENOEXEC},
    {CORVANLU_SHELL_SHARING_VIOLATION, ETXTBSY},
};

bool isWebAddress(std::string_view text)
{
    const std::size_t schemeEnd = text.find("://");
    if (schemeEnd == std::string_view::npos || schemeEnd < 2) {
        return false;
    }
    for (const char c : text.substr(0, schemeEnd)) {
        const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                             (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
        if (!allowed) {
            return false;
        }
    }
    return true;
}

// The full path of a program found through $PATH, or the name itself when it is not found.
std::string programOnPath(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::string_view folders = path != nullptr ? path : "";
    while (!folders.empty()) {
        const std::size_t end = folders.find(':');
        const std::string folder(folders.substr(0, end));
        folders.remove_prefix(end == std::string_view::npos ? folders.size() : end + 1);
        const std::string candidate = (folder.empty() ? std::string(".") : folder) + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return name;
}

void reportToParent(int fd, int errnoValue)
{
    [[maybe_unused]] const ssize_t written = ::write(fd, &errnoValue, sizeof errnoValue);
}

// Runs in the forked child, where only async-signal-safe calls are allowed: a second fork leaves
// the program without a parent to wait for it, and the pipe tells the caller whether exec worked.
[[noreturn]] void runDetachedChild(int reportFd, const char* program, char* const* argv)
{
    ::setsid();
    const pid_t grandchild = ::fork();
    if (grandchild != 0) {
        if (grandchild < 0) {
            reportToParent(reportFd, errno);
        }
        ::_exit(0);
    }
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    // Signals the host ignores would stay ignored in the service: it starts with the defaults.
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    for (const int signal : {SIGPIPE, SIGCHLD, SIGINT, SIGQUIT, SIGHUP}) {
        ::sigaction(signal, &defaults, nullptr);
    }
    ::execv(program, argv);
    reportToParent(reportFd, errno);
    ::_exit(127);
}

int readChildReport(int reportFd)
{
    int errnoValue = 0;
    ssize_t got = 0;
    do {
        got = ::read(reportFd, &errnoValue, sizeof errnoValue);
    } while (got < 0 && errno == EINTR);
    return got == static_cast<ssize_t>(sizeof errnoValue) ? errnoValue : 0;
}

void reapChild(pid_t child)
{
    while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
}

int shellResultOf(int errnoValue)
{
    return errnoValue == 0 ? kShellOpened : shellErrorFor(errnoValue);
}

bool qtApplicationOnThisThread()
{
    const auto* application = qobject_cast<QApplication*>(QCoreApplication::instance());
    return application != nullptr && QThread::currentThread() == application->thread();
}

bool signalPending(int signal)
{
    sigset_t pending;
    sigemptyset(&pending);
    return ::sigpending(&pending) == 0 && sigismember(&pending, signal) == 1;
}

// True when `fd` is a pipe or socket whose reading end is gone, so that a write would fail.
bool readerGone(int fd)
{
    pollfd entry{.fd = fd, .events = POLLOUT, .revents = 0};
    return ::poll(&entry, 1, 0) == 1 && (entry.revents & (POLLERR | POLLHUP)) != 0;
}

void writeAll(int fd, std::string_view text)
{
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
}

// Writes `text` on standard error, which may be a pipe whose reader is gone. Such a write raises
// SIGPIPE, which would end the host, and the host's signal settings are its own: SIGPIPE is
// blocked for this thread while writing, a SIGPIPE the write raised is taken off again, and then
// the thread's mask is put back as it was. The host's own output waiting in stderr's buffer goes
// first. When the host blocks SIGPIPE itself and one is pending already, a new one could not be
// told from it, so nothing is written to a pipe known to have lost its reader.
void writeToStandardError(std::string_view text)
{
    const int savedErrno = errno;
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    sigset_t hostMask;
    if (::pthread_sigmask(SIG_BLOCK, &pipeSignal, &hostMask) != 0) {
        return;
    }
    const bool pendingBefore = signalPending(SIGPIPE);
    if (!pendingBefore || !readerGone(STDERR_FILENO)) {
        std::fflush(stderr);
        writeAll(STDERR_FILENO, text);
    }
    if (!pendingBefore && signalPending(SIGPIPE)) {
        const timespec noWait{};
        while (::sigtimedwait(&pipeSignal, nullptr, &noWait) < 0 && errno == EINTR) {
        }
    }
    ::pthread_sigmask(SIG_SETMASK, &hostMask, nullptr);
    errno = savedErrno;
}

} // namespace

int shellErrorFor(int errnoValue)
{
    switch (errnoValue) {
    case ENOENT:
        return CORVANLU_SHELL_FILE_NOT_FOUND;
    case ENOTDIR:
    case ELOOP:
    case ENAMETOOLONG:
        return CORVANLU_SHELL_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
        return CORVANLU_SHELL_ACCESS_DENIED;
    case ENOMEM:
    case E2BIG:
        return CORVANLU_SHELL_OUT_OF_MEMORY;
    case ENOEXEC:
    case ELIBBAD:
        return CORVANLU_SHELL_NOT_A_PROGRAM;
    case ETXTBSY:
        return CORVANLU_SHELL_SHARING_VIOLATION;
    default:
        return CORVANLU_SHELL_OUT_OF_RESOURCES;
    }
}

int startDetached(const std::string& program, const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);

    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        return errno;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(report[0]);
        runDetachedChild(report[1], program.c_str(), argv.data());
    }
    const int forkError = errno;
    ::close(report[1]);
    const int result = child < 0 ? forkError : readChildReport(report[0]);
    ::close(report[0]);
    if (child > 0) {
        reapChild(child);
    }
    return result;
}

std::string PosixPlatform::readProfileString(const std::string& fileName,
                                             const std::string& section, const std::string& key,
                                             const std::string& defaultValue)
{
    return corvanlu::readProfileString(fileName, section, key, defaultValue);
}

bool PosixPlatform::fileExists(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

int PosixPlatform::shellOpen(const std::string& file, const std::string& parameters)
{
    if (isWebAddress(file)) {
        const std::string opener = programOnPath("xdg-open");
        return shellResultOf(startDetached(opener, {opener, file}));
    }
    std::vector<std::string> arguments{file};
    for (std::string& argument : splitCommandLine(parameters)) {
        arguments.push_back(std::move(argument));
    }
    return shellResultOf(startDetached(file, arguments));
}

std::string PosixPlatform::errorText(int errorNumber)
{
    for (const ShellError& error : kShellErrors) {
        if (error.number == errorNumber) {
            return std::strerror(error.errnoValue);
        }
    }
    return "Unknown error " + std::to_string(errorNumber);
}

void PosixPlatform::showMessage(const std::string& title, const std::string& text, MessageIcon icon)
{
    if (qtApplicationOnThisThread()) {
        QMessageBox box(icon == MessageIcon::Error ? QMessageBox::Critical
                                                   : QMessageBox::Information,
                        QString::fromLocal8Bit(title), QString::fromUtf8(text), QMessageBox::Ok);
        box.exec();
        return;
    }
    writeToStandardError(title + ": " + text + "\n");
}

Platform& systemPlatform()
{
    static PosixPlatform platform;
    return platform;
}

} // namespace corvanlu
