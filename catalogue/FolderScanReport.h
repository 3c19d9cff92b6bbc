#pragma once

#include <QString>
#include <QStringList>

// What a rebuild's scan of the folders met besides clients, projects and
// versions: folders it left out and why, unfinished work it removed, and
// folders it could not read. The scan goes on past each of them.
class FolderScanReport {
public:
    // A scan for a command that only reads leaves unfinished work where it is.
    explicit FolderScanReport(bool removesLeftovers = true) : removesLeftovers_(removesLeftovers) {}

    // The reasons a folder is left out.
    static QString NotUtf8();
    static QString NameTheFileCannotHold();

    bool RemovesLeftovers() const { return removesLeftovers_; }

    void LeftOut(const QString& path, const QString& reason);
    // A folder left out because it is a symbolic link: renaming it would
    // not bring it in.
    void LinkLeftOut(const QString& path);
    void Removed(const QString& path);
    void Failed(const QString& message);

    // The catalogue lacks whatever the folders it could not read hold.
    bool HasErrors() const { return !errors_.isEmpty(); }
    const QStringList& Errors() const { return errors_; }
    // What the user is told of the folders left out and the work removed;
    // empty when there was nothing.
    QString Notes() const;

private:
    bool removesLeftovers_;
    QStringList leftOut_;
    QStringList linksLeftOut_;
    QStringList removed_;
    QStringList errors_;
};
