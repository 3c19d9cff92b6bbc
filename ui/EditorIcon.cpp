#include "ui/EditorIcon.h"

#include "platform/DesktopEntry.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

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
    const QStringList dataFolders = DesktopEntry::DataFolders();
    const QStringList suffixes{QStringLiteral(".png"), QStringLiteral(".svg"),
                               QStringLiteral(".xpm")};
    for (const QString& folder : dataFolders) {
        for (const QString& suffix : suffixes) {
            const QString pixmap = folder + QStringLiteral("pixmaps/") + name + suffix;
            if (QFileInfo::exists(pixmap))
                return QIcon(pixmap);
        }
        // hicolor is every desktop's fallback; then any other theme.
        QStringList themes{QStringLiteral("hicolor")};
        for (const QString& theme :
             QDir(folder + QStringLiteral("icons")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            if (theme != themes.first())
                themes << theme;
        }
        const QStringList sizes{QStringLiteral("48x48"),    QStringLiteral("32x32"),
                                QStringLiteral("scalable"), QStringLiteral("64x64"),
                                QStringLiteral("128x128"),  QStringLiteral("16x16")};
        for (const QString& theme : themes) {
            for (const QString& size : sizes) {
                for (const QString& suffix : suffixes) {
                    const QString file = folder + QStringLiteral("icons/") + theme + u'/' + size +
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

QString DesktopEntryIcon(const QString& program, const QStringList& applicationFolders) {
    for (const QString& folder : applicationFolders) {
        QDirIterator it(folder, {QStringLiteral("*.desktop")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const DesktopEntry entry = DesktopEntry::Read(it.next());
            if (!entry.Icon().isEmpty() && StartsProgram(entry.ExecProgram(), program))
                return entry.Icon();
        }
    }
    return QString();
}

QIcon ForProgram(const QString& program) {
    if (program.trimmed().isEmpty() || !QFileInfo(program).isFile())
        return QIcon();
    const QIcon fromEntry =
        IconNamed(DesktopEntryIcon(program, DesktopEntry::ApplicationFolders()));
    if (!fromEntry.isNull())
        return fromEntry;
    return QFileIconProvider().icon(QFileInfo(program));
}

} // namespace EditorIcon
