#pragma once

#include <QString>
#include <QStringList>

class ProfileFile;

// The recently opened workspace folders, newest first. Entries compare
// without regard to letter case.
class TRecentOpened {
public:
    int MaxItem() const { return FMaxItem; }
    // The most entries that adding keeps; a list read from the file may
    // hold more until the next addition.
    void SetMaxItem(int Value) { FMaxItem = Value; }

    int Count() const { return int(fList.size()); }
    const QString& Strings(int Index) const { return fList.at(Index); }
    const QStringList& Items() const { return fList; }
    // Index of the entry equal to value in any letter case, or -1.
    int IndexOf(const QString& value) const;
    void Clear() { fList.clear(); }

    // Puts value first, dropping the oldest entries beyond MaxItem - 1.
    // False, and nothing moves, when the list already holds value.
    bool AddWorkspace(const QString& value);

    // Appends the entries the file lists, as they stand: no check for
    // doubles, no trimming to MaxItem, empty ones included. A count beyond
    // 1024 is taken as 1024.
    void ReadFromIni(const ProfileFile& IniFile);
    // Writes the count and every entry. Keys an earlier, longer list left
    // behind stay; the count bounds what is read.
    void WriteToIni(ProfileFile& IniFile) const;

private:
    QStringList fList;
    int FMaxItem = 16;
};
