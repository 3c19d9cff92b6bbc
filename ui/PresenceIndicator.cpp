#include "ui/PresenceIndicator.h"

#include <QLocale>
#include <QTimer>
#include <algorithm>

namespace {
constexpr int kLookEveryMs = 2000;
} // namespace

PresenceIndicator::PresenceIndicator(QWidget* parent) : QLabel(parent), timer_(new QTimer(this)) {
    setObjectName(QStringLiteral("PresenceIndicator"));
    timer_->setInterval(kLookEveryMs);
    connect(timer_, &QTimer::timeout, this, &PresenceIndicator::Update);
}

void PresenceIndicator::SetWorkspace(const QString& folder) {
    presence_.SetWorkspace(folder);
    if (folder.isEmpty())
        timer_->stop();
    else
        timer_->start();
    Update();
}

QString PresenceIndicator::Text(QList<WorkspacePresence::Other> others, const QDateTime& now) {
    if (others.isEmpty())
        return QString();
    std::stable_sort(others.begin(), others.end(),
                     [](const WorkspacePresence::Other& a, const WorkspacePresence::Other& b) {
                         return a.since < b.since;
                     });
    const QDate today = now.toLocalTime().date();
    QStringList entries;
    for (const WorkspacePresence::Other& other : others) {
        const QDateTime since = other.since.toLocalTime();
        QString when = since.toString(QStringLiteral("HH:mm"));
        if (since.date() != today)
            when = QLocale().toString(since.date(), QLocale::ShortFormat) + u' ' + when;
        entries << QStringLiteral("%1 on %2 since %3").arg(other.user, other.machine, when);
    }
    return QStringLiteral("Also open here: ") + entries.join(QStringLiteral("; "));
}

void PresenceIndicator::Update() {
    const QString text = Text(presence_.Others(), QDateTime::currentDateTime());
    // Unchanged text: no relayout of the status bar.
    if (text != this->text())
        setText(text);
}
