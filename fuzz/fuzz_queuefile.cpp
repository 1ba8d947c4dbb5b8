#include "fuzzsupport.h"
#include "queuefile.h"

namespace {
QByteArray ReadAndWrite(const QByteArray &bytes, TQueueFileResult *result)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const TQueueFileContents contents = ReadQueueFile(buffer);
    if (result)
        *result = contents.Result;
    std::vector<const TItemInfo *> items;
    for (const auto &item : contents.Items)
        items.push_back(item.get());
    return WrittenBytes([&](QIODevice &out) { return WriteQueueFile(out, items); });
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    TItemInfo item;
    item.FtpInfo.Host = QStringLiteral("ftp.example.com");
    item.FtpInfo.RemoteFile = "/pub/file";
    item.FtpInfo.Password = QStringLiteral("pw");
    item.FtpInfo.LocalFile = QStringLiteral("/tmp/file");
    item.ItemFlags = ItemFlag(ikDownload) | ItemFlag(ikMove);
    item.State = qsRetryWait;
    WriteSeed("queue.qfl", WrittenBytes([&](QIODevice &out) { return WriteQueueFile(out, {&item}); }));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TQueueFileResult result;
    const QByteArray once = ReadAndWrite(FuzzBytes(data, size), &result);
    TQueueFileResult again;
    const QByteArray twice = ReadAndWrite(once, &again);
    if (again != TQueueFileResult::Loaded)
        std::abort();
    CheckFixedPoint(twice, ReadAndWrite(twice, nullptr));
    return 0;
}
