#pragma once

#include "platform.h"

#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

// Records what the launcher asks of the system and answers from what a test set up.
class FakePlatform : public corvanlu::Platform {
public:
    struct ShellCall {
        std::string file;
        std::string parameters;
    };
    struct Message {
        std::string title;
        std::string text;
        corvanlu::MessageIcon icon;
    };

    std::set<std::string> existingFiles;
    int shellResult = 42;
    bool profileFails = false;             // readProfileString throws
    bool shellFails = false;               // shellOpen throws
    bool messageFails = false;             // showMessage throws
    std::vector<std::string> sectionsRead; // "file:section"
    std::vector<std::string> defaultsRead;
    std::vector<ShellCall> shellCalls;
    std::vector<Message> messages;

    void setProfileValue(const std::string& file, const std::string& section,
                         const std::string& key, const std::string& value)
    {
        profile_[{file, section, key}] = value;
    }

    // A service executable configured in `file` that exists.
    void installService(const std::string& path, const std::string& file = "CorvanLiveUpdate.ini",
                        const std::string& section = "Applicazione")
    {
        setProfileValue(file, section, "exe", path);
        existingFiles.insert(path);
    }

    std::string readProfileString(const std::string& file, const std::string& section,
                                  const std::string& key, const std::string& defaultValue) override
    {
        if (profileFails) {
            throw std::runtime_error("profile unreadable");
        }
        sectionsRead.push_back(file + ":" + section);
        defaultsRead.push_back(defaultValue);
        const auto found = profile_.find({file, section, key});
        return found != profile_.end() ? found->second : defaultValue;
    }

    bool fileExists(const std::string& path) override { return existingFiles.contains(path); }

    int shellOpen(const std::string& file, const std::string& parameters) override
    {
        if (shellFails) {
            throw std::runtime_error("shell unavailable");
        }
        shellCalls.push_back({file, parameters});
        return shellResult;
    }

    std::string errorText(int errorNumber) override
    {
        return "system text " + std::to_string(errorNumber);
    }

    void showMessage(const std::string& title, const std::string& text,
                     corvanlu::MessageIcon icon) override
    {
        if (messageFails) {
            throw std::runtime_error("no message box");
        }
        messages.push_back({title, text, icon});
    }

private:
    std::map<std::tuple<std::string, std::string, std::string>, std::string> profile_;
};

// The fake that systemPlatform() returns in test programs built with liveupdate_fake_system.cpp.
FakePlatform& fakeSystem();
