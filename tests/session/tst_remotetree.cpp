#include "tremotetreemodel.h"
#include <QtTest/QTest>
class TestRemoteTree : public QObject {
    Q_OBJECT
private slots:
    void placeholder() {}
};
QTEST_GUILESS_MAIN(TestRemoteTree)
#include "tst_remotetree.moc"
