#include "fuzzsupport.h"
#include "sitefile.h"

namespace {
QByteArray ReadAndWrite(const QByteArray &bytes, TSiteFileResult *result)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const TSiteFileContents contents = ReadSiteFile(buffer, TOptions());
    if (result)
        *result = contents.Result;
    return WrittenBytes([&](QIODevice &out) { return WriteSiteFile(out, contents.Sites); });
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    TSiteList sites;
    auto site = std::make_unique<TFtpSiteInfo>();
    site->Tag.Name = QStringLiteral("site");
    site->Detail.Host = QStringLiteral("ftp.example.com");
    site->Detail.Password = QStringLiteral("pw");
    site->Proxy.ProxyUser = QStringLiteral("proxy");
    sites.push_back(std::move(site));
    WriteSeed("site.smf", WrittenBytes([&](QIODevice &out) { return WriteSiteFile(out, sites); }));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TSiteFileResult result;
    const QByteArray once = ReadAndWrite(FuzzBytes(data, size), &result);
    TSiteFileResult again;
    const QByteArray twice = ReadAndWrite(once, &again);
    if (again != TSiteFileResult::Loaded)
        std::abort();  // what we write we must read
    CheckFixedPoint(twice, ReadAndWrite(twice, nullptr));
    return 0;
}
