#include "platform/ComparisonProgram.h"

#include <QProcess>
#include <QStandardPaths>

QStringList ComparisonProgram::KnownNames() {
    return {QStringLiteral("meld"), QStringLiteral("kdiff3"), QStringLiteral("kompare")};
}

QString ComparisonProgram::Find() {
    for (const QString& name : KnownNames()) {
        const QString path = QStandardPaths::findExecutable(name);
        if (!path.isEmpty())
            return path;
    }
    return QString();
}

QString ComparisonProgram::MissingText() {
    QStringList names = KnownNames();
    const QString last = names.takeLast();
    return QStringLiteral("None of %1 or %2 is installed. Install one of them to see a changed "
                          "file side by side (for example: sudo apt-get install %3).")
        .arg(names.join(QStringLiteral(", ")), last, KnownNames().constFirst());
}

bool ComparisonProgram::Start(const QString& program, const QString& first, const QString& second) {
    return QProcess::startDetached(program, {first, second});
}
