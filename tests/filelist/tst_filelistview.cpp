// The local pane on real folders: rows, hidden entries, "..", sorting, the header-click rule,
// folder navigation, abandoned passes, view styles; and the queue list's bare control.
#include "tfilelistview.h"
#include "tqueuelistview.h"

#include "helpers.h"

#include <QtCore/QDir>
#include <QtCore/QRegularExpression>
#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>
#include <QtTest/QAbstractItemModelTester>
#include <QtTest/QSignalSpy>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QHeaderView>

#include <memory>

using namespace Qt::StringLiterals;

namespace {
void MakeFile(const QString &path, qint64 size = 0)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    if (size > 0)
        QVERIFY(f.resize(size));
}

QStringList Names(const TCustomFileListView &view)
{
    QStringList names;
    for (int r = 0; r < view.RowCount(); ++r)
        names << view.Item(r)->Name;
    return names;
}

void AllColumns(TCustomFileListView &view)
{
    view.ClearColumns();
    for (int kind = 0; kind < 4; ++kind)
        view.AddColumn(kind, ColumnWidth(kind, false));
    view.BuildColumns();
}
}  // namespace

class TstFileListView : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_root;  // "sub" below the temp folder: files of several sizes, folders, a hidden file

    // A view on `path` with its model under test, after the first complete listing.
    std::unique_ptr<TFileListView> Open(const QString &path, int sortKind = 0, bool descending = false)
    {
        auto view = std::make_unique<TFileListView>();
        new QAbstractItemModelTester(view->model(), QAbstractItemModelTester::FailureReportingMode::QtTest, view.get());
        AllColumns(*view);
        view->SetSortColumn(sortKind);
        view->SetDescending(descending);
        QSignalSpy listed(view.get(), &TCustomFileListView::OnDirListed);
        view->SetPath(path);
        if (!listed.wait(5000) && listed.isEmpty())
            return nullptr;
        return view;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_root = m_dir.filePath(QStringLiteral("sub"));
        QVERIFY(QDir().mkpath(m_root + QStringLiteral("/Beta")));
        QVERIFY(QDir().mkpath(m_root + QStringLiteral("/alpha")));
        MakeFile(m_root + QStringLiteral("/z.txt"), 10);
        MakeFile(m_root + QStringLiteral("/A.txt"), 2000);
        MakeFile(m_root + QStringLiteral("/empty"));
        MakeFile(m_root + QStringLiteral("/.hidden"), 5);
        MakeFile(m_root + QStringLiteral("/huge.bin"), 5LL << 30);  // sparse
    }

    void rows()
    {
        auto view = Open(m_root);
        QVERIFY(view);
        QCOMPARE(Names(*view).join(QLatin1Char('|')), QStringLiteral("..|alpha|Beta|A.txt|empty|huge.bin|z.txt"));
        const TScanItem *parent = view->Item(0);
        QCOMPARE(parent->Size, -1);
        QCOMPARE(parent->TypeName, QStringLiteral("父文件夹"));
        QVERIFY(parent->DateText.isEmpty());
        QVERIFY(view->IsFolder(0) && view->IsFolder(1) && !view->IsFolder(3));
        QCOMPARE(view->Item(1)->TypeName, QStringLiteral("文件文件夹"));
        QCOMPARE(view->Item(1)->Size, -1);
        QCOMPARE(view->Item(4)->TypeName, QStringLiteral("未知类型"));
        QCOMPARE(view->Item(5)->Size, 5LL << 30);  // all 64 bits
        QVERIFY(view->Item(5)->ImageIndex >= 0);

        // Cells: blank size for folders, the date with its AM/PM mark, a blank flags column.
        QAbstractItemModel *m = view->model();
        QCOMPARE(m->headerData(1, Qt::Horizontal).toString(), QStringLiteral("大小"));
        QCOMPARE(m->index(1, 1).data().toString(), QStringLiteral(" "));
        QCOMPARE(m->index(5, 1).data().toString(), QStringLiteral("5 GB"));
        QCOMPARE(m->index(3, 1).data().toString(), FormatSize(-1, 2000));
        QVERIFY(QRegularExpression(QStringLiteral("^\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d [AP]M$")).match(m->index(3, 2).data().toString()).hasMatch());
        QCOMPARE(m->index(3, 3).data().toString(), QStringLiteral(" "));
        QVERIFY(m->index(3, 1).data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight);
        QVERIFY(m->index(3, 0).data(Qt::TextAlignmentRole).toInt() & Qt::AlignLeft);
        QVERIFY(view->Item(3)->FileDate != 0);
        QVERIFY(!m->index(3, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
    }

    void rootHasNoParent()
    {
        auto view = Open(QStringLiteral("/"));
        QVERIFY(view);
        QVERIFY(view->RowCount() > 0);
        QVERIFY(!Names(*view).contains(QStringLiteral("..")));
    }

    void missingFolderIsEmpty()
    {
        auto view = Open(m_dir.filePath(QStringLiteral("nowhere")));
        QVERIFY(view);
        QCOMPARE(view->RowCount(), 0);
    }

    void sorted_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("descending");
        QTest::addColumn<QString>("expected");
        QTest::newRow("name descending") << 0 << true << u"..|z.txt|huge.bin|empty|A.txt|Beta|alpha"_s;
        QTest::newRow("size ascending") << 1 << false << u"..|alpha|Beta|empty|z.txt|A.txt|huge.bin"_s;
        QTest::newRow("size descending") << 1 << true << u"..|huge.bin|A.txt|z.txt|empty|Beta|alpha"_s;
    }

    void sorted()
    {
        QFETCH(int, kind);
        QFETCH(bool, descending);
        QFETCH(QString, expected);
        auto view = Open(m_root, kind, descending);
        QVERIFY(view);
        QCOMPARE(Names(*view).join(QLatin1Char('|')), expected);
    }

    void resortScansAgain()
    {
        auto view = Open(m_root);
        QVERIFY(view);
        QSignalSpy listed(view.get(), &TCustomFileListView::OnDirListed);
        view->SetSortColumn(ckSize);
        QVERIFY(listed.wait(5000));
        QCOMPARE(Names(*view).last(), QStringLiteral("huge.bin"));
        QCOMPARE(view->header()->sortIndicatorSection(), 1);
        view->SetSortColumn(ckSize);  // no change, no scan
        QTest::qWait(50);
        QCOMPARE(listed.count(), 1);
    }

    void columnClick_data()
    {
        QTest::addColumn<QList<int>>("clicks");
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("descending");
        QTest::newRow("other column keeps ascending") << QList<int>{1} << 1 << false;
        QTest::newRow("same column toggles") << QList<int>{1, 1} << 1 << true;
        QTest::newRow("other column keeps descending") << QList<int>{1, 1, 2} << 2 << true;
        QTest::newRow("toggle back") << QList<int>{0, 0} << 0 << false;
    }

    void columnClick()
    {
        QFETCH(QList<int>, clicks);
        QFETCH(int, kind);
        QFETCH(bool, descending);
        TFileListView view;
        AllColumns(view);
        for (int c : clicks)
            view.ColumnClick(c);
        QCOMPARE(view.SortColumn(), kind);
        QCOMPARE(view.Descending(), descending);
    }

    void doubleClickFolder()
    {
        auto view = Open(m_root);
        QVERIFY(view);
        QSignalSpy paths(view.get(), &TCustomFileListView::OnPathChange);
        QSignalSpy listed(view.get(), &TCustomFileListView::OnDirListed);
        emit view->doubleClicked(view->model()->index(3, 0));  // a file: nothing
        emit view->doubleClicked(view->model()->index(1, 0));
        QCOMPARE(paths.count(), 1);
        QCOMPARE(paths.at(0).at(1).toString(), m_root + QStringLiteral("/alpha"));
        QCOMPARE(view->GetPath(), m_root + QStringLiteral("/alpha"));
        QVERIFY(listed.wait(5000));
        QCOMPARE(Names(*view), QStringList{QStringLiteral("..")});
        emit view->doubleClicked(view->model()->index(0, 0));
        QCOMPARE(view->GetPath(), m_root);
    }

    // A second request while the first folder is still being listed: only the second shows.
    void newRequestAbandonsOldPass()
    {
        const QString big = m_dir.filePath(QStringLiteral("big"));
        QVERIFY(QDir().mkpath(big));
        for (int i = 0; i < 3000; ++i)
            MakeFile(big + QStringLiteral("/f%1").arg(i));
        TFileListView view;
        new QAbstractItemModelTester(view.model(), QAbstractItemModelTester::FailureReportingMode::QtTest, &view);
        AllColumns(view);
        QSignalSpy listed(&view, &TCustomFileListView::OnDirListed);
        view.SetPath(big);
        view.SetPath(m_root + QStringLiteral("/alpha"));
        QVERIFY(listed.wait(5000));
        QTest::qWait(100);
        QCOMPARE(listed.count(), 1);
        QCOMPARE(Names(view), QStringList{QStringLiteral("..")});

        // And the big folder comes complete when asked for alone; then the view goes away mid-pass.
        view.SetPath(big);
        QVERIFY(listed.wait(5000));
        QCOMPARE(view.RowCount(), 3001);
        auto doomed = std::make_unique<TFileListView>();
        AllColumns(*doomed);
        doomed->SetPath(big);
        QTest::qWait(1);
        doomed.reset();
    }

    void viewStyles()
    {
        TFileListView view;
        AllColumns(view);
        QCOMPARE(view.ViewStyle(), 3);
        view.SetViewStyle(0);
        QCOMPARE(view.ViewStyle(), 0);
        QVERIFY(view.isHeaderHidden());
        QVERIFY(!view.isColumnHidden(0) && view.isColumnHidden(1) && view.isColumnHidden(3));
        const int large = view.iconSize().width();
        view.SetViewStyle(2);
        QVERIFY(view.iconSize().width() < large);
        view.SetViewStyle(3);
        QVERIFY(!view.isHeaderHidden() && !view.isColumnHidden(1));
        view.SetViewStyle(7);
        QCOMPARE(view.ViewStyle(), 3);
        QCOMPARE(view.columnWidth(2), 120);
        QVERIFY(view.rootIsDecorated() == false && view.uniformRowHeights());
        QCOMPARE(view.selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(view.selectionMode(), QAbstractItemView::ExtendedSelection);
    }

    void queueViewHasNoScanner()
    {
        TQueueListView view;
        view.setObjectName(QStringLiteral("lvQueue"));
        view.Rescan();
        QCOMPARE(view.RowCount(), 0);
        QVERIFY(!view.rootIsDecorated());
    }
};

QTEST_MAIN(TstFileListView)
#include "tst_filelistview.moc"
