#pragma once

// Profile (INI) files on POSIX systems, read by the rules of Windows profile files, line by line
// and within limits: a file larger than kMaxProfileFileSize, or with a line longer than
// kMaxProfileLineLength (its line end not counted), counts as unreadable, and an unreadable file
// as one that holds no value.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace corvanlu {

// The longest value a profile read returns.
inline constexpr std::size_t kMaxProfileValueLength = 2047;

inline constexpr std::uintmax_t kMaxProfileFileSize = 1024 * 1024;
inline constexpr std::size_t kMaxProfileLineLength = 64 * 1024;

// The value of `key` in the first section named `section` of the profile text `content`. Names
// are compared without regard to ASCII case; the value is trimmed and loses one pair of
// surrounding quotes. Nothing when the section or the key is missing, or the text is over the
// limits.
std::optional<std::string> findProfileValue(std::string_view content, std::string_view section,
                                            std::string_view key);

// The same for the file at `path`. Nothing also when the file cannot be read or is not a regular
// file.
std::optional<std::string> readProfileValue(const std::filesystem::path& path,
                                            std::string_view section, std::string_view key);

// The profile file a bare name stands for: the first folder of $XDG_CONFIG_HOME (or ~/.config)
// and then $XDG_CONFIG_DIRS (or /etc/xdg) that holds a file of that name, compared without regard
// to case. A name with a folder in it is taken as it is.
std::optional<std::filesystem::path> findProfileFile(std::string_view fileName);

// The value of `key` in `section` of the profile file `fileName`, or `defaultValue` (at most
// kMaxProfileValueLength characters of it) when the file is missing or unreadable, or holds no
// such value.
std::string readProfileString(std::string_view fileName, std::string_view section,
                              std::string_view key, std::string_view defaultValue);

} // namespace corvanlu
