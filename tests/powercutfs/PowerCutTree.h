#pragma once

#include <cerrno>
#include <map>
#include <memory>
#include <string>

#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>

// A file system tree in memory that knows what a power cut would keep. Every
// file and folder has two states: the one everybody sees ("in the cache")
// and the one on the disk. Only a sync moves the one to the other: a file's
// sync puts its bytes and attributes on disk, a folder's sync its entries
// (what was made, renamed or removed in it). A cut makes the disk's state
// the only one, reached through the folders' entries on disk: a file made
// but never synced comes back empty, an entry never synced not at all.
//
// Paths are absolute ("/a/b"); the calls return 0 or a negative errno, as
// a FUSE file system does.
class PowerCutTree {
public:
    struct Node;
    using NodePtr = std::shared_ptr<Node>;

    PowerCutTree();
    ~PowerCutTree();
    PowerCutTree(const PowerCutTree&) = delete;
    PowerCutTree& operator=(const PowerCutTree&) = delete;

    // Found by path, or by an open node when path is null (an open file
    // whose name is gone).
    int GetAttributes(const char* path, const NodePtr& open, struct stat* info) const;
    int ReadLink(const char* path, char* buffer, size_t size) const;
    int MakeFolder(const char* path, mode_t mode, uid_t uid, gid_t gid);
    int MakeLink(const char* target, const char* path, uid_t uid, gid_t gid);
    int Create(const char* path, mode_t mode, uid_t uid, gid_t gid, NodePtr* opened);
    int Open(const char* path, NodePtr* opened) const;
    int Unlink(const char* path);
    int RemoveFolder(const char* path);
    // flags: 0 or RENAME_NOREPLACE.
    int Rename(const char* from, const char* to, unsigned int flags);
    int Truncate(const char* path, const NodePtr& open, off_t size);
    int ChangeMode(const char* path, const NodePtr& open, mode_t mode);
    int ChangeOwner(const char* path, const NodePtr& open, uid_t uid, gid_t gid);
    int SetTimes(const char* path, const NodePtr& open, const struct timespec times[2]);
    int Read(const NodePtr& file, char* buffer, size_t size, off_t offset) const;
    int Write(const NodePtr& file, const char* data, size_t size, off_t offset);
    // Calls add for every entry of the folder as it is seen now.
    template <typename Add> int List(const NodePtr& folder, Add add) const;

    // A file's or a folder's sync. *cut is set when this is the sync at
    // which the power was to go: it is then not done, and the power is off.
    int Sync(const NodePtr& node, bool* cut);

    // Lets `syncs` more syncs through; the power goes at the next one.
    void CutAfter(long syncs);
    // Drops all that is not on disk.
    void Cut();
    bool IsOff() const { return off_; }
    void PowerOn() { off_ = false; }
    // Everything as it is seen now goes on disk (the starting point).
    void MakeAllDurable();
    // "syncs N cut 0|1": syncs since the last CutAfter, and whether the cut came.
    std::string Status() const;

private:
    NodePtr Find(const char* path) const;
    NodePtr FindOpen(const char* path, const NodePtr& open) const;
    int FindParent(const char* path, NodePtr* parent, std::string* name) const;
    NodePtr NewNode(mode_t mode, uid_t uid, gid_t gid);
    int AddEntry(const char* path, const NodePtr& node);

    NodePtr root_;
    ino_t nextInode_ = 1;
    long syncs_ = 0;
    long cutAfter_ = -1;
    bool cutCame_ = false;
    bool off_ = false;
};

struct PowerCutTree::Node : std::enable_shared_from_this<Node> {
    // What one of the two layers holds of a node.
    struct State {
        mode_t mode = 0;
        uid_t uid = 0;
        gid_t gid = 0;
        struct timespec atime = {};
        struct timespec mtime = {};
        struct timespec ctime = {};
        // A file's bytes, shared by the layers until one of them changes.
        std::shared_ptr<std::string> data;
        std::map<std::string, NodePtr> entries;
    };

    ino_t inode = 0;
    std::string linkTarget;
    State seen;
    State durable;
};

template <typename Add> int PowerCutTree::List(const NodePtr& folder, Add add) const {
    if (!folder || !S_ISDIR(folder->seen.mode))
        return -ENOTDIR;
    for (const auto& [name, node] : folder->seen.entries) {
        struct stat info;
        GetAttributes(nullptr, node, &info);
        add(name, info);
    }
    return 0;
}
