#include "support/TestWorkspace.h"

#include <QRegularExpression>

#include <QDirIterator>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdlib>

TestWorkspace::TestWorkspace() : dir_(QDir::tempPath() + QStringLiteral("/quorvel-test-XXXXXX")) {}

QString TestWorkspace::Path() const {
    return dir_.path() + u'/';
}

QString TestWorkspace::CreateDir(const QString& relative) const {
    QDir().mkpath(Path() + relative);
    return Path() + relative + (relative.endsWith(u'/') ? QString() : QStringLiteral("/"));
}

QString TestWorkspace::CreateFile(const QString& relative, const QByteArray& bytes) const {
    const QString path = Path() + relative;
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

QByteArray TestWorkspace::ReadFile(const QString& relative) const {
    QFile file(Path() + relative);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool TestWorkspace::Exists(const QString& relative) const {
    return QFileInfo::exists(Path() + relative);
}

void IsolateFromUserFiles() {
    static QTemporaryDir home(QDir::tempPath() + QStringLiteral("/quorvel-home-XXXXXX"));
    const QByteArray root = QFile::encodeName(home.path());
    qputenv("HOME", root);
    qputenv("XDG_DATA_HOME", root + "/.local/share");
    qputenv("XDG_CONFIG_HOME", root + "/.config");
    qputenv("XDG_CACHE_HOME", root + "/.cache");
    QDir().mkpath(home.path() + QStringLiteral("/.local/share"));
    QStandardPaths::setTestModeEnabled(true);
}

QByteArray VersionDataFile(const char* state, const char* parent) {
    return QByteArray("<Version state=\"") + state + "\" parent=\"" + parent +
           "\" >\r<Editor>\r</Editor>\r    <Date_time>\r        01-02-2026 10:00:00\r    "
           "</Date_time>\r    <Owner>\r        jdoe\r    </Owner>\r    <Description>\r        "
           "\r    </Description>\r</Version>\r\n";
}

QSet<QString> ItemFolders(const QString& root, bool hidden) {
    QSet<QString> found;
    QDirIterator it(root,
                    QDir::Dirs | QDir::NoDotAndDotDot | (hidden ? QDir::Hidden : QDir::Filters()),
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString relative = QDir(root).relativeFilePath(it.next());
        if (relative.count(u'/') < 3)
            found.insert(relative);
    }
    return found;
}

QSet<QString> CatalogueItems(const QByteArray& catalogue) {
    static const QRegularExpression element(
        QStringLiteral("<(Client|Project|Version) name=\"([^\"]*)\">"));
    QSet<QString> listed;
    QString client;
    QString project;
    auto match = element.globalMatch(QString::fromLatin1(catalogue));
    while (match.hasNext()) {
        const QRegularExpressionMatch item = match.next();
        if (item.captured(1) == QLatin1String("Client")) {
            client = item.captured(2);
            listed.insert(client);
        } else if (item.captured(1) == QLatin1String("Project")) {
            project = client + u'/' + item.captured(2);
            listed.insert(project);
        } else {
            listed.insert(project + u'/' + item.captured(2));
        }
    }
    return listed;
}
