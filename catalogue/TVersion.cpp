#include "catalogue/TVersion.h"

#include "catalogue/VersionConsts.h"
#include "catalogue/VersionListView.h"
#include "platform/TextRules.h"

TVersion::TVersion(TVersionCollection* AParent) : TVersionItem(AParent) {}

TVersion::~TVersion() {
    if (listView_)
        listView_->DeleteRow(this);
}

QString TVersion::XmlElementName() const {
    return QStringLiteral("Version");
}

int TVersion::VersionNrOf(const QString& name) {
    return TextRules::ParseInt32(TextRules::Trim(QStringView(name).mid(7))).value_or(0);
}

int TVersion::Nr() const {
    return VersionNrOf(Name());
}

bool TVersion::VersionSelected() const {
    return listView_ && listView_->IsRowSelected(fListItem);
}

void TVersion::SetVersionSelected(bool Value) {
    if (listView_ && Value)
        listView_->SelectRow(fListItem);
}

void TVersion::AddToView(VersionListView* list) {
    if (!TextRules::UpperAscii(Name()).contains(QLatin1String("VERSION")))
        return;
    if (list)
        list->AddRow(this);
    if (listView_)
        listView_->SetRow(fListItem, DisplayName(), State(), State());
}

void TVersion::OnStateChange() {
    if (listView_)
        AddToView(nullptr);
}

void TVersion::AddToTree(CatalogueTreeView*, TreeNode*) {}

QString TVersion::DisplayName() const {
    return VersionCaption(Name(), State(), ParentVersion(), CheckInProperties().sOwner);
}

QString TVersion::LongName() const {
    return VersionLongName(Name(), State(), ParentVersion(), CheckInProperties().sOwner);
}

QString TVersion::RecordLine() const {
    const TCheckInProperties& record = CheckInProperties();
    return (IsCheckedOut() ? QStringLiteral("Checked out at:\t")
                           : QStringLiteral("Checked in at:\t")) +
           record.sDatetime + QStringLiteral(" by ") + record.sOwner;
}

QStringList TVersion::DisplayLines() const {
    QStringList lines{DisplayName(),
                      QStringLiteral("Folder:\t") + Path(),
                      QStringLiteral("State:\t") + StateName(State()),
                      QStringLiteral("Parent version:\t") + ParentVersion(),
                      QStringLiteral("Edit With:\t") + Editor(),
                      RecordLine()};
    if (!IsCheckedOut())
        lines << QString() << QStringLiteral("Description:\t") + CheckInProperties().sDescription;
    return lines;
}

QStringList TVersion::SummaryLines() const {
    return {QStringLiteral("Folder:\t") + Name(), QStringLiteral("State:\t") + StateName(State()),
            RecordLine()};
}

QString TVersion::AsString() const {
    const TCheckInProperties& record = CheckInProperties();
    QStringList lines{DisplayName(), QStringLiteral("Folder         : ") + Path(),
                      QStringLiteral("State          : ") + StateName(State()),
                      QStringLiteral("Parent version : ") + ParentVersion()};
    if (IsCheckedOut()) {
        lines << QStringLiteral("Checked out at : ") + record.sDatetime + QStringLiteral(" by ") +
                     record.sOwner;
    } else {
        lines << QStringLiteral("Checked in at  : ") + record.sDatetime + QStringLiteral(" by ") +
                     record.sOwner
              << QString() << QStringLiteral("Description    : ") + record.sDescription;
    }
    return lines.join(u'\r');
}
