#pragma once

#include "model/Status.h"

#include <filesystem>
#include <string>
#include <variant>

namespace brivet {

// The application folder: $XDG_DATA_HOME/Brivet, or ~/.local/share/Brivet.
class DataFolder {
public:
    explicit DataFolder(std::filesystem::path path) : m_path(std::move(path)) { }
    // The folder of the current user, from the environment.
    static DataFolder forCurrentUser();

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path notesFile() const { return m_path / "notes.json"; }
    std::filesystem::path preferencesFile() const { return m_path / "preferences.json"; }
    std::filesystem::path trashFile() const { return m_path / "trash.json"; }

    // Creates the folder (mode 0700) when nothing exists there.
    Status ensureExists() const;

private:
    std::filesystem::path m_path;
};

// An exclusive lock on the folder, held for the life of the object, so that
// one process at a time owns the files. Taking it removes the temporaries
// that an interrupted save left in the folder.
class FolderLock {
public:
    // Fails when another process holds the lock, with a readable message.
    static std::variant<FolderLock, Status> acquire(const DataFolder& folder);
    FolderLock(FolderLock&&) noexcept;
    FolderLock& operator=(FolderLock&&) = delete;
    ~FolderLock();

private:
    explicit FolderLock(int fd) : m_fd(fd) { }
    int m_fd = -1;
};

} // namespace brivet
