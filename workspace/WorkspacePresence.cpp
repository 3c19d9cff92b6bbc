#include "workspace/WorkspacePresence.h"

#include "platform/FileRangeLock.h"
#include "platform/UserName.h"

#include <QFile>
#include <QSysInfo>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A slot never crosses a page, so a reader sees a slot's write whole.
constexpr int kSlotSize = WorkspacePresence::SlotSize;
static_assert(4096 % kSlotSize == 0);
constexpr int kMaxSlots = 128;
// Room enough for both within one slot, whatever their characters.
constexpr int kMaxNameLength = 60;

off_t SlotStart(int slot) {
    return off_t(slot) * kSlotSize;
}

// Tabs and line breaks would break the line into other fields.
QString Field(const QString& text) {
    QString field = text.left(kMaxNameLength);
    for (QChar& c : field) {
        if (c < QChar(u' '))
            c = u' ';
    }
    return field;
}

QByteArray SlotText(const QByteArray& line) {
    QByteArray text = line.left(kSlotSize - 1);
    text.append(kSlotSize - 1 - text.size(), ' ');
    text.append('\n');
    return text;
}

bool WriteSlot(int fd, int slot, const QByteArray& text) {
    qsizetype done = 0;
    while (done < text.size()) {
        const ssize_t written = ::pwrite(fd, text.constData() + done, size_t(text.size() - done),
                                         SlotStart(slot) + done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

// Others who may change the workspace must be able to take a slot too, so
// a new file gets the folder's read and write permissions.
FileHandle OpenFile(const QString& folder) {
    const QByteArray name = QFile::encodeName(folder + WorkspacePresence::FileName());
    // Never through a link: the file must stay inside the workspace.
    const int flags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
    FileHandle file(::open(name.constData(), O_RDWR | O_CREAT | O_EXCL | flags, 0600));
    struct stat info {};
    if (file.IsOpen()) {
        if (::stat(QFile::encodeName(folder).constData(), &info) == 0)
            ::fchmod(file.Get(), info.st_mode & 0666);
    } else {
        file.Reset(::open(name.constData(), O_RDWR | flags));
        // Without write permission the others can still be seen.
        if (!file.IsOpen())
            file.Reset(::open(name.constData(), O_RDONLY | flags));
    }
    if (file.IsOpen() && (::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode)))
        file.Reset();
    return file;
}

bool Parse(const QByteArray& text, WorkspacePresence::Other& other) {
    const QList<QByteArray> fields = text.trimmed().split('\t');
    if (fields.size() != 4)
        return false;
    other.user = QString::fromUtf8(fields[0]);
    other.machine = QString::fromUtf8(fields[1]);
    other.since = QDateTime::fromString(QString::fromLatin1(fields[2]), Qt::ISODate);
    bool isNumber = false;
    other.pid = fields[3].toLongLong(&isNumber);
    return other.since.isValid() && isNumber;
}

} // namespace

WorkspacePresence::~WorkspacePresence() {
    Leave();
}

QString WorkspacePresence::FileName() {
    return QStringLiteral(".quorvel-presence");
}

bool WorkspacePresence::SetWorkspace(const QString& folder) {
    QString path = folder;
    if (!path.isEmpty() && !path.endsWith(u'/'))
        path += u'/';
    if (path == workspace_ && slot_ >= 0)
        return true;
    Leave();
    workspace_ = path;
    return !path.isEmpty() && Announce();
}

bool WorkspacePresence::Announce() {
    file_ = OpenFile(workspace_);
    if (!file_.IsOpen())
        return false;
    for (int slot = 0; slot < kMaxSlots; ++slot) {
        if (!FileRangeLock::TryLock(file_.Get(), SlotStart(slot), kSlotSize,
                                    FileRangeLock::Kind::Exclusive))
            continue;
        const QString line = Field(GetUserFromWindows()) + u'\t' +
                             Field(QSysInfo::machineHostName()) + u'\t' +
                             QDateTime::currentDateTimeUtc().toString(Qt::ISODate) + u'\t' +
                             QString::number(::getpid());
        if (!WriteSlot(file_.Get(), slot, SlotText(line.toUtf8()))) {
            FileRangeLock::Unlock(file_.Get(), SlotStart(slot), kSlotSize);
            return false;
        }
        slot_ = slot;
        return true;
    }
    return false;
}

void WorkspacePresence::Leave() {
    if (slot_ >= 0) {
        // Cleared first, so that no one reads this run's line in a free slot.
        WriteSlot(file_.Get(), slot_, SlotText(QByteArray()));
        FileRangeLock::Unlock(file_.Get(), SlotStart(slot_), kSlotSize);
        slot_ = -1;
    }
    file_.Reset();
    workspace_.clear();
}

QList<WorkspacePresence::Other> WorkspacePresence::Others() const {
    QList<Other> others;
    if (!file_.IsOpen())
        return others;
    QByteArray bytes(kSlotSize * kMaxSlots, '\0');
    ssize_t size;
    do
        size = ::pread(file_.Get(), bytes.data(), size_t(bytes.size()), 0);
    while (size < 0 && errno == EINTR);
    if (size <= 0)
        return others;
    bytes.truncate(size);
    for (int slot = 0; slot * kSlotSize < size; ++slot) {
        const QByteArray text = bytes.mid(slot * kSlotSize, kSlotSize);
        Other other;
        // A line in a slot nobody holds was left by a run that is gone.
        if (slot != slot_ && Parse(text, other) &&
            FileRangeLock::HeldByOther(file_.Get(), SlotStart(slot), kSlotSize,
                                       FileRangeLock::Kind::Shared))
            others << other;
    }
    return others;
}
