#include "sessiontest.h"
#include <QtTest/QTest>
class TestSessionBrowse : public QObject {
    Q_OBJECT
private slots:
    void placeholder() {}
};
QTEST_GUILESS_MAIN(TestSessionBrowse)
#include "tst_sessionbrowse.moc"
