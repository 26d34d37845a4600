#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

// A fresh empty folder that becomes the working folder for the life of the object, then is
// removed with everything in it and the previous working folder restored.
class WorkingFolder {
public:
    WorkingFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "mirelta-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(path_);
    }
    ~WorkingFolder()
    {
        std::filesystem::current_path(previous_);
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // Copies the shipped database into the folder under `name`.
    void CopyShippedDatabase(const std::string& name = "AA1.mdb") const
    {
        std::filesystem::copy_file(MIRELTA_DATABASE, path_ / name);
    }

private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
};
