#include "platform/DesktopEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace {

QString WithSeparator(QString folder) {
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

} // namespace

QStringList DesktopEntry::DataFolders() {
    QString home = QString::fromLocal8Bit(qgetenv("XDG_DATA_HOME"));
    if (home.isEmpty())
        home = QDir::homePath() + QStringLiteral("/.local/share");
    QString dirs = QString::fromLocal8Bit(qgetenv("XDG_DATA_DIRS"));
    if (dirs.isEmpty())
        dirs = QStringLiteral("/usr/local/share:/usr/share");
    QStringList folders{WithSeparator(home)};
    for (const QString& dir : dirs.split(u':', Qt::SkipEmptyParts))
        folders << WithSeparator(dir);
    return folders;
}

QStringList DesktopEntry::ApplicationFolders() {
    QStringList folders = DataFolders();
    for (QString& folder : folders)
        folder += QStringLiteral("applications/");
    return folders;
}

std::optional<DesktopEntry> DesktopEntry::Find(const QString& id) {
    if (id.isEmpty() || id.contains(u'/'))
        return std::nullopt;
    for (const QString& folder : ApplicationFolders()) {
        if (QFileInfo(folder + id).isFile())
            return Read(folder + id);
        const QStringList vendors = QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        for (const QString& vendor : vendors) {
            const QString path = folder + vendor + u'/' + id;
            if (QFileInfo(path).isFile())
                return Read(path);
        }
    }
    return std::nullopt;
}

DesktopEntry DesktopEntry::Read(const QString& path) {
    DesktopEntry entry;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return entry;
    QTextStream in(&file);
    bool inMainGroup = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(u'[')) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inMainGroup)
            continue;
        if (line.startsWith(QLatin1String("Exec=")) && entry.exec_.isEmpty())
            entry.exec_ = line.mid(5).trimmed();
        else if (line.startsWith(QLatin1String("Icon=")) && entry.icon_.isEmpty())
            entry.icon_ = line.mid(5).trimmed();
    }
    return entry;
}

QString DesktopEntry::ExecProgram() const {
    const QString text = exec_.trimmed();
    if (text.startsWith(u'"')) {
        const qsizetype close = text.indexOf(u'"', 1);
        return close < 0 ? text.mid(1) : text.mid(1, close - 1);
    }
    const qsizetype blank = text.indexOf(u' ');
    return blank < 0 ? text : text.left(blank);
}
