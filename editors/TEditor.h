#pragma once

#include <QString>
#include <functional>

class TProjectEditors;
class TVersion;

// One registered editor: a program the user chose, under a name of their
// own, started with a version's folder as its only argument.
class TEditor {
public:
    using TOnClick = std::function<void(TEditor*)>;

    TEditor(TProjectEditors* AOwner, const QString& aName, const QString& aPath);
    TEditor(const TEditor&) = delete;
    TEditor& operator=(const TEditor&) = delete;

    const QString& Name() const { return fName; }
    const QString& Path() const { return fPath; }
    void SetPath(const QString& Value) { fPath = Value; }
    // The file the editor's icon comes from: its program. The desktop
    // program turns it into a picture; an empty path means none.
    QString IconSource() const { return fPath; }
    TProjectEditors* Owner() const { return fOwner; }

    const TOnClick& OnClick() const { return FOnClick; }
    void SetOnClick(TOnClick Value) { FOnClick = std::move(Value); }
    // The editor's menu entry was chosen: calls OnClick with the editor.
    void DoMenuClick();

    // Starts the editor on the folder CmdLine, whose last character (the
    // closing separator) is dropped, in this program's current folder, and
    // waits until it has ended. False, at once, when nothing could be
    // started. Shows and raises nothing.
    bool Execute(const QString& CmdLine);
    // Records the editor in the version, writes the version's data file,
    // then starts the editor on the version's folder; true when it started
    // (after it ended). Raises QuorvelError,
    // before changing anything, when the version's names are not single
    // folder names, or when the data file cannot be written.
    bool Execute(TVersion* Version);
    // The first half of Execute: makes this the version's editor, in its
    // data file too.
    void Assign(TVersion* Version);

    // What the user is told when an editor could not be started on a folder.
    static QString ExecuteErrorText(const QString& folder, const QString& editorName);

private:
    QString fName;
    QString fPath;
    TOnClick FOnClick;
    TProjectEditors* fOwner;
};
