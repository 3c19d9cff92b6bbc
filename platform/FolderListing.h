#pragma once

#include <dirent.h>

// The entries of one folder, "." and ".." left out, read through an open
// descriptor: each name is then looked up in the folder it was listed in
// (the *at calls), and no link on the way is followed, whatever is renamed
// meanwhile. The one way the program walks folders.
class FolderListing {
public:
    enum class AtLink { Refuse, Follow };

    // Opens the folder name inside the open folder parent (AT_FDCWD: name
    // is a path). A link at name is refused unless asked otherwise (a
    // folder the user named may be one).
    FolderListing(int parent, const char* name, AtLink atLink = AtLink::Refuse);
    // Lists the open folder fd, from its start; fd stays the caller's.
    static FolderListing Of(int fd);
    ~FolderListing();
    FolderListing(FolderListing&& other) noexcept;
    FolderListing(const FolderListing&) = delete;
    FolderListing& operator=(const FolderListing&) = delete;
    FolderListing& operator=(FolderListing&&) = delete;

    // False when the folder could not be opened; Error() says why.
    bool IsOpen() const { return dir_ != nullptr; }
    // The folder, for the *at calls on its entries.
    int Fd() const;
    // The next entry's name; null at the end, or when reading failed
    // (Error() is then not 0).
    const char* Next();
    // Whether the entry Next() gave is a folder; a link is none.
    bool IsFolder() const;
    // Whether the entry Next() gave is a symbolic link to a folder.
    bool IsLinkToFolder() const;
    // The system's error code of the open or of the last Next(); 0 for none.
    int Error() const { return error_; }

private:
    FolderListing() = default;

    DIR* dir_ = nullptr;
    const dirent* entry_ = nullptr;
    int error_ = 0;
};
