// libFuzzer target: any bytes as one listing line. Crashes, leaks and undefined behaviour are
// caught by the sanitizers; the checks below catch results no line may give.
#include "listparser.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto *line = reinterpret_cast<const char *>(data);
    TFtpDirInfo info;
    // A leap day as today reaches the year inference's edges.
    const bool ok = ParseDirLine(line, qsizetype(size), info, QDate(2024, 2, 29));
    if (ok && info.Name.isEmpty())
        std::abort();
    if (ok && info.IsDir && (info.Name == "." || info.Name == ".."))
        std::abort();
    if (info.Size < -2 || !std::isfinite(info.ModTime))
        std::abort();
    if (info.Name.size() > qsizetype(size) || info.Owner.size() > qsizetype(size) + 1)
        std::abort();
    // The clock's today takes the other path through the year inference.
    TFtpDirInfo now;
    ParseDirLine(line, qsizetype(size), now);
    return 0;
}
