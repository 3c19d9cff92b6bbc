#include "ui/TGoToWeb.h"

#include "platform/DesktopEntry.h"
#include "platform/TextRules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace {

// Extra arguments of the last command taken apart, shared by all.
QString para;

const QString programEndings[] = {QStringLiteral(".EXE"), QStringLiteral(".BAT"),
                                  QStringLiteral(".COM")};

// Where the rightmost ".EXE", ".BAT" or ".COM" ends, letter case ignored;
// -1 when none does.
qsizetype EndOfProgram(const QString& command) {
    for (qsizetype end = command.size(); end >= 4; --end) {
        const QStringView four = QStringView(command).mid(end - 4, 4);
        for (const QString& ending : programEndings) {
            if (TextRules::SameTextAscii(four, ending))
                return end - 1;
        }
    }
    return -1;
}

// Deletes every "%" up to the next blank or the end; the blank stays.
QString WithoutPlaceholders(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        if (text[i] == u'%') {
            while (i < text.size() && text[i] != u' ')
                ++i;
            continue;
        }
        out += text[i++];
    }
    return out;
}

// The arguments that follow the program: quotes gone, placeholders gone.
QString ArgumentsOf(const QString& rest) {
    QString arguments = TextRules::Trim(rest);
    arguments.remove(u'"');
    if (!arguments.isEmpty())
        arguments = WithoutPlaceholders(arguments);
    return TextRules::Trim(arguments);
}

} // namespace

TGoToWeb::TGoToWeb(QObject* aOwner) : QObject(aOwner) {}

QString TGoToWeb::Para() {
    return para;
}

int TGoToWeb::GwToSw(TBrowserState GwValue) {
    return GwValue == gwMaximized ? 3 : 1;
}

QString TGoToWeb::BrowserPathOf(const QString& command, QString* arguments) {
    if (command.isEmpty())
        return QString();
    QString path = command;
    const qsizetype end = EndOfProgram(command);
    if (end >= 0) {
        if (end + 1 < command.size()) {
            *arguments = ArgumentsOf(command.mid(end + 1));
            path = command.left(end + 1);
        } else {
            arguments->clear();
        }
        if (path.startsWith(u'"'))
            path.remove(0, 1);
        return path;
    }
    // A command of this desktop: the program is the first word.
    const QString trimmed = TextRules::Trim(command);
    qsizetype after;
    if (trimmed.startsWith(u'"')) {
        const qsizetype close = trimmed.indexOf(u'"', 1);
        path = close < 0 ? trimmed.mid(1) : trimmed.mid(1, close - 1);
        after = close < 0 ? trimmed.size() : close + 1;
    } else {
        const qsizetype blank = trimmed.indexOf(u' ');
        path = blank < 0 ? trimmed : trimmed.left(blank);
        after = blank < 0 ? trimmed.size() : blank;
    }
    *arguments = ArgumentsOf(trimmed.mid(after));
    return path;
}

QString TGoToWeb::BrowserPath() {
    return BrowserPathOf(FindBrowser(), &para);
}

QString TGoToWeb::FindBrowser() {
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty())
        return QString();
    QProcess query;
    query.start(xdgMime,
                {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/html")});
    if (!query.waitForFinished(5000) || query.exitStatus() != QProcess::NormalExit)
        return QString();
    const QString id = QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
    const std::optional<DesktopEntry> entry = DesktopEntry::Find(id);
    return entry ? entry->Exec() : QString();
}

bool TGoToWeb::Execute() {
    const QString path = BrowserPath();
    if (path.isEmpty())
        return false;
    QStringList arguments = QProcess::splitCommand(para);
    arguments << FUrl;
    return QProcess::startDetached(path, arguments);
}
