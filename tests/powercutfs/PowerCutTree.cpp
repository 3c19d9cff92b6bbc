#include "PowerCutTree.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>
#include <vector>

#include <unistd.h>

namespace {

struct timespec Now() {
    struct timespec now;
    ::clock_gettime(CLOCK_REALTIME, &now);
    return now;
}

bool IsFolder(const PowerCutTree::NodePtr& node) {
    return node && S_ISDIR(node->seen.mode);
}

// The bytes of a file as seen, no longer shared with what is on disk.
std::string& Changeable(PowerCutTree::Node& file) {
    if (file.seen.data.use_count() > 1)
        file.seen.data = std::make_shared<std::string>(*file.seen.data);
    return *file.seen.data;
}

void Touch(PowerCutTree::Node& node) {
    node.seen.mtime = node.seen.ctime = Now();
}

using Entries = std::map<std::string, PowerCutTree::NodePtr>;

// Calls visit for every node reachable from root through the entries of
// the layers that layersOf gives, once each.
template <typename LayersOf, typename Visit>
void Walk(const PowerCutTree::NodePtr& root, LayersOf layersOf, Visit visit) {
    std::set<const PowerCutTree::Node*> visited;
    std::vector<PowerCutTree::NodePtr> waiting{root};
    while (!waiting.empty()) {
        const PowerCutTree::NodePtr node = waiting.back();
        waiting.pop_back();
        if (!visited.insert(node.get()).second)
            continue;
        for (const Entries* entries : layersOf(*node)) {
            for (const auto& entry : *entries)
                waiting.push_back(entry.second);
        }
        visit(*node);
    }
}

std::vector<const Entries*> Seen(const PowerCutTree::Node& node) {
    return {&node.seen.entries};
}

std::vector<const Entries*> OnDisk(const PowerCutTree::Node& node) {
    return {&node.durable.entries};
}

} // namespace

PowerCutTree::PowerCutTree() {
    root_ = NewNode(S_IFDIR | 0755, ::getuid(), ::getgid());
}

PowerCutTree::~PowerCutTree() {
    // Layers mixed by a cut may hold a folder inside itself; emptying every
    // folder breaks such a ring.
    std::vector<NodePtr> all;
    Walk(
        root_,
        [](const Node& node) {
            return std::vector<const Entries*>{&node.seen.entries, &node.durable.entries};
        },
        [&all](Node& node) { all.push_back(node.shared_from_this()); });
    for (const NodePtr& node : all) {
        node->seen.entries.clear();
        node->durable.entries.clear();
    }
}

PowerCutTree::NodePtr PowerCutTree::NewNode(mode_t mode, uid_t uid, gid_t gid) {
    auto node = std::make_shared<Node>();
    node->inode = nextInode_++;
    node->seen.mode = mode;
    node->seen.uid = uid;
    node->seen.gid = gid;
    node->seen.atime = node->seen.mtime = node->seen.ctime = Now();
    if (S_ISREG(mode))
        node->seen.data = std::make_shared<std::string>();
    // Made, but on disk only as an empty file or folder until it is synced.
    node->durable = node->seen;
    return node;
}

PowerCutTree::NodePtr PowerCutTree::Find(const char* path) const {
    if (!path)
        return nullptr;
    NodePtr node = root_;
    const char* at = path;
    while (*at) {
        while (*at == '/')
            ++at;
        if (!*at)
            break;
        const char* end = std::strchr(at, '/');
        const std::string name = end ? std::string(at, end) : std::string(at);
        at = end ? end : at + name.size();
        if (!IsFolder(node))
            return nullptr;
        const auto found = node->seen.entries.find(name);
        if (found == node->seen.entries.end())
            return nullptr;
        node = found->second;
    }
    return node;
}

PowerCutTree::NodePtr PowerCutTree::FindOpen(const char* path, const NodePtr& open) const {
    return open ? open : Find(path);
}

int PowerCutTree::FindParent(const char* path, NodePtr* parent, std::string* name) const {
    std::string whole(path ? path : "");
    while (whole.size() > 1 && whole.back() == '/')
        whole.pop_back();
    const size_t slash = whole.rfind('/');
    if (slash == std::string::npos || slash + 1 >= whole.size())
        return -EINVAL;
    *name = whole.substr(slash + 1);
    *parent = Find(whole.substr(0, slash).c_str());
    if (!*parent)
        return -ENOENT;
    return IsFolder(*parent) ? 0 : -ENOTDIR;
}

int PowerCutTree::GetAttributes(const char* path, const NodePtr& open, struct stat* info) const {
    const NodePtr node = FindOpen(path, open);
    if (!node)
        return -ENOENT;
    std::memset(info, 0, sizeof *info);
    const Node::State& state = node->seen;
    info->st_ino = node->inode;
    info->st_mode = state.mode;
    info->st_nlink = 1;
    info->st_uid = state.uid;
    info->st_gid = state.gid;
    if (S_ISDIR(state.mode)) {
        info->st_nlink = 2;
        for (const auto& entry : state.entries)
            info->st_nlink += IsFolder(entry.second) ? 1 : 0;
        info->st_size = 4096;
    } else if (S_ISLNK(state.mode)) {
        info->st_size = off_t(node->linkTarget.size());
    } else {
        info->st_size = off_t(state.data->size());
    }
    info->st_blksize = 4096;
    info->st_blocks = (info->st_size + 511) / 512;
    info->st_atim = state.atime;
    info->st_mtim = state.mtime;
    info->st_ctim = state.ctime;
    return 0;
}

int PowerCutTree::ReadLink(const char* path, char* buffer, size_t size) const {
    const NodePtr node = Find(path);
    if (!node)
        return -ENOENT;
    if (!S_ISLNK(node->seen.mode))
        return -EINVAL;
    if (size == 0)
        return -EINVAL;
    const size_t length = std::min(size - 1, node->linkTarget.size());
    std::memcpy(buffer, node->linkTarget.data(), length);
    buffer[length] = '\0';
    return 0;
}

int PowerCutTree::AddEntry(const char* path, const NodePtr& node) {
    NodePtr parent;
    std::string name;
    if (const int error = FindParent(path, &parent, &name))
        return error;
    if (!parent->seen.entries.emplace(name, node).second)
        return -EEXIST;
    Touch(*parent);
    return 0;
}

int PowerCutTree::MakeFolder(const char* path, mode_t mode, uid_t uid, gid_t gid) {
    return AddEntry(path, NewNode(S_IFDIR | (mode & 07777), uid, gid));
}

int PowerCutTree::MakeLink(const char* target, const char* path, uid_t uid, gid_t gid) {
    const NodePtr link = NewNode(S_IFLNK | 0777, uid, gid);
    link->linkTarget = target;
    return AddEntry(path, link);
}

int PowerCutTree::Create(const char* path, mode_t mode, uid_t uid, gid_t gid, NodePtr* opened) {
    const NodePtr file = NewNode(S_IFREG | (mode & 07777), uid, gid);
    if (const int error = AddEntry(path, file))
        return error;
    *opened = file;
    return 0;
}

int PowerCutTree::Open(const char* path, NodePtr* opened) const {
    *opened = Find(path);
    return *opened ? 0 : -ENOENT;
}

int PowerCutTree::Unlink(const char* path) {
    NodePtr parent;
    std::string name;
    if (const int error = FindParent(path, &parent, &name))
        return error;
    const auto found = parent->seen.entries.find(name);
    if (found == parent->seen.entries.end())
        return -ENOENT;
    if (IsFolder(found->second))
        return -EISDIR;
    found->second->seen.ctime = Now();
    parent->seen.entries.erase(found);
    Touch(*parent);
    return 0;
}

int PowerCutTree::RemoveFolder(const char* path) {
    NodePtr parent;
    std::string name;
    if (const int error = FindParent(path, &parent, &name))
        return error;
    const auto found = parent->seen.entries.find(name);
    if (found == parent->seen.entries.end())
        return -ENOENT;
    if (!IsFolder(found->second))
        return -ENOTDIR;
    if (!found->second->seen.entries.empty())
        return -ENOTEMPTY;
    parent->seen.entries.erase(found);
    Touch(*parent);
    return 0;
}

int PowerCutTree::Rename(const char* from, const char* to, unsigned int flags) {
    if (flags & ~unsigned(RENAME_NOREPLACE))
        return -EINVAL;
    NodePtr fromParent;
    NodePtr toParent;
    std::string fromName;
    std::string toName;
    if (const int error = FindParent(from, &fromParent, &fromName))
        return error;
    if (const int error = FindParent(to, &toParent, &toName))
        return error;
    const auto source = fromParent->seen.entries.find(fromName);
    if (source == fromParent->seen.entries.end())
        return -ENOENT;
    const NodePtr node = source->second;
    const auto existing = toParent->seen.entries.find(toName);
    if (existing != toParent->seen.entries.end()) {
        if (flags & RENAME_NOREPLACE)
            return -EEXIST;
        const NodePtr& replaced = existing->second;
        if (replaced == node)
            return 0;
        if (IsFolder(node) && !IsFolder(replaced))
            return -ENOTDIR;
        if (!IsFolder(node) && IsFolder(replaced))
            return -EISDIR;
        if (IsFolder(replaced) && !replaced->seen.entries.empty())
            return -ENOTEMPTY;
    }
    fromParent->seen.entries.erase(source);
    toParent->seen.entries[toName] = node;
    node->seen.ctime = Now();
    Touch(*fromParent);
    Touch(*toParent);
    return 0;
}

int PowerCutTree::Truncate(const char* path, const NodePtr& open, off_t size) {
    const NodePtr node = FindOpen(path, open);
    if (!node)
        return -ENOENT;
    if (IsFolder(node))
        return -EISDIR;
    if (!S_ISREG(node->seen.mode))
        return -EINVAL;
    Changeable(*node).resize(size_t(size));
    Touch(*node);
    return 0;
}

int PowerCutTree::ChangeMode(const char* path, const NodePtr& open, mode_t mode) {
    const NodePtr node = FindOpen(path, open);
    if (!node)
        return -ENOENT;
    node->seen.mode = (node->seen.mode & S_IFMT) | (mode & 07777);
    node->seen.ctime = Now();
    return 0;
}

int PowerCutTree::ChangeOwner(const char* path, const NodePtr& open, uid_t uid, gid_t gid) {
    const NodePtr node = FindOpen(path, open);
    if (!node)
        return -ENOENT;
    if (uid != uid_t(-1))
        node->seen.uid = uid;
    if (gid != gid_t(-1))
        node->seen.gid = gid;
    node->seen.ctime = Now();
    return 0;
}

int PowerCutTree::SetTimes(const char* path, const NodePtr& open, const struct timespec times[2]) {
    const NodePtr node = FindOpen(path, open);
    if (!node)
        return -ENOENT;
    const struct timespec now = Now();
    const auto set = [&now](struct timespec& field, const struct timespec& given) {
        if (given.tv_nsec == UTIME_NOW)
            field = now;
        else if (given.tv_nsec != UTIME_OMIT)
            field = given;
    };
    if (times) {
        set(node->seen.atime, times[0]);
        set(node->seen.mtime, times[1]);
    } else {
        node->seen.atime = node->seen.mtime = now;
    }
    node->seen.ctime = now;
    return 0;
}

int PowerCutTree::Read(const NodePtr& file, char* buffer, size_t size, off_t offset) const {
    if (!file || !S_ISREG(file->seen.mode))
        return -EISDIR;
    const std::string& data = *file->seen.data;
    if (offset < 0 || size_t(offset) >= data.size())
        return 0;
    const size_t length = std::min(size, data.size() - size_t(offset));
    std::memcpy(buffer, data.data() + offset, length);
    return int(length);
}

int PowerCutTree::Write(const NodePtr& file, const char* data, size_t size, off_t offset) {
    if (!file || !S_ISREG(file->seen.mode))
        return -EISDIR;
    if (offset < 0)
        return -EINVAL;
    std::string& bytes = Changeable(*file);
    if (bytes.size() < size_t(offset) + size)
        bytes.resize(size_t(offset) + size);
    std::memcpy(bytes.data() + offset, data, size);
    Touch(*file);
    return int(size);
}

int PowerCutTree::Sync(const NodePtr& node, bool* cut) {
    *cut = false;
    if (!node)
        return -ENOENT;
    if (cutAfter_ >= 0 && syncs_ >= cutAfter_) {
        Cut();
        off_ = true;
        cutCame_ = true;
        cutAfter_ = -1;
        *cut = true;
        return -EIO;
    }
    ++syncs_;
    node->durable = node->seen;
    return 0;
}

void PowerCutTree::CutAfter(long syncs) {
    syncs_ = 0;
    cutAfter_ = syncs;
    cutCame_ = false;
}

void PowerCutTree::Cut() {
    Walk(root_, OnDisk, [](Node& node) { node.seen = node.durable; });
}

void PowerCutTree::MakeAllDurable() {
    Walk(root_, Seen, [](Node& node) { node.durable = node.seen; });
}

std::string PowerCutTree::Status() const {
    char text[64];
    std::snprintf(text, sizeof text, "syncs %ld cut %d\n", syncs_, cutCame_ ? 1 : 0);
    return text;
}
