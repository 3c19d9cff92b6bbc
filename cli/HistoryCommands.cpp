#include "cli/HistoryCommands.h"

#include "catalogue/TClients.h"
#include "catalogue/VersionConsts.h"
#include "cli/CommandLine.h"
#include "cli/Console.h"
#include "cli/ExitCode.h"
#include "cli/ItemLookup.h"
#include "cli/JsonWriter.h"
#include "platform/TerminationSignals.h"
#include "platform/UserInterface.h"
#include "versioning/CheckInSearch.h"
#include "workspace/TProjectManager.h"

#include <QElapsedTimer>
#include <QRegularExpression>

#include <algorithm>

namespace {

QString Grep() {
    return QStringLiteral("--grep");
}

QString Since() {
    return QStringLiteral("--since");
}

} // namespace

QString HistoryCommands::CheckLogLine(const CommandLine& line) {
    const std::optional<QString> grep = line.Value(Grep());
    if (line.Arguments().size() == 1 || (line.Arguments().isEmpty() && !grep))
        return QStringLiteral("log needs CLIENT PROJECT, or --grep TEXT to search the whole "
                              "workspace");
    if (grep && grep->isEmpty())
        return QStringLiteral("--grep needs a text to search for");
    const std::optional<QString> since = line.Value(Since());
    if (since && !ParseDay(*since))
        return QStringLiteral("--since needs a date as YYYY-MM-DD, for example 2026-12-01, not "
                              "\"%1\"")
            .arg(*since);
    return QString();
}

std::optional<QDate> HistoryCommands::ParseDay(const QString& text) {
    // Qt's own ISO reading lets more through (a time after the date).
    static const QRegularExpression day(QStringLiteral("^[0-9]{4}-[0-9]{2}-[0-9]{2}$"));
    if (!day.match(text).hasMatch())
        return std::nullopt;
    const QDate date = QDate::fromString(text, Qt::ISODate);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

ProjectHistory::Unreadable HistoryCommands::NoteUnreadable() {
    return [this](const ProjectHistory::Row& row, const QString& reason) {
        unreadable_ = true;
        Console::ErrLine(ErrorDisplayText(
            QStringLiteral("The data file of %1 could not be read: %2")
                .arg(QStringList{row.client, row.project, row.version}.join(u'/'), reason)));
    };
}

int HistoryCommands::Log(const CommandLine& line) {
    const std::optional<QString> since = line.Value(Since());
    CheckInSearch search(line.Value(Grep()).value_or(QString()),
                         since ? ParseDay(*since) : std::nullopt);
    // Ctrl-C stops the reading; the run then ends as interrupted.
    auto goOn = [](int, int) { return !TerminationSignals::Requested(); };
    const QStringList& arguments = line.Arguments();
    std::vector<ProjectHistory::Row> rows;
    if (arguments.size() == 2) {
        const TVersionItem* project = ItemLookup::Project(arguments[0], arguments[1]);
        if (!project)
            return ExitCode::Failed;
        ProjectHistory history;
        if (!history.Read(project, QLocale::system(), goOn, NoteUnreadable()))
            return ExitCode::Failed;
        rows = search.Filter(history.Rows());
    } else {
        QElapsedTimer sinceShown;
        const bool complete = search.Search(
            ProjectMngr->Clients(), QLocale::system(),
            [&](int done, int total) {
                // The terminal needs no more than a few updates a second.
                if (!sinceShown.isValid() || sinceShown.elapsed() >= 100) {
                    sinceShown.start();
                    Console::Status(QStringLiteral("Searching: %1% (%2 of %3 versions)")
                                        .arg(qint64(done) * 100 / total)
                                        .arg(done)
                                        .arg(total));
                }
                return goOn(done, total);
            },
            NoteUnreadable());
        Console::ClearStatus();
        if (!complete)
            return ExitCode::Failed;
        rows = search.Results();
    }
    // Their records would be guesses; they were named on stderr.
    rows.erase(std::remove_if(rows.begin(), rows.end(),
                              [](const ProjectHistory::Row& row) {
                                  return row.record == ProjectHistory::Record::Unreadable;
                              }),
               rows.end());
    if (line.Has(QStringLiteral("--json")))
        PrintJson(rows);
    else
        PrintText(rows, arguments.isEmpty());
    return unreadable_ ? ExitCode::Failed : ExitCode::Done;
}

void HistoryCommands::PrintText(const std::vector<ProjectHistory::Row>& rows, bool withProject) {
    for (const ProjectHistory::Row& row : rows) {
        QStringList fields;
        if (withProject)
            fields << row.client << row.project;
        // A tab in the description would shift the columns.
        fields << row.version << row.parent << StateName(row.state) << row.owner << row.dateTime
               << row.FirstLine().replace(u'\t', u' ');
        Console::OutLine(fields.join(u'\t'));
    }
}

void HistoryCommands::PrintJson(const std::vector<ProjectHistory::Row>& rows) {
    JsonWriter json([](const QByteArray& piece) { Console::OutBytes(piece); });
    json.BeginObject();
    json.Field(QStringLiteral("workspace"), ProjectMngr->WorkSpace());
    json.Key(QStringLiteral("versions"));
    json.BeginArray();
    for (const ProjectHistory::Row& row : rows) {
        json.BeginObject();
        json.Field(QStringLiteral("client"), row.client);
        json.Field(QStringLiteral("project"), row.project);
        json.Field(QStringLiteral("name"), row.version);
        json.Field(QStringLiteral("number"), row.number);
        json.Field(QStringLiteral("state"), StateName(row.state));
        json.Field(QStringLiteral("parent"), row.parent);
        json.Field(QStringLiteral("datetime"), row.dateTime);
        json.Field(QStringLiteral("when"), row.when ? row.when->toString(Qt::ISODate) : QString());
        json.Field(QStringLiteral("owner"), row.owner);
        json.Field(QStringLiteral("description"), row.description);
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
    json.Finish();
}
