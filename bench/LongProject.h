#pragma once

// A project of many versions for the history benchmarks.

#include "platform/DateTimeText.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLocale>

#include <cstdio>

// One project of versions whose data files hold times the system's locale
// reads, a few of them not, as a long-lived project has. Once; later runs
// reuse it.
inline QString LongProject(const QString& benchRoot, int versions) {
    const QString root = benchRoot + QStringLiteral("/history-%1/").arg(versions);
    const QString marker = root + QStringLiteral(".complete");
    if (QFile::exists(marker))
        return root;
    std::fprintf(stderr, "generating a project of %d versions in %s ...\n", versions,
                 qPrintable(root));
    const QString project = root + QStringLiteral("Client/Project/");
    for (int v = 1; v <= versions; ++v) {
        const QString folder =
            project + (v == 1 ? QStringLiteral("version 1") : QStringLiteral("Version %1").arg(v));
        QDir().mkpath(folder);
        const QDateTime when = QDateTime(QDate(2020, 1, 1), QTime(9, 0)).addSecs(qint64(v) * 7211);
        const QString text =
            QStringLiteral("<Version state=\"%1\" parent=\"Version %2\" >\r<Editor>\r</Editor>\r"
                           "    <Date_time>\r        %3\r    </Date_time>\r"
                           "    <Owner>\r        %4\r    </Owner>\r"
                           "    <Description>\r        Work of the day %5\r\n"
                           "        and more\r    </Description>\r</Version>\r\n")
                .arg(v % 10 ? QStringLiteral("checked in") : QStringLiteral("checked out"))
                .arg(v - 1)
                .arg(v % 97 ? CheckInDateTime(when, QLocale::system()) : QStringLiteral("?"))
                .arg(QLatin1String(v % 3 ? "anna" : "bert"))
                .arg(v);
        QFile file(folder + QStringLiteral("/QuorvelConfig.xml"));
        if (file.open(QIODevice::WriteOnly))
            file.write(text.toLatin1());
    }
    QFile done(marker);
    done.open(QIODevice::WriteOnly);
    return root;
}
