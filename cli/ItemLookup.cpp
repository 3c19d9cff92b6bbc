#include "cli/ItemLookup.h"

#include "catalogue/NameLookup.h"
#include "catalogue/TClients.h"
#include "catalogue/TVersion.h"
#include "cli/Console.h"
#include "workspace/TProjectManager.h"

#include <algorithm>

namespace {

bool IsNumber(const QString& text) {
    return !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

TVersionItem* Named(const TVersionCollection* items, const QString& name) {
    const NameLookup lookup(*items, name);
    if (lookup.IsAmbiguous())
        Console::ErrLine(lookup.AmbiguityMessage());
    else if (!lookup.Item())
        ItemLookup::ReportNotFound(name);
    return lookup.Item();
}

} // namespace

void ItemLookup::ReportNotFound(const QString& name) {
    Console::ErrLine(QStringLiteral("not found: ") + name);
}

TVersionItem* ItemLookup::Client(const QString& name) {
    return Named(ProjectMngr->Clients(), name);
}

TVersionItem* ItemLookup::Project(const QString& client, const QString& project) {
    TVersionItem* owner = Client(client);
    return owner ? Named(owner->VersionCollection(), project) : nullptr;
}

TVersion* ItemLookup::Version(const QString& client, const QString& project,
                              const QString& version) {
    TVersionItem* owner = Project(client, project);
    return owner ? VersionOf(owner, version) : nullptr;
}

TVersion* ItemLookup::VersionOf(TVersionItem* project, const QString& version) {
    const TVersionCollection* versions = project->VersionCollection();
    const NameLookup named(*versions, version);
    if (named.Item())
        return static_cast<TVersion*>(named.Item());
    if (named.IsAmbiguous()) {
        Console::ErrLine(named.AmbiguityMessage());
        return nullptr;
    }
    if (IsNumber(version)) {
        bool ok = false;
        const int number = version.toInt(&ok);
        for (int i = 0; ok && i < versions->Count(); ++i) {
            auto* candidate = static_cast<TVersion*>(versions->GetItems(i));
            if (candidate->Nr() == number)
                return candidate;
        }
    }
    ReportNotFound(version);
    return nullptr;
}
