#include "tscanitem.h"

namespace {
struct TKindInfo {
    const char16_t *Header;
    Qt::Alignment Alignment;
    int WidthLocal;
    int WidthRemote;
    int Bit;
};

const TKindInfo kKinds[ColumnKindCount] = {
    {u"文件名", Qt::AlignLeft, 150, 150, 1},
    {u"大小", Qt::AlignRight, 80, 80, 2},
    {u"日期", Qt::AlignLeft, 120, 100, 4},
    {u"标记", Qt::AlignLeft, 120, 120, 8},
    {u"调试", Qt::AlignLeft, 120, 120, 128},
};

const TKindInfo *Kind(int kind)
{
    return kind >= 0 && kind < ColumnKindCount ? &kKinds[kind] : nullptr;
}
}  // namespace

QString ColumnHeader(int kind)
{
    const TKindInfo *k = Kind(kind);
    return k ? QString::fromUtf16(k->Header) : QString();
}

Qt::Alignment ColumnAlignment(int kind)
{
    const TKindInfo *k = Kind(kind);
    return (k ? k->Alignment : Qt::AlignLeft) | Qt::AlignVCenter;
}

int ColumnWidth(int kind, bool remote)
{
    const TKindInfo *k = Kind(kind);
    return k ? (remote ? k->WidthRemote : k->WidthLocal) : 0;
}

int ColumnBit(int kind)
{
    const TKindInfo *k = Kind(kind);
    return k ? k->Bit : 0;
}
