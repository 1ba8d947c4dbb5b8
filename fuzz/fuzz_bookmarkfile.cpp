#include "bookmarkfile.h"
#include "fuzzsupport.h"

namespace {
QByteArray ReadAndWrite(const QByteArray &bytes, bool *ok)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    TBookmarkList list;
    const bool read = ReadBookmarks(buffer, list);
    if (ok)
        *ok = read;
    return WrittenBytes([&](QIODevice &out) { return WriteBookmarks(out, list); });
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    TBookmarkList list;
    auto item = std::make_unique<TFtpBookmarkItem>();
    item->Name = QStringLiteral("pub");
    item->Host = QStringLiteral("ftp.example.com");
    item->Password = QStringLiteral("pw");
    item->Path = QStringLiteral("/pub");
    list.push_back(std::move(item));
    WriteSeed("bookmarks.bmf", WrittenBytes([&](QIODevice &out) { return WriteBookmarks(out, list); }));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    bool ok;
    const QByteArray once = ReadAndWrite(FuzzBytes(data, size), &ok);
    bool again;
    const QByteArray twice = ReadAndWrite(once, &again);
    if (!again)
        std::abort();
    CheckFixedPoint(twice, ReadAndWrite(twice, nullptr));
    return 0;
}
