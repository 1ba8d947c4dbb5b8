// Lines per second of ParseDirLine on listings as servers send them.
#include "listparser.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

const char *const kNames[] = {"README", "index.html", "backup-2023-11-04.tar.gz", "photo 0042.jpg",
                              "src", "Makefile", "notes.txt", "a", "release-notes_v1.2.3.md", "lib64"};
const char *const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

QByteArray UnixLine(int i)
{
    const bool dir = i % 5 == 0;
    const bool recent = i % 3 != 0;
    QByteArray line = dir ? "drwxr-xr-x" : "-rw-r--r--";
    line += "    " + QByteArray::number(1 + i % 4) + " ftpuser  ftpgroup ";
    line += QByteArray::number(qint64(i) * 7919 % 100000000).rightJustified(10, ' ');
    line += ' ';
    line += kMonths[i % 12];
    line += ' ' + QByteArray::number(1 + i % 28).rightJustified(2, ' ') + ' ';
    line += recent ? QByteArray::number(i % 24).rightJustified(2, '0') + ':' + QByteArray::number(i % 60).rightJustified(2, '0')
                   : QByteArray(" ") + QByteArray::number(1995 + i % 30);
    line += ' ';
    line += kNames[i % 10];
    return line;
}

QByteArray DosLine(int i)
{
    QByteArray line = QByteArray::number(1 + i % 12).rightJustified(2, '0') + '-' +
                      QByteArray::number(1 + i % 28).rightJustified(2, '0') + '-' +
                      QByteArray::number(i % 30).rightJustified(2, '0') + "  " +
                      QByteArray::number(1 + i % 12).rightJustified(2, '0') + ':' +
                      QByteArray::number(i % 60).rightJustified(2, '0') + (i % 2 ? "PM" : "AM");
    line += i % 5 == 0 ? QByteArray("       <DIR>          ")
                       : QByteArray::number(qint64(i) * 7919 % 100000000).rightJustified(20, ' ') + ' ';
    line += kNames[i % 10];
    return line;
}

QByteArray OtherLine(int i)
{
    switch (i % 4) {
    case 0:
        return "+i8388621.48594,m825718503,r,s" + QByteArray::number(i) + ",\t" + kNames[i % 10];
    case 1:
        return "QSYS  18432 04/15/99 16:36:29 *STMF  " + QByteArray(kNames[i % 10]);
    case 2:
        return "README.TXT;3   4/6   12-MAR-2004 09:30:15  [SYSTEM]  (RWED,RWED,RE,RE)";
    default:
        return "040755 2 0 512 1012345678 " + QByteArray(kNames[i % 10]);
    }
}

std::vector<QByteArray> Listing(QByteArray (*make)(int))
{
    std::vector<QByteArray> lines;
    for (int i = 0; i < 1000; ++i)
        lines.push_back(make(i));
    return lines;
}

// Unix and DOS lines in equal parts, a line of the rarer layouts every fifth.
QByteArray MixedLine(int i)
{
    if (i % 5 == 4)
        return OtherLine(i / 5);
    return i % 2 ? UnixLine(i) : DosLine(i);
}

void ParseAll(benchmark::State &state, const std::vector<QByteArray> &lines)
{
    TFtpDirInfo info;
    std::int64_t accepted = 0;
    for (auto _ : state) {
        for (const QByteArray &line : lines) {
            accepted += ParseDirLine(line, info);
            benchmark::DoNotOptimize(info);
        }
    }
    if (accepted != std::int64_t(state.iterations()) * std::int64_t(lines.size()))
        state.SkipWithError("a benchmark line was not accepted");
    state.SetItemsProcessed(std::int64_t(state.iterations()) * std::int64_t(lines.size()));
}

void BM_UnixLines(benchmark::State &state)
{
    ParseAll(state, Listing(UnixLine));
}

void BM_DosLines(benchmark::State &state)
{
    ParseAll(state, Listing(DosLine));
}

void BM_MixedLines(benchmark::State &state)
{
    ParseAll(state, Listing(MixedLine));
}

}  // namespace

BENCHMARK(BM_UnixLines);
BENCHMARK(BM_DosLines);
BENCHMARK(BM_MixedLines);

BENCHMARK_MAIN();
