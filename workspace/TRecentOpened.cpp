#include "workspace/TRecentOpened.h"

#include "platform/ProfileFile.h"

#include <algorithm>

namespace {
const QLatin1String kSection("Recent opened");
const QLatin1String kCount("Items");
// A damaged count must not make the start read (and list) billions of
// empty entries.
constexpr int kMostEntriesRead = 1024;

QString ItemKey(int index) {
    return QStringLiteral("Item %1").arg(index);
}
} // namespace

int TRecentOpened::IndexOf(const QString& value) const {
    for (int i = 0; i < Count(); ++i) {
        if (QString::compare(fList.at(i), value, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

bool TRecentOpened::AddWorkspace(const QString& value) {
    if (IndexOf(value) >= 0)
        return false;
    while (!fList.isEmpty() && Count() >= FMaxItem)
        fList.removeLast();
    fList.prepend(value);
    return true;
}

void TRecentOpened::ReadFromIni(const ProfileFile& IniFile) {
    const int count = std::min(IniFile.ReadInteger(kSection, kCount, 0), kMostEntriesRead);
    for (int i = 0; i < count; ++i)
        fList << IniFile.ReadString(kSection, ItemKey(i), QString());
}

void TRecentOpened::WriteToIni(ProfileFile& IniFile) const {
    IniFile.WriteInteger(kSection, kCount, Count());
    for (int i = 0; i < Count(); ++i)
        IniFile.WriteString(kSection, ItemKey(i), fList.at(i));
}
