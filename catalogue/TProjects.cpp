#include "catalogue/TProjects.h"

#include "catalogue/ItemFolders.h"
#include "catalogue/TProject.h"
#include "platform/FileSystem.h"
#include "platform/UserInterface.h"

#include <QDir>

TProjects::TProjects(TVersionItem* AOwner) : TVersionCollection(AOwner) {}

QString TProjects::XmlElementName() const {
    return QStringLiteral("Projects");
}

std::unique_ptr<TVersionItem> TProjects::GetItem() {
    return std::make_unique<TProject>(this);
}

TVersionItem* TProjects::AddNewItem() {
    const std::optional<QString> name = AskNewName();
    return name ? AddProject(*name) : nullptr;
}

std::optional<QString> TProjects::AskNewName() const {
    return AskFreeName(QStringLiteral("Project name dialog"), QStringLiteral("Enter project name"),
                       BytesUsedBelow(QStringList{FirstVersionName()}));
}

QString TProjects::FirstVersionName() {
    return QStringLiteral("version 1");
}

TVersionItem* TProjects::AddProject(const QString& name) {
    TVersionItem* project = AddNamedItem(name);
    if (!project)
        return nullptr;
    TVersionItem* first = project->VersionCollection()->AddItem();
    first->SetName(FirstVersionName());
    QString reason;
    if (!FileSystem::MakeFolder(first->Path(), &reason)) {
        const QString path = first->Path();
        // Only an empty project folder is ours to take back.
        QDir().rmdir(FileSystem::WithoutTrailingSeparator(project->Path()));
        DelItem(project);
        User().ShowMessage(
            QStringLiteral("The folder %1 could not be created: %2.").arg(path, reason));
        return nullptr;
    }
    project->SetSelected(true);
    return project;
}

bool TProjects::RemoveItem(TVersionItem* Value) {
    return RemoveAfterConfirmation(Value, RemoveQuestion(Value));
}

QString TProjects::RemoveQuestion(const TVersionItem* Value) const {
    if (Value->VersionCollection() && Value->VersionCollection()->Count() > 0)
        return QStringLiteral("Delete Project %1?").arg(Value->Name());
    return QString();
}
