#pragma once

#include <string>
#include <string_view>

namespace corvanlu {

enum class MessageIcon { Information, Error };

// The operating-system services the launcher needs. One implementation per platform, and a fake
// in the tests. Texts handed to showMessage and returned by errorText are UTF-8; titles,
// paths and parameters are passed through as the host gave them.
class Platform {
public:
    virtual ~Platform() = default;

    // The value of `key` in `section` of the profile file `fileName`, or `defaultValue` when the
    // file, the section or the key is missing, or the file cannot be read (on POSIX also when it
    // is over the limits of profile_file.h). Sections and keys are matched without regard to
    // case; at most 2047 characters are returned.
    virtual std::string readProfileString(const std::string& fileName, const std::string& section,
                                          const std::string& key,
                                          const std::string& defaultValue) = 0;

    virtual bool fileExists(const std::string& path) = 0;

    // Opens a program with parameters, or a web address, without waiting for it. Returns a
    // number above 32 on success, otherwise the shell's error number (0 to 32).
    virtual int shellOpen(const std::string& file, const std::string& parameters) = 0;

    // The system's text for a shell error number.
    virtual std::string errorText(int errorNumber) = 0;

    // A modal box with an OK button and no owner window.
    virtual void showMessage(const std::string& title, const std::string& text,
                             MessageIcon icon) = 0;
};

// The services of the platform the library was built for.
Platform& systemPlatform();

} // namespace corvanlu
