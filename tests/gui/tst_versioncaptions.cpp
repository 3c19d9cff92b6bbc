// The version list's captions can be read: they wrap to two lines before
// they are cut, and every entry tells its folder, state, owner and date.
#include "GuiHarness.h"

#include "ui/GroupListView.h"
#include "ui/OverviewCommands.h"
#include "ui/VersionListModel.h"
#include "ui/VersionListWidget.h"

#include <QAbstractItemDelegate>
#include <QStyledItemDelegate>
#include <QTextDocumentFragment>
#include <QTextLayout>
#include <QtTest>

namespace {

// The options a list and its delegate draw an entry with (protected
// members, reached the way a subclass would).
struct ViewAccess : QListView {
    using QListView::initViewItemOption;
};
struct DelegateAccess : QStyledItemDelegate {
    using QStyledItemDelegate::initStyleOption;
};

// The lines the entry's caption takes where the list draws it, and
// whether they all fit there (else the style cuts the caption).
struct Drawn {
    int lines = 0;
    bool whole = false;
};

Drawn DrawnCaption(const QListView* view, const QModelIndex& index) {
    QStyleOptionViewItem option;
    (view->*&ViewAccess::initViewItemOption)(&option);
    option.rect = view->visualRect(index);
    auto* delegate = qobject_cast<QStyledItemDelegate*>(view->itemDelegateForIndex(index));
    if (!delegate)
        return {};
    (delegate->*&DelegateAccess::initStyleOption)(&option, index);
    const QStyle* style = view->style();
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    const QRect text = style->subElementRect(QStyle::SE_ItemViewItemText, &option, view)
                           .adjusted(margin, 0, -margin, 0);
    QTextLayout layout(option.text, option.font);
    QTextOption wrap;
    wrap.setWrapMode(option.features & QStyleOptionViewItem::WrapText ? QTextOption::WordWrap
                                                                      : QTextOption::ManualWrap);
    layout.setTextOption(wrap);
    layout.beginLayout();
    Drawn drawn{0, true};
    qreal height = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(text.width());
        height += line.height();
        if (height > text.height() + 0.5 || line.naturalTextWidth() > text.width() + 0.5)
            drawn.whole = false;
        if (height <= text.height() + 0.5)
            ++drawn.lines;
    }
    layout.endLayout();
    return drawn;
}

} // namespace

class TestVersionCaptions : public QObject {
    Q_OBJECT

private slots:
    void captionsWrapBeforeTheyAreCut_data();
    void captionsWrapBeforeTheyAreCut();
};

void TestVersionCaptions::captionsWrapBeforeTheyAreCut_data() {
    QTest::addColumn<int>("style");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("owner");
    QTest::addColumn<int>("lines");
    QTest::addColumn<bool>("whole");
    const int large = VersionListWidget::LargeIcons;
    const int small = VersionListWidget::SmallIcons;
    QTest::newRow("three digits") << large << "Version 117" << QString() << 1 << true;
    QTest::newRow("five digits") << large << "Version 12345" << QString() << 1 << true;
    QTest::newRow("checked out, on two lines") << large << "Version 128"
                                               << "margaretha" << 2 << true;
    QTest::newRow("too long for two lines, cut on the second")
        << large << "Version 128"
        << "margaretha van der Berg-Oosterhout" << 2 << false;
    QTest::newRow("small icons, on one line") << small << "Version 128"
                                              << "margaretha" << 1 << true;
    QTest::newRow("list, on one line") << int(VersionListWidget::List) << "Version 128"
                                       << "margaretha" << 1 << true;
    QTest::newRow("list, checked in")
        << int(VersionListWidget::List) << "Version 117" << QString() << 1 << true;
    QTest::newRow("large again after small") << -1 << "Version 117" << QString() << 1 << true;
}

void TestVersionCaptions::captionsWrapBeforeTheyAreCut() {
    QFETCH(int, style);
    QFETCH(QString, folder);
    QFETCH(QString, owner);
    QFETCH(int, lines);
    QFETCH(bool, whole);
    TestWorkspace ws;
    const QString project = ws.Path() + QStringLiteral("Acme Shipping/Fleet Renewal/");
    const bool checkedOut = !owner.isEmpty();
    // The first version's short caption comes last in the list.
    GuiHarness::MakeVersion(project + "version 1", false, QString(), "ann", "1 Mar 2024");
    GuiHarness::MakeVersion(project + "Version 101", false, "version 1", "ann", "1 Mar 2024");
    GuiHarness::MakeVersion(project + folder, checkedOut, "Version 101",
                            checkedOut ? owner : QStringLiteral("ann"), "2 Mar 2024");
    GuiHarness app;
    app.WriteSettings({QStringLiteral("[Project]"), QStringLiteral("Workspace=") + ws.Path()});
    QVERIFY(app.Start());
    // The tree's selection from start-up reaches the catalogue first.
    QCoreApplication::processEvents();
    app.window->resize(1280, 800);
    QVERIFY(app.window->Overview()->SelectVersion("Acme Shipping", "Fleet Renewal", folder));
    VersionListWidget* list = app.window->VersionList();
    if (style < 0) {
        list->SetViewStyle(VersionListWidget::SmallIcons);
        QTest::qWait(0);
    }
    list->SetViewStyle(style < 0 ? VersionListWidget::LargeIcons : style);
    QTest::qWait(0);

    const VersionListModel* model = list->Model();
    const int group = checkedOut ? 0 : 1;
    const QModelIndex entry = model->index(0, 0, model->GroupIndex(group));
    QVERIFY(entry.isValid());
    const Drawn drawn = DrawnCaption(list->GroupView(group), entry);
    QCOMPARE(drawn.lines, lines);
    QCOMPARE(drawn.whole, whole);

    // The tooltip names what the caption may not: the folder, and who
    // checked it in or out when.
    const QString tip =
        QTextDocumentFragment::fromHtml(entry.data(Qt::ToolTipRole).toString()).toPlainText();
    for (const QString& part :
         {folder, checkedOut ? QStringLiteral("checked out") : QStringLiteral("checked in"),
          checkedOut ? owner : QStringLiteral("ann"), QStringLiteral("2 Mar 2024")})
        QVERIFY2(tip.contains(part), qPrintable(tip + " lacks " + part));
}

QUORVEL_GUI_TEST_MAIN(TestVersionCaptions)
#include "tst_versioncaptions.moc"
