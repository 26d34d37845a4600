#pragma once

#include "corvanlu.h"
#include "platform.h"

#include <string>
#include <vector>

namespace corvanlu {

// The shell's value for a program or web address that was opened.
inline constexpr int kShellOpened = 42;
static_assert(CORVANLU_STARTED(kShellOpened));

// POSIX services: profile files from the configuration folders, programs started detached, web
// addresses opened through xdg-open, message boxes through Qt when a Qt application runs in the
// process and on standard error otherwise.
class PosixPlatform final : public Platform {
public:
    std::string readProfileString(const std::string& fileName, const std::string& section,
                                  const std::string& key, const std::string& defaultValue) override;
    bool fileExists(const std::string& path) override;
    int shellOpen(const std::string& file, const std::string& parameters) override;
    std::string errorText(int errorNumber) override;
    void showMessage(const std::string& title, const std::string& text, MessageIcon icon) override;
};

// The shell's error number for a failure of the system call reporting `errnoValue`.
int shellErrorFor(int errnoValue);

// Runs `program` with `arguments` (the first being the program's own name) in a new session,
// without waiting for it. Returns 0 once the program runs, otherwise the errno of the failure.
int startDetached(const std::string& program, const std::vector<std::string>& arguments);

} // namespace corvanlu
