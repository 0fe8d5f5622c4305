// A fresh folder in the system's temporary folder for one test, removed
// with everything in it when the object goes, also when the test failed
// half-way and left folders without permissions behind.
#pragma once

#include <filesystem>
#include <string>

namespace twstesting {

class TTempFolder {
public:
    // tag becomes part of the folder's name, to tell whose folder it is.
    explicit TTempFolder(const std::string& tag = "tws");
    ~TTempFolder();
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    const std::filesystem::path& Path() const { return FPath; }
    // The folder with a trailing separator, as the product writes folder paths.
    std::string Slash() const { return FPath.string() + static_cast<char>(std::filesystem::path::preferred_separator); }
    std::filesystem::path operator/(const std::string& name) const { return FPath / name; }

    // Hands the folder to another owner (used with RunUnprivileged).
    void GiveTo(unsigned uid, unsigned gid) const;

private:
    std::filesystem::path FPath;
};

// Writes text to a file, creating the folders on the way.
void WriteFile(const std::filesystem::path& file, const std::string& text);
// The whole file, or "" when it cannot be read.
std::string ReadFile(const std::filesystem::path& file);

// Removes a tree even where a test took away the permissions to do so.
void RemoveTree(const std::filesystem::path& path);

}  // namespace twstesting
