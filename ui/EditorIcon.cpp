#include "ui/EditorIcon.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTextStream>

namespace {

struct DesktopEntry {
    QString exec;
    QString icon;
};

// The keys of the "[Desktop Entry]" group that matter here.
DesktopEntry ReadDesktopEntry(const QString& path) {
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
        if (line.startsWith(QLatin1String("Exec=")) && entry.exec.isEmpty())
            entry.exec = line.mid(5).trimmed();
        else if (line.startsWith(QLatin1String("Icon=")) && entry.icon.isEmpty())
            entry.icon = line.mid(5).trimmed();
    }
    return entry;
}

QString Canonical(const QString& path) {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? QFileInfo(path).absoluteFilePath() : canonical;
}

bool StartsProgram(const QString& execProgram, const QString& program) {
    if (execProgram.isEmpty())
        return false;
    QString execPath = execProgram;
    if (!execPath.contains(u'/')) {
        if (QFileInfo(program).fileName() != execPath)
            return false;
        execPath = QStandardPaths::findExecutable(execPath);
        if (execPath.isEmpty())
            return false;
    }
    return Canonical(execPath) == Canonical(program);
}

// A themed icon, or a picture file of that name in the usual folders.
QIcon IconNamed(const QString& name) {
    if (name.isEmpty())
        return QIcon();
    if (QDir::isAbsolutePath(name))
        return QFileInfo::exists(name) ? QIcon(name) : QIcon();
    QIcon themed = QIcon::fromTheme(name);
    if (!themed.isNull())
        return themed;
    const QStringList dataFolders =
        QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    const QStringList suffixes{QStringLiteral(".png"), QStringLiteral(".svg"),
                               QStringLiteral(".xpm")};
    for (const QString& folder : dataFolders) {
        for (const QString& suffix : suffixes) {
            const QString pixmap = folder + QStringLiteral("/pixmaps/") + name + suffix;
            if (QFileInfo::exists(pixmap))
                return QIcon(pixmap);
        }
        // hicolor is every desktop's fallback; then any other theme.
        QStringList themes{QStringLiteral("hicolor")};
        for (const QString& theme :
             QDir(folder + QStringLiteral("/icons")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            if (theme != themes.first())
                themes << theme;
        }
        const QStringList sizes{QStringLiteral("48x48"),    QStringLiteral("32x32"),
                                QStringLiteral("scalable"), QStringLiteral("64x64"),
                                QStringLiteral("128x128"),  QStringLiteral("16x16")};
        for (const QString& theme : themes) {
            for (const QString& size : sizes) {
                for (const QString& suffix : suffixes) {
                    const QString file = folder + QStringLiteral("/icons/") + theme + u'/' + size +
                                         QStringLiteral("/apps/") + name + suffix;
                    if (QFileInfo::exists(file))
                        return QIcon(file);
                }
            }
        }
    }
    return QIcon();
}

} // namespace

namespace EditorIcon {

QString ExecProgram(const QString& exec) {
    const QString text = exec.trimmed();
    if (text.startsWith(u'"')) {
        const qsizetype close = text.indexOf(u'"', 1);
        return close < 0 ? text.mid(1) : text.mid(1, close - 1);
    }
    const qsizetype blank = text.indexOf(u' ');
    return blank < 0 ? text : text.left(blank);
}

QString DesktopEntryIcon(const QString& program, const QStringList& applicationFolders) {
    for (const QString& folder : applicationFolders) {
        QDirIterator it(folder, {QStringLiteral("*.desktop")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const DesktopEntry entry = ReadDesktopEntry(it.next());
            if (!entry.icon.isEmpty() && StartsProgram(ExecProgram(entry.exec), program))
                return entry.icon;
        }
    }
    return QString();
}

QIcon ForProgram(const QString& program) {
    if (program.trimmed().isEmpty() || !QFileInfo(program).isFile())
        return QIcon();
    const QIcon fromEntry = IconNamed(DesktopEntryIcon(
        program, QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation)));
    if (!fromEntry.isNull())
        return fromEntry;
    return QFileIconProvider().icon(QFileInfo(program));
}

} // namespace EditorIcon
