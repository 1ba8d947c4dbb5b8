// The remote folder tree model on its own: sorted children, the icon states, and the
// case-insensitive find that renames a node whose path changed case.
#include "tremotetreemodel.h"

#include <QtTest/QAbstractItemModelTester>
#include <QtTest/QSignalSpy>
#include <QtTest/QTest>

class TestRemoteTree : public QObject {
    Q_OBJECT

private slots:
    void childrenSortedWithoutCase()
    {
        TRemoteTreeModel m;
        QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        const QModelIndex root = m.AddRoot(QStringLiteral("host"));
        for (const char *name : {"beta", "Alpha", "gamma", "Beta2", "alpha0"})
            m.AddChild(root, name, QByteArray("/") + name);
        QStringList texts;
        for (int i = 0; i < m.rowCount(root); ++i)
            texts << m.index(i, 0, root).data().toString();
        QCOMPARE(texts, (QStringList{QStringLiteral("Alpha"), QStringLiteral("alpha0"), QStringLiteral("beta"),
                                     QStringLiteral("Beta2"), QStringLiteral("gamma")}));
        QCOMPARE(m.index(0, 0, root).parent(), root);
    }

    void iconStates()
    {
        TRemoteTreeModel m;
        QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        const QModelIndex root = m.AddRoot(QStringLiteral("host"));
        const QModelIndex a = m.AddChild(root, "a", "/a");
        auto icon = [](const QModelIndex &i) { return TTreeIcon(i.data(TRemoteTreeModel::IconStateRole).toInt()); };
        QCOMPARE(icon(root), tiClosed);
        QCOMPARE(icon(a), tiDisabled);
        m.SetSelected(a);
        QCOMPARE(icon(a), tiDisabled);  // not listed: disabled even while selected
        m.MarkListed(a);
        QCOMPARE(icon(a), tiOpened);
        QVERIFY(m.Info(a)->Listed);
        m.SetSelected(root);
        QCOMPARE(icon(a), tiClosed);
        QCOMPARE(icon(root), tiOpened);
        QVERIFY(!m.Info(root)->Listed);
        QCOMPARE(m.Info(root)->Path, QByteArray("/"));
    }

    void findNode_data()
    {
        QTest::addColumn<QByteArray>("lookup");
        QTest::addColumn<QByteArray>("foundPath");
        QTest::addColumn<bool>("renamed");
        QTest::newRow("root by empty") << QByteArray("/") << QByteArray("/") << false;
        QTest::newRow("exact") << QByteArray("/pub/Docs") << QByteArray("/pub/Docs") << false;
        QTest::newRow("trailing slash") << QByteArray("/pub/Docs/") << QByteArray("/pub/Docs") << false;
        QTest::newRow("case differs") << QByteArray("/PUB/docs/") << QByteArray("/PUB/docs") << true;
        QTest::newRow("missing") << QByteArray("/pub/none") << QByteArray() << false;
    }

    void findNode()
    {
        QFETCH(QByteArray, lookup);
        QFETCH(QByteArray, foundPath);
        QFETCH(bool, renamed);
        TRemoteTreeModel m;
        QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        const QModelIndex root = m.AddRoot(QStringLiteral("host"));
        const QModelIndex pub = m.AddChild(root, "pub", "/pub");
        const QModelIndex docs = m.AddChild(pub, "Docs", "/pub/Docs");
        m.AddChild(docs, "inner", "/pub/Docs/inner");
        m.MarkListed(docs);

        const QModelIndex hit = m.FindNode(lookup);
        QCOMPARE(m.Info(hit) ? m.Info(hit)->Path : QByteArray(), foundPath);
        if (!renamed) {
            if (hit == docs) {
                QCOMPARE(m.rowCount(docs), 1);
                QVERIFY(m.Info(docs)->Listed);
            }
            return;
        }
        QCOMPARE(hit, docs);
        QCOMPARE(hit.data().toString(), QStringLiteral("docs"));
        QCOMPARE(hit.data(TRemoteTreeModel::IconStateRole).toInt(), int(tiDisabled));
        QVERIFY(!m.Info(hit)->Listed);
        QCOMPARE(m.rowCount(hit), 0);
    }

    void clearForgetsEverything()
    {
        TRemoteTreeModel m;
        QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        const QModelIndex root = m.AddRoot(QStringLiteral("host"));
        m.SetSelected(m.AddChild(root, "a", "/a"));
        m.Clear();
        QVERIFY(m.IsEmpty());
        QCOMPARE(m.rowCount(), 0);
        QVERIFY(!m.Selected().isValid());
        QVERIFY(!m.FindNode("/a").isValid());
    }
};

QTEST_GUILESS_MAIN(TestRemoteTree)
#include "tst_remotetree.moc"
