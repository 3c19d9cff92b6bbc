#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class TEditor;

// The registered editors, in the order of "Editor.ini" followed by those
// registered during the run. Read from the file when created; written back
// only through WriteIni.
class TProjectEditors {
public:
    using TOnEditorClick = std::function<void(TEditor*)>;

    // Reads ProgramPaths::EditorRegistryFile().
    TProjectEditors();
    // Writes nothing: the owner calls WriteIni and reports its errors.
    ~TProjectEditors();
    TProjectEditors(const TProjectEditors&) = delete;
    TProjectEditors& operator=(const TProjectEditors&) = delete;

    int Count() const { return int(fList.size()); }
    // Raises QuorvelError for an index outside 0 to Count - 1.
    TEditor* GetItems(int AIndex) const;
    // Appends the editor, routes its clicks to DoEditorClick and returns
    // its index.
    int Add(std::unique_ptr<TEditor> Editor);
    // Removes and destroys the editor; an editor not in the list is left
    // alone.
    void Del(TEditor* Editor);

    // Lets the user choose a program and name it. The name must be new
    // (the file keeps one section per name, whatever its letter case) and
    // not empty; otherwise the user is told and asked again. Returns the
    // added editor, or null when the user cancelled.
    TEditor* New();

    // The first editor whose path equals path without its surrounding
    // blanks and control characters, a-z taken as A-Z; -1 when none.
    int IndexOfEditorPath(const QString& path) const;
    // That editor's name, or empty text.
    QString NameOfPath(const QString& path) const;
    // The first editor whose name equals name (not trimmed), a-z taken as
    // A-Z; null when none.
    TEditor* EditorByName(const QString& name) const;
    // Empties Strings and fills it with the names in registry order.
    void Assign(QStringList& Strings) const;

    const QString& FileName() const { return fFileName; }
    // Adds an editor for every section of the file, in file order.
    void ReadIni();
    // Writes every editor's path into the section named after it. Nothing
    // is written when there are no editors. Raises QuorvelError
    // "Unable to write to ..."; the editors after the failing one are then
    // not written.
    void WriteIni() const;

    const TOnEditorClick& OnEditorClick() const { return FOnEditorClick; }
    void SetOnEditorClick(TOnEditorClick Value) { FOnEditorClick = std::move(Value); }
    // An editor's entry was chosen: hands the editor to OnEditorClick.
    void DoEditorClick(TEditor* Sender);

private:
    // Why the name cannot be registered, or empty text when it can.
    QString NameRefusal(const QString& name) const;

    QString fFileName;
    std::vector<std::unique_ptr<TEditor>> fList;
    TOnEditorClick FOnEditorClick;
};
