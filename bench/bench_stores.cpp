// Saving and loading the queue file with 100,000 items and the site file with 10,000 sites,
// through the real files (temporary file, flush to disk, rename). The "Raw" figures write and
// read the same number of bytes in one call each: the floor that the file formats stand on.
#include "queuefile.h"
#include "tsitemanager.h"

#include <QtCore/QFile>
#include <QtCore/QSaveFile>
#include <QtCore/QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int kQueueItems = 100'000;
constexpr int kSites = 10'000;

const QTemporaryDir &Folder()
{
    static QTemporaryDir dir;
    return dir;
}

std::vector<TItemInfo> MakeQueue()
{
    std::vector<TItemInfo> items(kQueueItems);
    for (int i = 0; i < kQueueItems; ++i) {
        TItemInfo &item = items[size_t(i)];
        item.SiteTag.SiteId = i % 50 + 1;
        item.SiteTag.Name = QStringLiteral("站点 %1").arg(i % 50);
        item.FtpInfo.Host = QStringLiteral("ftp%1.example.com").arg(i % 50);
        item.FtpInfo.RemoteFile = "/pub/releases/2026/package-" + QByteArray::number(i) + ".tar.gz";
        item.FtpInfo.RemoteBase = "/pub/releases/";
        item.FtpInfo.UserName = QStringLiteral("user");
        item.FtpInfo.Password = QStringLiteral("password%1").arg(i % 50);
        item.FtpInfo.PortText = QStringLiteral("21");
        item.FtpInfo.LocalFile = QStringLiteral("/home/user/下载/package-%1.tar.gz").arg(i);
        item.FtpInfo.RemoteSize = 1'000'000 + i;
        item.ItemFlags = ItemFlag(ikDownload);
        item.State = qsNew;
        item.ItemNo = i;
    }
    return items;
}

std::vector<const TItemInfo *> Pointers(const std::vector<TItemInfo> &items)
{
    std::vector<const TItemInfo *> pointers;
    pointers.reserve(items.size());
    for (const TItemInfo &item : items)
        pointers.push_back(&item);
    return pointers;
}

QString QueueName()
{
    return Folder().filePath(QStringLiteral("Tarnel.QFL"));
}

QString SitesName()
{
    return Folder().filePath(QStringLiteral("FtpSites.SMF"));
}

void FillSites(TSiteManager &store)
{
    for (int i = 0; i < kSites; ++i) {
        auto site = std::make_unique<TFtpSiteInfo>();
        site->Tag.IsFolder = i % 20 == 0;
        site->Tag.Level = site->Tag.IsFolder ? 0 : 1;
        site->Tag.Name = QStringLiteral("站点 %1").arg(i);
        site->Detail.Host = QStringLiteral("ftp%1.example.com").arg(i);
        site->Detail.UserName = QStringLiteral("user%1").arg(i);
        site->Detail.Password = QStringLiteral("password%1").arg(i);
        site->Detail.RemoteDir = QStringLiteral("/pub");
        site->Detail.Anonymous = false;
        site->Proxy.ProxyHost = QStringLiteral("proxy.example.com");
        site->UpBytes = i * 1000;
        store.AddSite(std::move(site));
    }
}

void SaveQueue100k(benchmark::State &state)
{
    const std::vector<TItemInfo> items = MakeQueue();
    const std::vector<const TItemInfo *> pointers = Pointers(items);
    for (auto _ : state) {
        if (!SaveQueueFile(QueueName(), pointers))
            state.SkipWithError("save failed");
    }
    state.counters["bytes"] = double(QFile(QueueName()).size());
}

void LoadQueue100k(benchmark::State &state)
{
    const std::vector<TItemInfo> items = MakeQueue();
    SaveQueueFile(QueueName(), Pointers(items));
    for (auto _ : state) {
        const TQueueFileContents contents = LoadQueueFile(QueueName());
        if (contents.Result != TQueueFileResult::Loaded || contents.Items.size() != items.size())
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(contents.Items.data());
    }
}

void SaveSites10k(benchmark::State &state)
{
    TSiteManager store(SitesName());
    FillSites(store);
    for (auto _ : state) {
        if (!store.SaveSites())
            state.SkipWithError("save failed");
    }
    state.counters["bytes"] = double(QFile(SitesName()).size());
}

void LoadSites10k(benchmark::State &state)
{
    {
        TSiteManager store(SitesName());
        FillSites(store);
        store.SaveSites();
    }
    const TOptions options;
    for (auto _ : state) {
        TSiteManager store(SitesName());
        if (store.LoadSites(options) != TSiteFileResult::Loaded || store.SiteCount() != kSites)
            state.SkipWithError("load failed");
    }
}

// The same bytes as the queue file, written and read back in one call each.
void RawQueueBytes(benchmark::State &state)
{
    SaveQueueFile(QueueName(), Pointers(MakeQueue()));
    QFile source(QueueName());
    source.open(QIODevice::ReadOnly);
    const QByteArray bytes = source.readAll();
    const QString name = Folder().filePath(QStringLiteral("raw"));
    for (auto _ : state) {
        QSaveFile out(name);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
            state.SkipWithError("raw write failed");
        QFile in(name);
        in.open(QIODevice::ReadOnly);
        benchmark::DoNotOptimize(in.readAll().size());
    }
}

}  // namespace

BENCHMARK(SaveQueue100k)->Unit(benchmark::kMillisecond);
BENCHMARK(LoadQueue100k)->Unit(benchmark::kMillisecond);
BENCHMARK(RawQueueBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(SaveSites10k)->Unit(benchmark::kMillisecond);
BENCHMARK(LoadSites10k)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
