#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QTemporaryDir>

// A real folder for a test, removed afterwards.
class TestWorkspace {
public:
    TestWorkspace();

    // The folder path, ending with "/".
    QString Path() const;
    // Creates a folder (with parents) below the workspace; returns its path with "/".
    QString CreateDir(const QString& relative) const;
    // Creates a file with the given bytes; returns its path.
    QString CreateFile(const QString& relative, const QByteArray& bytes = QByteArray()) const;
    QByteArray ReadFile(const QString& relative) const;
    bool Exists(const QString& relative) const;

private:
    QTemporaryDir dir_;
};

// A version's data file as the program writes it: the state, the parent
// and a record of jdoe's.
QByteArray VersionDataFile(const char* state, const char* parent);

// "Client", "Client/Project" and "Client/Project/Version" for every folder
// of the workspace at root; hidden ones (the program's work folders) only
// with hidden.
QSet<QString> ItemFolders(const QString& root, bool hidden);
// The same names, as a catalogue file's text lists them.
QSet<QString> CatalogueItems(const QByteArray& catalogue);

// Keeps a test away from the real user's files and trash: a temporary
// HOME and XDG folders, and Qt's test mode for standard paths.
void IsolateFromUserFiles();

// Qt Test's main with the isolation first.
#define QUORVEL_TEST_MAIN(TestClass)                                                               \
    int main(int argc, char** argv) {                                                              \
        IsolateFromUserFiles();                                                                    \
        QCoreApplication app(argc, argv);                                                          \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
