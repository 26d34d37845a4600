#include "profile_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace corvanlu {

namespace fs = std::filesystem;

namespace {

std::string_view trimmedBlanks(std::string_view text)
{
    const auto isBlank = [](char c) {
        return c == ' ' || c == '\t' || c == '\r';
    };
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalIgnoringCase(std::string_view a, std::string_view b)
{
    return std::ranges::equal(a, b, {}, asciiLower, asciiLower);
}

std::string_view withoutSurroundingQuotes(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

std::string limitedValue(std::string_view value)
{
    return std::string(value.substr(0, kMaxProfileValueLength));
}

// The name of a "[section]" line, if the line is one.
std::optional<std::string_view> sectionName(std::string_view line)
{
    if (!line.starts_with('[')) {
        return std::nullopt;
    }
    line.remove_prefix(1);
    const std::size_t end = line.rfind(']');
    return trimmedBlanks(end == std::string_view::npos ? line : line.substr(0, end));
}

// Looks for one key in the lines of a profile text, given one at a time.
class ProfileSearch {
public:
    ProfileSearch(std::string_view section, std::string_view key) : section_(section), key_(key) {}

    // Takes the next line, without its line end.
    void addLine(std::string_view line)
    {
        if (firstLine_ && line.starts_with("\xEF\xBB\xBF")) {
            line.remove_prefix(3);
        }
        firstLine_ = false;
        if (done_) {
            return;
        }
        line = trimmedBlanks(line);
        if (const auto name = sectionName(line)) {
            // Only the first section of a name counts.
            done_ = inSection_;
            inSection_ = equalIgnoringCase(*name, section_);
            return;
        }
        const std::size_t equals = line.find('=');
        if (!inSection_ || equals == std::string_view::npos) {
            return;
        }
        if (equalIgnoringCase(trimmedBlanks(line.substr(0, equals)), key_)) {
            value_ = limitedValue(withoutSurroundingQuotes(trimmedBlanks(line.substr(equals + 1))));
            done_ = true;
        }
    }

    const std::optional<std::string>& value() const { return value_; }

private:
    std::string_view section_;
    std::string_view key_;
    bool firstLine_ = true;
    bool inSection_ = false;
    bool done_ = false;
    std::optional<std::string> value_;
};

// Cuts text that arrives in pieces into lines for a search, and tells when a line breaks the
// length limit. Every line is looked at, also after the value was found, so that a file counts as
// unreadable wherever its long line is.
class LineSplitter {
public:
    explicit LineSplitter(ProfileSearch& search) : search_(search) {}

    // Takes the next piece of the text; false once a line is too long.
    bool add(std::string_view piece)
    {
        while (!piece.empty()) {
            const std::size_t end = piece.find('\n');
            const std::string_view part = piece.substr(0, end);
            // One byte more than the limit may be a carriage return before the line feed.
            if (pending_.size() + part.size() > kMaxProfileLineLength + 1) {
                return false;
            }
            if (end == std::string_view::npos) {
                pending_ += part;
                return true;
            }
            if (pending_.empty()) {
                if (!endLine(part)) {
                    return false;
                }
            } else {
                pending_ += part;
                if (!endLine(pending_)) {
                    return false;
                }
                pending_.clear();
            }
            piece.remove_prefix(end + 1);
        }
        return true;
    }

    // Ends the text; false when its last line is too long.
    bool finish() { return pending_.empty() || endLine(pending_); }

private:
    bool endLine(std::string_view line)
    {
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (line.size() > kMaxProfileLineLength) {
            return false;
        }
        search_.addLine(line);
        return true;
    }

    ProfileSearch& search_;
    std::string pending_;
};

// Closes a file descriptor when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }

private:
    int fd_;
};

std::vector<fs::path> configurationFolders()
{
    std::vector<fs::path> folders;
    const auto addIfAbsolute = [&folders](std::string_view folder) {
        if (!folder.empty() && folder.front() == '/') {
            folders.emplace_back(folder);
        }
    };
    const char* home = std::getenv("HOME");
    const char* userFolder = std::getenv("XDG_CONFIG_HOME");
    // A relative XDG_CONFIG_HOME is not valid and counts as unset.
    if (userFolder != nullptr && userFolder[0] == '/') {
        addIfAbsolute(userFolder);
    } else if (home != nullptr && *home != '\0') {
        addIfAbsolute(std::string(home) + "/.config");
    }

    const char* systemFolders = std::getenv("XDG_CONFIG_DIRS");
    std::string_view list =
        systemFolders != nullptr && *systemFolders != '\0' ? systemFolders : "/etc/xdg";
    while (!list.empty()) {
        const std::size_t end = list.find(':');
        addIfAbsolute(list.substr(0, end));
        list.remove_prefix(end == std::string_view::npos ? list.size() : end + 1);
    }
    return folders;
}

std::optional<fs::path> fileInFolder(const fs::path& folder, std::string_view fileName)
{
    std::error_code error;
    const fs::path exact = folder / fileName;
    if (fs::is_regular_file(exact, error)) {
        return exact;
    }
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        if (equalIgnoringCase(entry->path().filename().string(), fileName) &&
            entry->is_regular_file(error)) {
            return entry->path();
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> findProfileValue(std::string_view content, std::string_view section,
                                            std::string_view key)
{
    if (content.size() > kMaxProfileFileSize) {
        return std::nullopt;
    }
    ProfileSearch search(section, key);
    LineSplitter lines(search);
    if (!lines.add(content) || !lines.finish()) {
        return std::nullopt;
    }
    return search.value();
}

std::optional<std::string> readProfileValue(const fs::path& path, std::string_view section,
                                            std::string_view key)
{
    // Not blocking: opening a named pipe would wait for a writer.
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat status {};
    if (file.get() < 0 || ::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode) ||
        static_cast<std::uintmax_t>(status.st_size) > kMaxProfileFileSize) {
        return std::nullopt;
    }
    ProfileSearch search(section, key);
    LineSplitter lines(search);
    char buffer[16 * 1024];
    std::uintmax_t total = 0;
    for (;;) {
        const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        // The file may grow while it is read.
        total += static_cast<std::uintmax_t>(got);
        if (total > kMaxProfileFileSize ||
            !lines.add(std::string_view(buffer, static_cast<std::size_t>(got)))) {
            return std::nullopt;
        }
    }
    if (!lines.finish()) {
        return std::nullopt;
    }
    return search.value();
}

std::optional<fs::path> findProfileFile(std::string_view fileName)
{
    if (fileName.empty()) {
        return std::nullopt;
    }
    if (fileName.find('/') != std::string_view::npos) {
        return fs::path(fileName);
    }
    for (const fs::path& folder : configurationFolders()) {
        if (auto path = fileInFolder(folder, fileName)) {
            return path;
        }
    }
    return std::nullopt;
}

std::string readProfileString(std::string_view fileName, std::string_view section,
                              std::string_view key, std::string_view defaultValue)
{
    const std::optional<fs::path> path = findProfileFile(fileName);
    const std::optional<std::string> value =
        path ? readProfileValue(*path, section, key) : std::nullopt;
    return value ? *value : limitedValue(defaultValue);
}

} // namespace corvanlu
