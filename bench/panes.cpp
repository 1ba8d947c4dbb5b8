// The two file panes at 100,000 entries: a remote listing of Unix lines and a local folder of
// files. Prints the time until every row is shown in sorted order, the longest main-thread
// stall during the fill (a 1 ms timer measuring its own lateness) and the memory used.
#include "tfilelistview.h"
#include "tvirtualfilelistview.h"

#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <QtCore/QEventLoop>
#include <QtCore/QFile>
#include <QtCore/QProcess>
#include <QtCore/QTemporaryDir>
#include <QtCore/QTimer>
#include <QtWidgets/QApplication>
#include <QtWidgets/QScrollBar>

#include <cstdio>

#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

namespace {
constexpr int kEntries = 100000;

// Resident memory after handing freed memory back, so an earlier run's leftovers do not
// hide the growth.
qint64 RssBytes()
{
    malloc_trim(0);
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.value(1).toLongLong() * sysconf(_SC_PAGESIZE);
}

QByteArray UnixListing(int count)
{
    static const char *const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    static const char *const exts[] = {".txt", ".tar.gz", ".jpg", ".c", "", ".html", ".pdf", ".md"};
    QByteArray text;
    text.reserve(qsizetype(count) * 70);
    text += "total " + QByteArray::number(count) + "\r\n";
    for (int i = 0; i < count; ++i) {
        const bool dir = i % 10 == 0;
        text += dir ? "drwxr-xr-x" : "-rw-r--r--";
        text += "   1 ftpuser  ftpgroup ";
        text += QByteArray::number(qint64(i) * 7919 % 100000000).rightJustified(10, ' ');
        text += ' ';
        text += months[i % 12];
        text += ' ' + QByteArray::number(1 + i % 28).rightJustified(2, ' ') + ' ';
        text += i % 3 ? QByteArray::number(i % 24).rightJustified(2, '0') + ':' + QByteArray::number(i % 60).rightJustified(2, '0')
                      : QByteArray(" ") + QByteArray::number(1995 + i % 30);
        text += " entry_" + QByteArray::number((i * 7877) % count) + exts[i % 8] + "\r\n";
    }
    return text;
}

struct TFill {
    double Seconds = 0;
    double MaxStallMs = 0;
    int Rows = 0;
};

// Runs `start`, then the event loop until the view reports its listing complete.
TFill Measure(TCustomFileListView &view, const std::function<void()> &start)
{
    TFill fill;
    QElapsedTimer tick;
    QTimer stall;
    stall.setTimerType(Qt::PreciseTimer);
    stall.setInterval(1);
    QObject::connect(&stall, &QTimer::timeout, [&] {
        fill.MaxStallMs = std::max(fill.MaxStallMs, double(tick.nsecsElapsed()) / 1e6 - 1.0);
        tick.restart();
    });
    QEventLoop loop;
    QObject::connect(&view, &TCustomFileListView::OnDirListed, &loop, &QEventLoop::quit);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    stall.start();
    tick.start();
    clock.start();
    start();
    loop.exec();
    fill.Seconds = double(clock.nsecsElapsed()) / 1e9;
    stall.stop();
    fill.Rows = view.RowCount();
    view.scrollToBottom();
    QCoreApplication::processEvents();
    return fill;
}

void Columns(TCustomFileListView &view, bool remote)
{
    for (int kind = 0; kind < (remote ? 4 : 3); ++kind)
        view.AddColumn(kind, ColumnWidth(kind, remote));
    view.BuildColumns();
    view.resize(900, 700);
    view.show();
    QCoreApplication::processEvents();
}

void Print(const char *what, const TFill &f, qint64 rssGrowth, qint64 textSize)
{
    std::printf("%-8s %6d rows  shown and sorted in %.3f s  longest stall %.1f ms  RSS growth %.1f MiB",
                what, f.Rows, f.Seconds, f.MaxStallMs, double(rssGrowth) / 1048576.0);
    if (textSize > 0)
        std::printf(" (%.1f x the %.1f MiB listing text)", double(rssGrowth) / double(textSize), double(textSize) / 1048576.0);
    std::printf("\n");
}
}  // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    {
        TVirtualFileListView remote;
        Columns(remote, true);
        const QByteArray listing = UnixListing(kEntries);
        const qint64 before = RssBytes();
        const TFill f = Measure(remote, [&] { remote.LoadListing(QStringLiteral("/pub"), listing); });
        Print("remote", f, RssBytes() - before, listing.size());
        // Sorting again by size parses the stored listing once more.
        const TFill resort = Measure(remote, [&] { remote.SetSortColumn(ckSize); });
        Print("resort", resort, 0, 0);
    }

    QTemporaryDir dir;
    for (int i = 0; i < kEntries; ++i) {
        const QByteArray name = QFile::encodeName(dir.path()) + "/file_" + QByteArray::number(i) + (i % 2 ? ".txt" : ".dat");
        const int fd = ::open(name.constData(), O_CREAT | O_WRONLY, 0644);
        if (fd < 0) {
            std::perror("create");
            return 1;
        }
        if (i % 7 && ::write(fd, name.constData(), size_t(i % 97)) < 0)
            std::perror("write");
        ::close(fd);
    }
    {
        TFileListView local;
        Columns(local, false);
        const qint64 before = RssBytes();
        const TFill f = Measure(local, [&] { local.SetPath(dir.path()); });
        Print("local", f, RssBytes() - before, 0);
    }
    // The peer: listing the same folder with its sizes and dates, unsorted, into /dev/null.
    QElapsedTimer clock;
    clock.start();
    QProcess ls;
    ls.setStandardOutputFile(QProcess::nullDevice());
    ls.start(QStringLiteral("ls"), {QStringLiteral("-lU"), dir.path()});
    if (ls.waitForFinished(60000)) {
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        std::printf("peer     ls -lU of the same folder in %.3f s\n", seconds);
    }
    return 0;
}
