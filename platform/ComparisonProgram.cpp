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

bool ComparisonProgram::Start(const QString& program, const QString& first, const QString& second) {
    return QProcess::startDetached(program, {first, second});
}
