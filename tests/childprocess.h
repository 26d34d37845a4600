#pragma once

// Conditions a test cannot make in its own process: a user without an administrator's rights, a
// disk that is full. The work runs in a child process given those conditions, and hands back a
// text. Only for tests without threads (not the widget tests).

#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <poll.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

namespace childprocess {

inline constexpr int kNotArranged = 3; // the child could not be given its conditions

// Runs `work` in a child process after `arrange` (which returns false when it cannot make its
// conditions); returns the text `work` returned, or nothing when the conditions could not be made.
// The child is ended if it has not answered within ten seconds.
inline std::optional<std::string> run(const std::function<bool()>& arrange,
                                      const std::function<std::string()>& work)
{
    int channel[2];
    if (::pipe(channel) != 0) {
        return std::nullopt;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        if (!arrange()) {
            ::_exit(kNotArranged);
        }
        const std::string answer = work();
        const bool sent = ::write(channel[1], answer.data(), answer.size()) ==
                          static_cast<ssize_t>(answer.size());
        ::_exit(sent ? 0 : 1);
    }
    ::close(channel[1]);
    std::string answer;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (child > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd readable{channel[0], POLLIN, 0};
        if (left.count() <= 0 || ::poll(&readable, 1, static_cast<int>(left.count())) <= 0) {
            ::kill(child, SIGKILL);
            answer = "(il processo figlio non ha risposto in tempo)";
            break;
        }
        char piece[4096];
        const ssize_t got = ::read(channel[0], piece, sizeof piece);
        if (got <= 0) {
            break;
        }
        answer.append(piece, static_cast<std::size_t>(got));
    }
    ::close(channel[0]);
    int status = 0;
    if (child > 0) {
        ::waitpid(child, &status, 0);
    }
    if (child < 0 || (WIFEXITED(status) && WEXITSTATUS(status) == kNotArranged)) {
        return std::nullopt;
    }
    return answer;
}

// A user without an administrator's rights: permissions apply. An administrator gives them up by
// entering a user namespace of its own, where no file's owner is known to it.
inline bool withoutPrivileges()
{
    return ::geteuid() != 0 || ::unshare(CLONE_NEWUSER) == 0;
}

// A mount namespace of its own, where mounting is allowed: an administrator's, or a user
// namespace's for anyone else.
inline bool ownMounts()
{
    if (::unshare(CLONE_NEWNS) != 0) {
        const uid_t user = ::geteuid();
        const gid_t group = ::getegid();
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
            return false;
        }
        std::ofstream("/proc/self/setgroups") << "deny";
        std::ofstream("/proc/self/uid_map") << "0 " << user << " 1";
        std::ofstream("/proc/self/gid_map") << "0 " << group << " 1";
    }
    return ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

// `folder` becomes an empty disk of `bytes` bytes, seen only by the child.
inline std::function<bool()> smallDisk(const std::filesystem::path& folder, std::size_t bytes)
{
    return [folder, bytes] {
        const std::string size = "size=" + std::to_string(bytes);
        return ownMounts() && ::mount("tmpfs", folder.c_str(), "tmpfs", 0, size.c_str()) == 0;
    };
}

} // namespace childprocess
