// tarnel-queuefile FILE HOST PORT USER PASSWORD {REMOTE LOCAL SIZE}...
// Writes a queue file of downloads, so a profile can start with a queue (scripts/screenshot.sh).
#include "queuefile.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QStringList>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList a = QCoreApplication::arguments();
    if (a.size() < 9 || (a.size() - 6) % 3 != 0) {
        std::fprintf(stderr, "usage: tarnel-queuefile FILE HOST PORT USER PASSWORD {REMOTE LOCAL SIZE}...\n");
        return 2;
    }
    std::vector<TItemInfo> items;
    for (qsizetype i = 6; i + 2 < a.size(); i += 3) {
        TItemInfo item;
        item.ItemFlags = ItemFlag(ikDownload);
        TFtpInfo &f = item.FtpInfo;
        f.Host = a[2];
        f.PortText = a[3];
        f.UserName = a[4];
        f.Password = a[5];
        f.NoProxy = true;
        f.Passive = true;
        f.Binary = true;
        f.RemoteFile = a[i].toUtf8();
        f.LocalFile = a[i + 1];
        f.RemoteSize = a[i + 2].toLongLong();
        f.ReplaceMode = 1;
        items.push_back(item);
    }
    std::vector<const TItemInfo *> pointers;
    for (const TItemInfo &item : items)
        pointers.push_back(&item);
    return SaveQueueFile(a[1], pointers) ? 0 : 1;
}
