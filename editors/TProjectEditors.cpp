#include "editors/TProjectEditors.h"

#include "editors/TEditor.h"
#include "platform/ProfileFile.h"
#include "platform/ProgramPaths.h"
#include "platform/QuorvelError.h"
#include "platform/TextRules.h"
#include "platform/UserInterface.h"

#include <QFileInfo>

namespace {
const QLatin1String kReadKey("path");
const QLatin1String kWriteKey("Path");
} // namespace

TProjectEditors::TProjectEditors() : fFileName(ProgramPaths::EditorRegistryFile()) {
    ReadIni();
}

TProjectEditors::~TProjectEditors() = default;

TEditor* TProjectEditors::GetItems(int AIndex) const {
    if (AIndex < 0 || AIndex >= Count())
        throw QuorvelError(QStringLiteral("List index out of bounds (%1)").arg(AIndex));
    return fList[size_t(AIndex)].get();
}

int TProjectEditors::Add(std::unique_ptr<TEditor> Editor) {
    Editor->SetOnClick([this](TEditor* editor) { DoEditorClick(editor); });
    fList.push_back(std::move(Editor));
    return Count() - 1;
}

void TProjectEditors::Del(TEditor* Editor) {
    for (auto it = fList.begin(); it != fList.end(); ++it) {
        if (it->get() == Editor) {
            fList.erase(it);
            return;
        }
    }
}

QString TProjectEditors::NameRefusal(const QString& name) const {
    if (TextRules::Trim(name).isEmpty())
        return QStringLiteral("Please give the editor a name.");
    if (!ProfileFile::CanHold(name))
        return QStringLiteral("An editor name must be a single line.");
    // Two names that differ only in letter case would share one section of
    // the file, and one of the two would be lost at the next start.
    for (const auto& editor : fList) {
        if (ProfileFile::SameName(editor->Name(), name))
            return QStringLiteral("Editor name %1 already exists.").arg(editor->Name());
    }
    return QString();
}

TEditor* TProjectEditors::New() {
    UserInterface::OpenFileRequest request;
    request.title = QStringLiteral("Select program ");
    request.filterDescription = QStringLiteral("Executables (*.exe)");
    // Programs carry no extension here; the dialog offers executable files.
    request.filterPattern = QStringLiteral("*");
    request.initialFolder = ProgramPaths::ProgramFolder();
    const std::optional<QString> path = User().AskOpenFile(request);
    if (!path)
        return nullptr;
    if (!ProfileFile::CanHold(*path)) {
        User().ShowMessage(
            QStringLiteral("The path of %1 holds a line break; the program cannot be registered.")
                .arg(*path));
        return nullptr;
    }

    const QString fileName = QFileInfo(*path).fileName();
    const QString proposed = fileName.left(fileName.indexOf(u'.'));
    const QString prompt = QStringLiteral("Specify name before [%1]").arg(*path);
    for (;;) {
        const std::optional<QString> name =
            User().AskName(QStringLiteral("Input Editor name"), prompt, proposed);
        if (!name)
            return nullptr;
        const QString refusal = NameRefusal(*name);
        if (refusal.isEmpty()) {
            const int index = Add(std::make_unique<TEditor>(this, *name, *path));
            return GetItems(index);
        }
        User().ShowMessage(refusal);
    }
}

int TProjectEditors::IndexOfEditorPath(const QString& path) const {
    const QString wanted = TextRules::Trim(path);
    for (int i = 0; i < Count(); ++i) {
        if (TextRules::SameTextAscii(fList[size_t(i)]->Path(), wanted))
            return i;
    }
    return -1;
}

QString TProjectEditors::NameOfPath(const QString& path) const {
    const int index = IndexOfEditorPath(path);
    return index < 0 ? QString() : fList[size_t(index)]->Name();
}

TEditor* TProjectEditors::EditorByName(const QString& name) const {
    for (const auto& editor : fList) {
        if (TextRules::SameTextAscii(editor->Name(), name))
            return editor.get();
    }
    return nullptr;
}

void TProjectEditors::Assign(QStringList& Strings) const {
    Strings.clear();
    for (const auto& editor : fList)
        Strings << editor->Name();
}

void TProjectEditors::ReadIni() {
    const ProfileFile ini(FileName());
    for (const QString& section : ini.SectionNames())
        Add(std::make_unique<TEditor>(this, section, ini.ReadString(section, kReadKey, QString())));
}

void TProjectEditors::WriteIni() const {
    if (fList.empty())
        return;
    ProfileFile ini(FileName());
    ini.BeginWrites();
    try {
        for (const auto& editor : fList)
            ini.WriteString(editor->Name(), kWriteKey, editor->Path());
        ini.EndWrites();
    } catch (...) {
        ini.CancelWrites();
        throw;
    }
}

void TProjectEditors::DoEditorClick(TEditor* Sender) {
    if (FOnEditorClick)
        FOnEditorClick(Sender);
}
