// powercutfs: a FUSE file system in memory on which a test can cut the
// power (see PowerCutTree). Usage: powercutfs MOUNTPOINT. It prints
// "mounted" once the mount is there, and unmounts on SIGTERM or SIGINT.
//
// The file /.powercut at the root, never listed, is the switch. Writing to it:
//   durable       everything as it is now goes on disk
//   cut-after N   lets N more syncs (fsync, fdatasync, or fsync of a folder)
//                 through; at the next one the power goes: the sync is not
//                 done, the process that asked for it is killed, all that is
//                 not on disk is dropped, and every call fails with EIO
//   cut           the power goes now (nobody is killed; it stays on)
//   on            the power comes back, with what was on disk
// Reading it gives "syncs N cut 0|1": the syncs since the last cut-after and
// whether its cut came. A syncfs never gets here: the kernel does not pass it
// on to a FUSE file system (virtiofs aside), so it puts nothing on disk.
#define FUSE_USE_VERSION 31

#include "PowerCutTree.h"

#include <fuse.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <sys/statvfs.h>
#include <unistd.h>

namespace {

constexpr const char* SwitchPath = "/.powercut";

PowerCutTree& Tree() {
    static PowerCutTree tree;
    return tree;
}

bool IsSwitch(const char* path) {
    return path && std::strcmp(path, SwitchPath) == 0;
}

// What an open file or folder handle holds: its node, or the switch.
struct Handle {
    PowerCutTree::NodePtr node;
    std::string reply;
};

Handle* HandleOf(const struct fuse_file_info* info) {
    return info ? reinterpret_cast<Handle*>(info->fh) : nullptr;
}

PowerCutTree::NodePtr NodeOf(const struct fuse_file_info* info) {
    const Handle* handle = HandleOf(info);
    return handle ? handle->node : nullptr;
}

void Keep(struct fuse_file_info* info, PowerCutTree::NodePtr node) {
    info->fh = reinterpret_cast<uint64_t>(new Handle{std::move(node), {}});
}

int Command(const std::string& text) {
    long count = 0;
    if (text == "durable")
        Tree().MakeAllDurable();
    else if (std::sscanf(text.c_str(), "cut-after %ld", &count) == 1 && count >= 0)
        Tree().CutAfter(count);
    else if (text == "cut")
        Tree().Cut();
    else if (text == "on")
        Tree().PowerOn();
    else
        return -EINVAL;
    return 0;
}

const struct fuse_context& Caller() {
    return *fuse_get_context();
}

// While the power is off only the switch answers.
#define POWERED(path)                                                                              \
    do {                                                                                           \
        if (Tree().IsOff() && !IsSwitch(path))                                                     \
            return -EIO;                                                                           \
    } while (false)

void* Init(struct fuse_conn_info*, struct fuse_config* config) {
    // Nothing may be remembered by the kernel across a cut: no names,
    // attributes or bytes are cached.
    config->entry_timeout = 0;
    config->attr_timeout = 0;
    config->negative_timeout = 0;
    config->direct_io = 1;
    config->use_ino = 1;
    // Open files keep their node; their name may go at once.
    config->hard_remove = 1;
    config->nullpath_ok = 1;
    return nullptr;
}

int GetAttributes(const char* path, struct stat* info, struct fuse_file_info* file) {
    if (IsSwitch(path)) {
        std::memset(info, 0, sizeof *info);
        info->st_mode = S_IFREG | 0600;
        info->st_nlink = 1;
        info->st_uid = ::getuid();
        info->st_gid = ::getgid();
        return 0;
    }
    // The root stays reachable, for the way to the switch.
    if (!path || std::strcmp(path, "/") != 0)
        POWERED(path);
    return Tree().GetAttributes(file ? nullptr : path, NodeOf(file), info);
}

int ReadLink(const char* path, char* buffer, size_t size) {
    POWERED(path);
    return Tree().ReadLink(path, buffer, size);
}

int MakeFolder(const char* path, mode_t mode) {
    POWERED(path);
    return Tree().MakeFolder(path, mode & ~Caller().umask, Caller().uid, Caller().gid);
}

int MakeLink(const char* target, const char* path) {
    POWERED(path);
    return Tree().MakeLink(target, path, Caller().uid, Caller().gid);
}

int Unlink(const char* path) {
    POWERED(path);
    return Tree().Unlink(path);
}

int RemoveFolder(const char* path) {
    POWERED(path);
    return Tree().RemoveFolder(path);
}

int Rename(const char* from, const char* to, unsigned int flags) {
    POWERED(from);
    return Tree().Rename(from, to, flags);
}

int ChangeMode(const char* path, mode_t mode, struct fuse_file_info* file) {
    POWERED(path);
    return Tree().ChangeMode(file ? nullptr : path, NodeOf(file), mode);
}

int ChangeOwner(const char* path, uid_t uid, gid_t gid, struct fuse_file_info* file) {
    POWERED(path);
    return Tree().ChangeOwner(file ? nullptr : path, NodeOf(file), uid, gid);
}

int Truncate(const char* path, off_t size, struct fuse_file_info* file) {
    if (IsSwitch(path))
        return 0;
    POWERED(path);
    return Tree().Truncate(file ? nullptr : path, NodeOf(file), size);
}

int SetTimes(const char* path, const struct timespec times[2], struct fuse_file_info* file) {
    POWERED(path);
    return Tree().SetTimes(file ? nullptr : path, NodeOf(file), times);
}

int Create(const char* path, mode_t mode, struct fuse_file_info* file) {
    POWERED(path);
    PowerCutTree::NodePtr node;
    if (const int error =
            Tree().Create(path, mode & ~Caller().umask, Caller().uid, Caller().gid, &node))
        return error;
    Keep(file, std::move(node));
    return 0;
}

int Open(const char* path, struct fuse_file_info* file) {
    if (IsSwitch(path)) {
        Keep(file, nullptr);
        return 0;
    }
    POWERED(path);
    PowerCutTree::NodePtr node;
    if (const int error = Tree().Open(path, &node))
        return error;
    Keep(file, std::move(node));
    return 0;
}

int Read(const char*, char* buffer, size_t size, off_t offset, struct fuse_file_info* file) {
    Handle* handle = HandleOf(file);
    if (!handle->node) {
        // The switch: its status as of the first read of this opening.
        if (offset == 0)
            handle->reply = Tree().Status();
        if (size_t(offset) >= handle->reply.size())
            return 0;
        const size_t length = std::min(size, handle->reply.size() - size_t(offset));
        std::memcpy(buffer, handle->reply.data() + offset, length);
        return int(length);
    }
    POWERED(nullptr);
    return Tree().Read(handle->node, buffer, size, offset);
}

int Write(const char*, const char* data, size_t size, off_t offset, struct fuse_file_info* file) {
    Handle* handle = HandleOf(file);
    if (!handle->node) {
        std::string text(data, size);
        while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
            text.pop_back();
        const int error = Command(text);
        return error ? error : int(size);
    }
    POWERED(nullptr);
    return Tree().Write(handle->node, data, size, offset);
}

int Sync(const char*, int, struct fuse_file_info* file) {
    if (!NodeOf(file))
        return 0;
    POWERED(nullptr);
    bool cut = false;
    const int result = Tree().Sync(NodeOf(file), &cut);
    // The program dies with the power, before it can do anything more.
    if (cut && Caller().pid > 0)
        ::kill(Caller().pid, SIGKILL);
    return result;
}

int Release(const char*, struct fuse_file_info* file) {
    delete HandleOf(file);
    return 0;
}

int OpenFolder(const char* path, struct fuse_file_info* file) {
    POWERED(path);
    PowerCutTree::NodePtr node;
    if (const int error = Tree().Open(path, &node))
        return error;
    if (!S_ISDIR(node->seen.mode))
        return -ENOTDIR;
    Keep(file, std::move(node));
    return 0;
}

int ReadFolder(const char*, void* buffer, fuse_fill_dir_t fill, off_t, struct fuse_file_info* file,
               enum fuse_readdir_flags) {
    POWERED(nullptr);
    fill(buffer, ".", nullptr, 0, fuse_fill_dir_flags(0));
    fill(buffer, "..", nullptr, 0, fuse_fill_dir_flags(0));
    return Tree().List(NodeOf(file), [&](const std::string& name, const struct stat& info) {
        fill(buffer, name.c_str(), &info, 0, fuse_fill_dir_flags(0));
    });
}

int FileSystemStatus(const char*, struct statvfs* info) {
    std::memset(info, 0, sizeof *info);
    info->f_bsize = info->f_frsize = 4096;
    info->f_blocks = info->f_bfree = info->f_bavail = 1 << 24;
    info->f_files = info->f_ffree = info->f_favail = 1 << 20;
    info->f_namemax = 255;
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s MOUNTPOINT\n", argv[0]);
        return 2;
    }
    struct fuse_operations operations = {};
    operations.init = Init;
    operations.getattr = GetAttributes;
    operations.readlink = ReadLink;
    operations.mkdir = MakeFolder;
    operations.symlink = MakeLink;
    operations.unlink = Unlink;
    operations.rmdir = RemoveFolder;
    operations.rename = Rename;
    operations.chmod = ChangeMode;
    operations.chown = ChangeOwner;
    operations.truncate = Truncate;
    operations.utimens = SetTimes;
    operations.create = Create;
    operations.open = Open;
    operations.read = Read;
    operations.write = Write;
    operations.fsync = Sync;
    operations.release = Release;
    operations.opendir = OpenFolder;
    operations.readdir = ReadFolder;
    operations.releasedir = Release;
    operations.fsyncdir = Sync;
    operations.statfs = FileSystemStatus;

    char program[] = "powercutfs";
    char option[] = "-o";
    char options[] = "default_permissions,fsname=powercutfs,subtype=powercutfs";
    char* arguments[] = {program, option, options, nullptr};
    struct fuse_args args = FUSE_ARGS_INIT(3, arguments);
    struct fuse* fuse = fuse_new(&args, &operations, sizeof operations, nullptr);
    if (!fuse)
        return 1;
    int result = 1;
    if (fuse_mount(fuse, argv[1]) == 0) {
        if (fuse_set_signal_handlers(fuse_get_session(fuse)) == 0) {
            std::printf("mounted\n");
            std::fflush(stdout);
            // Ended by a signal, it gives the signal's number.
            const int ended = fuse_loop(fuse);
            result = ended == 0 || ended == SIGTERM || ended == SIGINT || ended == SIGHUP ? 0 : 1;
            fuse_remove_signal_handlers(fuse_get_session(fuse));
        }
        fuse_unmount(fuse);
    }
    fuse_destroy(fuse);
    fuse_opt_free_args(&args);
    return result;
}
