// Reading many data files with reads in flight: order, Cancel, failures,
// bounded read-ahead, and the walk that names the folders ahead.
#include "catalogue/CatalogueOwner.h"
#include "catalogue/DataFilesAhead.h"
#include "catalogue/TClients.h"
#include "catalogue/TVersion.h"
#include "catalogue/TVersionCollection.h"
#include "platform/QuorvelError.h"
#include "storage/DataFileReader.h"
#include "storage/TConfigStreamer.h"
#include "support/ScriptedUser.h"
#include "support/TestWorkspace.h"

#include <QFile>
#include <QtTest>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

QString Folder(int n) {
    return QStringLiteral("/f%1/").arg(n);
}

// Folders /f0/ .. /f<count-1>/, counting how many were named.
DataFileReader::Source Numbered(int count, int* named) {
    return [count, named]() -> std::optional<QString> {
        if (*named >= count)
            return std::nullopt;
        return Folder((*named)++);
    };
}

// A read whose record tells the folder back, and that can hold a read
// until the next folder's read is done, so that reads finish out of order.
class Reads {
public:
    // The first read on a reader thread waits until another one is done.
    bool holdFirst = false;
    // Folders below this one are in memory, but for these.
    int inMemoryBelow = 0;
    QList<int> outOfMemory;

    DataFileRecord Read(const QString& folder, bool onlyInMemory) {
        const int n = folder.mid(2).chopped(1).toInt();
        DataFileRecord record;
        record.folder = folder;
        if (onlyInMemory && (n >= inMemoryBelow || outOfMemory.contains(n))) {
            record.notInMemory = true;
            return record;
        }
        std::unique_lock<std::mutex> guard(lock_);
        ++started_;
        const qsizetype finishedBefore = finished_.size();
        if (std::this_thread::get_id() != asking_)
            elsewhere_ << n;
        if (holdFirst && !held_ && std::this_thread::get_id() != asking_) {
            held_ = true;
            changed_.wait_for(guard, std::chrono::seconds(10),
                              [&] { return finished_.size() > finishedBefore; });
        }
        finished_ << n;
        changed_.notify_all();
        record.parser = std::make_unique<TSimpleXmlParser>(folder);
        return record;
    }
    DataFileReader::ReadFunction Function() {
        return
            [this](const QString& folder, bool onlyInMemory) { return Read(folder, onlyInMemory); };
    }
    int Started() {
        const std::lock_guard<std::mutex> guard(lock_);
        return started_;
    }
    QList<int> Finished() {
        const std::lock_guard<std::mutex> guard(lock_);
        return finished_;
    }
    // Folders read on another thread than the one that made this.
    QList<int> Elsewhere() {
        const std::lock_guard<std::mutex> guard(lock_);
        return elsewhere_;
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    int started_ = 0;
    bool held_ = false;
    QList<int> finished_;
    QList<int> elsewhere_;
    const std::thread::id asking_ = std::this_thread::get_id();
};

class Owner : public CatalogueOwner {
public:
    QString workspace;
    QString WorkSpace() const override { return workspace; }
    CatalogueTreeView* TreeView() const override { return nullptr; }
};

TVersionItem* Add(TVersionCollection* collection, const QString& name) {
    TVersionItem* item = collection->AddItem();
    item->SetName(name);
    return item;
}

} // namespace

class TestDataFileReader : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { IsolateFromUserFiles(); }
    void recordsComeInOrder_data();
    void recordsComeInOrder();
    void filesInMemoryAreReadWhereAsked_data();
    void filesInMemoryAreReadWhereAsked();
    void fewFilesOutOfMemoryStayWhereAsked_data();
    void fewFilesOutOfMemoryStayWhereAsked();
    void cancelDropsWhatIsAhead_data();
    void cancelDropsWhatIsAhead();
    void foldersNotNamedAreReadAtOnce_data();
    void foldersNotNamedAreReadAtOnce();
    void failuresAreRaisedWhereAsked();
    void walkNamesWhatLoadingReads_data();
    void walkNamesWhatLoadingReads();
};

void TestDataFileReader::recordsComeInOrder_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("readers");
    QTest::addColumn<int>("window");
    QTest::addColumn<bool>("hold");
    QTest::newRow("none") << 0 << 4 << 8 << false;
    QTest::newRow("one, read when asked") << 1 << 4 << 8 << false;
    QTest::newRow("no reader threads") << 20 << 0 << 8 << false;
    QTest::newRow("one reader, window of one") << 20 << 1 << 1 << false;
    QTest::newRow("two readers, out of order") << 41 << 2 << 3 << true;
    QTest::newRow("many readers, out of order") << 300 << 8 << 64 << true;
    QTest::newRow("window smaller than readers") << 50 << 8 << 2 << true;
}

// Whatever order the reads finish in, the records come in the order named,
// and no more than the window is ever held.
void TestDataFileReader::recordsComeInOrder() {
    QFETCH(int, count);
    QFETCH(int, readers);
    QFETCH(int, window);
    QFETCH(bool, hold);
    Reads reads;
    reads.holdFirst = hold;
    int named = 0;
    DataFileReader reader(Numbered(count, &named), readers, window, reads.Function());
    for (int n = 0; n < count; ++n) {
        const DataFileRecord record = reader.Take(Folder(n));
        QCOMPARE(record.folder, Folder(n));
        QVERIFY(record.Parser());
        QCOMPARE(record.Parser()->Xml(), Folder(n));
        // Never more read than taken and the window.
        QVERIFY2(reads.Started() <= n + 1 + window, qPrintable(QString::number(reads.Started())));
    }
    QCOMPARE(reads.Started(), count);
    QCOMPARE(reader.Misses(), 0);
    QVERIFY(reader.MostHeld() <= window);
    if (hold && count > 2) {
        const QList<int> finished = reads.Finished();
        QVERIFY(!std::is_sorted(finished.begin(), finished.end()));
    }
}

void TestDataFileReader::filesInMemoryAreReadWhereAsked_data() {
    QTest::addColumn<int>("inMemoryBelow");
    QTest::newRow("all in memory") << 1000;
    QTest::newRow("none") << 0;
    QTest::newRow("the first half") << 50;
}

// A file now and then out of memory is read where asked; a few close
// together start the reader threads.
void TestDataFileReader::fewFilesOutOfMemoryStayWhereAsked_data() {
    QTest::addColumn<QList<int>>("outOfMemory");
    QTest::addColumn<int>("inMemoryBelow");
    QTest::addColumn<int>("readsAheadFrom");
    QTest::newRow("a few, far apart") << QList<int>{3, 5, 300, 301, 390} << 400 << -1;
    QTest::newRow("four close together") << QList<int>{10, 12, 13, 20} << 400 << 20;
    QTest::newRow("cold after warm") << QList<int>{} << 100 << 103;
    QTest::newRow("cold from the first") << QList<int>{} << 0 << 3;
}

void TestDataFileReader::fewFilesOutOfMemoryStayWhereAsked() {
    QFETCH(QList<int>, outOfMemory);
    QFETCH(int, inMemoryBelow);
    QFETCH(int, readsAheadFrom);
    Reads reads;
    reads.inMemoryBelow = inMemoryBelow;
    reads.outOfMemory = outOfMemory;
    int named = 0;
    DataFileReader reader(Numbered(400, &named), 4, 16, reads.Function());
    int from = -1;
    for (int n = 0; n < 400; ++n) {
        QCOMPARE(reader.Take(Folder(n)).Parser()->Xml(), Folder(n));
        if (from < 0 && reader.ReadsAhead())
            from = n;
    }
    QCOMPARE(from, readsAheadFrom);
}

// Files in memory are read on the asking thread, a window at once; from
// the first that is not, reader threads read the rest.
void TestDataFileReader::filesInMemoryAreReadWhereAsked() {
    QFETCH(int, inMemoryBelow);
    constexpr int count = 100;
    Reads reads;
    reads.inMemoryBelow = inMemoryBelow;
    int named = 0;
    DataFileReader reader(Numbered(count, &named), 4, 16, reads.Function());
    for (int n = 0; n < count; ++n) {
        QCOMPARE(reader.Take(Folder(n)).Parser()->Xml(), Folder(n));
        QCOMPARE(reader.ReadsAhead(), n >= inMemoryBelow + 3);
        // No further ahead than the window, read a batch at once.
        if (n < inMemoryBelow)
            QVERIFY(named <= n + 16);
    }
    const QList<int> elsewhere = reads.Elsewhere();
    QVERIFY(std::all_of(elsewhere.begin(), elsewhere.end(),
                        [&](int n) { return n > inMemoryBelow + 3; }));
    QCOMPARE(elsewhere.isEmpty(), inMemoryBelow >= count - 4);
}

void TestDataFileReader::cancelDropsWhatIsAhead_data() {
    QTest::addColumn<int>("taken");
    QTest::addColumn<int>("window");
    QTest::newRow("before the first") << 0 << 16;
    QTest::newRow("midway") << 37 << 16;
    QTest::newRow("midway, small window") << 50 << 2;
}

// Dropping the reader midway (Cancel) ends it at once: nothing more is
// named or read than the window held.
void TestDataFileReader::cancelDropsWhatIsAhead() {
    QFETCH(int, taken);
    QFETCH(int, window);
    Reads reads;
    int named = 0;
    {
        DataFileReader reader(Numbered(100000, &named), 4, window, reads.Function());
        for (int n = 0; n < taken; ++n)
            QCOMPARE(reader.Take(Folder(n)).folder, Folder(n));
    }
    QVERIFY(named <= taken + window + 1);
    const int started = reads.Started();
    QVERIFY(started <= named);
    QCOMPARE(reads.Started(), started);
}

void TestDataFileReader::foldersNotNamedAreReadAtOnce_data() {
    QTest::addColumn<QList<int>>("asked");
    QTest::addColumn<int>("misses");
    // After the first four, read where asked.
    QTest::newRow("in order") << QList<int>{4, 5, 6, 7, 8} << 0;
    // One taken out of the catalogue: those before it are dropped.
    QTest::newRow("some skipped") << QList<int>{4, 7, 8, 13} << 0;
    // One added to it: read at once, and the rest still come from ahead.
    QTest::newRow("one not named") << QList<int>{4, 5, 1000, 6, 7} << 1;
    QTest::newRow("asked again") << QList<int>{4, 5, 5, 6} << 1;
    QTest::newRow("beyond the window") << QList<int>{4, 500, 501, 5} << 2;
}

void TestDataFileReader::foldersNotNamedAreReadAtOnce() {
    QFETCH(QList<int>, asked);
    QFETCH(int, misses);
    Reads reads;
    int named = 0;
    DataFileReader reader(Numbered(600, &named), 3, 8, reads.Function());
    for (int n : QList<int>{0, 1, 2, 3} + asked) {
        const DataFileRecord record = reader.Take(Folder(n));
        QCOMPARE(record.folder, Folder(n));
        QCOMPARE(record.Parser()->Xml(), Folder(n));
    }
    QCOMPARE(reader.Misses(), misses);
}

// A data file that cannot be read raises the same error on the asking
// thread as reading it there would; a folder without one gives no parser.
void TestDataFileReader::failuresAreRaisedWhereAsked() {
    TestWorkspace ws;
    const QString name = TConfigStreamer::ConfigFileName();
    const QString good = ws.CreateDir(QStringLiteral("good"));
    ws.CreateFile(QStringLiteral("good/") + name, VersionDataFile("checked out", "version 1"));
    const QString none = ws.CreateDir(QStringLiteral("none"));
    const QString looped = ws.CreateDir(QStringLiteral("looped"));
    QVERIFY(QFile::link(looped + name, looped + name));
    const QStringList folders{good, looped, none, good};
    QString expected;
    try {
        TConfigStreamer(looped).GetParser();
    } catch (const QuorvelError& error) {
        expected = error.Message();
    }
    QVERIFY(!expected.isEmpty());
    qsizetype next = 0;
    DataFileReader reader([&]() -> std::optional<QString> {
        if (next >= folders.size())
            return std::nullopt;
        return folders[next++];
    });
    for (const QString& folder : folders) {
        const DataFileRecord record = reader.Take(folder);
        if (folder == looped) {
            QVERIFY_THROWS_EXCEPTION(QuorvelError, record.Parser());
            try {
                record.Parser();
            } catch (const QuorvelError& error) {
                QCOMPARE(error.Message(), expected);
            }
        } else if (folder == none) {
            QVERIFY(!record.Parser());
        } else {
            QVERIFY(record.Parser());
            QVERIFY(record.Parser()->Xml().contains(QStringLiteral("checked out")));
        }
    }
    QCOMPARE(reader.Misses(), 0);
}

void TestDataFileReader::walkNamesWhatLoadingReads_data() {
    QTest::addColumn<QString>("load");
    QTest::newRow("whole catalogue") << "catalogue";
    QTest::newRow("one project") << "project";
    QTest::newRow("every project, as status does") << "projects";
}

// The walk names exactly the folders the loading then reads, in its order:
// names that are not single folders and collections already loaded are
// passed by alike.
void TestDataFileReader::walkNamesWhatLoadingReads() {
    QFETCH(QString, load);
    TestWorkspace ws;
    ScriptedUser user;
    Owner owner;
    owner.workspace = ws.Path();
    TClients clients(&owner);
    QStringList expected;
    for (const char* client : {"Acme", "Bad/Name", "Cirrus"}) {
        TVersionItem* c = Add(&clients, QLatin1String(client));
        for (const char* project : {"Pump", "Crane"}) {
            TVersionItem* p = Add(c->VersionCollection(), QLatin1String(project));
            for (int v = 1; v <= 3; ++v) {
                const QString name = QStringLiteral("Version %1").arg(v);
                Add(p->VersionCollection(), name);
                ws.CreateFile(QStringLiteral("%1/%2/%3/QuorvelConfig.xml")
                                  .arg(QLatin1String(client), QLatin1String(project), name),
                              VersionDataFile(v == 2 ? "checked out" : "checked in", "version 1"));
            }
        }
    }
    // Already read: not again.
    clients.GetItems(2)->VersionCollection()->GetItems(1)->LoadData();
    TVersionItem* project = clients.GetItems(0)->VersionCollection()->GetItems(1);
    QStringList asked;
    int misses = -1;
    // As on a cold disk: read ahead from the first.
    const DataFileReader::ReadFunction recording = [&](const QString& folder, bool onlyInMemory) {
        DataFileRecord record;
        record.folder = folder;
        record.notInMemory = onlyInMemory;
        return onlyInMemory ? std::move(record) : TVersionItem::ReadDataFile(folder);
    };
    auto walkAndLoad = [&](DataFilesAhead walk,
                           const std::function<void(DataFileReader&)>& loadIt) {
        DataFileReader reader(
            [&]() {
                std::optional<QString> folder = walk();
                if (folder)
                    asked << folder->mid(ws.Path().size());
                return folder;
            },
            2, 4, recording);
        loadIt(reader);
        misses = reader.Misses();
    };
    if (load == QLatin1String("catalogue")) {
        walkAndLoad(DataFilesAhead(&clients, ws.Path(), true), [&](DataFileReader& reader) {
            clients.LoadDataIn(ws.Path(), true, {}, &reader);
        });
    } else if (load == QLatin1String("project")) {
        walkAndLoad(DataFilesAhead(clients.GetItems(0)->VersionCollection(),
                                   clients.GetItems(0)->Path(), true, 0, 1),
                    [&](DataFileReader& reader) {
                        project->LoadDataIn(clients.GetItems(0)->Path(), true, {}, &reader);
                    });
    } else {
        walkAndLoad(DataFilesAhead(&clients, ws.Path(), true, 1), [&](DataFileReader& reader) {
            for (int c = 0; c < clients.Count(); ++c) {
                TVersionItem* client = clients.GetItems(c);
                for (int p = 0; p < client->VersionCollection()->Count(); ++p)
                    client->VersionCollection()->GetItems(p)->LoadDataIn(
                        client->Path(), client->HasSafeFolderNames(), {}, &reader);
            }
        });
    }
    QCOMPARE(misses, 0);
    const QStringList cirrusPump{"Cirrus/Pump/", "Cirrus/Pump/Version 1/", "Cirrus/Pump/Version 2/",
                                 "Cirrus/Pump/Version 3/"};
    QStringList want;
    if (load == QLatin1String("project")) {
        want = QStringList{"Acme/Crane/", "Acme/Crane/Version 1/", "Acme/Crane/Version 2/",
                           "Acme/Crane/Version 3/"};
    } else {
        if (load == QLatin1String("catalogue"))
            want << "Acme/";
        for (const char* p : {"Pump", "Crane"}) {
            want << QStringLiteral("Acme/%1/").arg(QLatin1String(p));
            for (int v = 1; v <= 3; ++v)
                want << QStringLiteral("Acme/%1/Version %2/").arg(QLatin1String(p)).arg(v);
        }
        if (load == QLatin1String("catalogue"))
            want << "Cirrus/";
        want << cirrusPump << "Cirrus/Crane/";
    }
    QCOMPARE(asked, want);
    const auto* second = static_cast<const TVersion*>(project->VersionCollection()->GetItems(1));
    QVERIFY(second->IsCheckedOut());
    QVERIFY(!project->VersionCollection()->GetItems(0)->IsCheckedOut());
}

QTEST_GUILESS_MAIN(TestDataFileReader)
#include "tst_datafilereader.moc"
