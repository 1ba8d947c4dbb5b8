#include "queuefile.h"

#include "pc1.h"
#include "programfolders.h"
#include "recordstream.h"
#include "tmyfilestream.h"

#include <QtCore/QFileInfo>

#include <algorithm>

namespace {

const QByteArray kMagic = QByteArrayLiteral("TND");
const QByteArray kTag = QByteArrayLiteral("QUEUE");

QByteArray ReadBytes(TRecordReader &r, int count)
{
    QByteArray bytes(count, '\0');
    for (char &c : bytes)
        c = char(r.ReadByte());
    return bytes;
}

QString ReadSecret(TRecordReader &r)
{
    return QString::fromUtf8(Pc1Decrypt(QueueKey, r.ReadString()));
}

quint8 FlagsFromElement(quint8 element)
{
    return element >= ikDownload && element <= ikMove ? ItemFlag(TItemKind(element)) : 0;
}

qint32 LoadedState(qint32 stored)
{
    switch (stored) {
    case qsDownloading:
    case qsUploading:
    case qsWaiting:
    case qsStopped:
    case qsRemoving:
        return qsStopped;
    case qsError:
    case qsRetryWait:
        return qsError;
    default:
        return stored;
    }
}

void ReadItem(TRecordReader &r, int version, TItemInfo &item)
{
    TFtpInfo &f = item.FtpInfo;
    if (version >= 259) {
        item.SiteTag.SiteId = r.ReadInt32();
        item.SiteTag.Level = r.ReadInt32();
        item.SiteTag.Name = r.ReadText();
    } else {
        item.SiteTag.Level = -1;
    }
    f.Host = r.ReadText();
    f.RemoteFile = r.ReadString();
    if (version >= 258)
        f.RemoteBase = r.ReadString();
    f.UserName = r.ReadText();
    f.Password = ReadSecret(r);
    f.PortText = r.ReadText();
    f.ProxyHost = r.ReadText();
    f.ProxyPortText = r.ReadText();
    f.ProxyUser = r.ReadText();
    f.ProxyPassword = ReadSecret(r);
    f.LocalFile = r.ReadText();
    f.LocalSize = version >= 260 ? r.ReadInt64() : qint64(r.ReadUInt32());
    f.Passive = r.ReadByte() != 0;
    f.Binary = r.ReadByte() != 0;
    f.RemoteSize = version >= 260 ? r.ReadInt64() : qint64(r.ReadUInt32());
    if (version >= 261)
        f.RemoteDate = r.ReadDouble();
    f.ServerResumes = r.ReadByte() != 0;
    f.ReplaceMode = r.ReadByte();
    if (version >= 264) {
        const quint8 count = r.ReadByte();
        for (int i = 0; i < count; ++i)
            item.ItemFlags |= FlagsFromElement(r.ReadByte());
    } else {
        item.ItemFlags = FlagsFromElement(r.ReadByte());
    }
    item.Progress = r.ReadInt32();
    item.State = r.ReadInt32();
    item.ItemNo = r.ReadInt32();
    item.Tries = r.ReadInt32();
    item.StartCount = r.ReadInt32();
    item.Reserved1 = r.ReadInt32();
    item.Reserved2 = r.ReadInt64();
    item.Reserved3 = r.ReadInt64();
    item.Seconds = version >= 259 ? r.ReadDouble() : double(r.ReadInt32());
    item.Reserved4 = r.ReadInt32();
    if (version >= 262)
        f.ProxyType = r.ReadInt32();
    if (version >= 263)
        f.NoProxy = r.ReadByte() != 0;

    f.IsUpload = HasItemFlag(item.ItemFlags, ikUpload);
    if (HasItemFlag(item.ItemFlags, ikDownload))
        f.IsDir = f.RemoteFile.endsWith('/');
    else if (f.IsUpload)
        f.IsDir = f.LocalFile.endsWith(u'/');
    item.Tries = 0;
    item.State = LoadedState(item.State);
}

void WriteSecret(TRecordWriter &w, const QString &text)
{
    w.WriteString(Pc1Encrypt(QueueKey, text.toUtf8()));
}

void WriteItem(TRecordWriter &w, const TItemInfo &item)
{
    const TFtpInfo &f = item.FtpInfo;
    w.WriteInt32(item.SiteTag.SiteId);
    w.WriteInt32(item.SiteTag.Level);
    w.WriteText(item.SiteTag.Name);
    w.WriteText(f.Host);
    w.WriteString(f.RemoteFile);
    w.WriteString(f.RemoteBase);
    w.WriteText(f.UserName);
    WriteSecret(w, f.Password);
    w.WriteText(f.PortText);
    w.WriteText(f.ProxyHost);
    w.WriteText(f.ProxyPortText);
    w.WriteText(f.ProxyUser);
    WriteSecret(w, f.ProxyPassword);
    w.WriteText(f.LocalFile);
    w.WriteInt64(f.LocalSize);
    w.WriteByte(f.Passive ? 1 : 0);
    w.WriteByte(f.Binary ? 1 : 0);
    w.WriteInt64(f.RemoteSize);
    w.WriteDouble(f.RemoteDate);
    w.WriteByte(f.ServerResumes ? 1 : 0);
    w.WriteByte(f.ReplaceMode);
    QByteArray elements;
    for (TItemKind kind : {ikDownload, ikUpload, ikMove}) {
        if (HasItemFlag(item.ItemFlags, kind))
            elements.append(char(kind));
    }
    w.WriteByte(quint8(elements.size()));
    for (char element : elements)
        w.WriteByte(quint8(element));
    w.WriteInt32(item.Progress);
    w.WriteInt32(item.State);
    w.WriteInt32(item.ItemNo);
    w.WriteInt32(item.Tries);
    w.WriteInt32(item.StartCount);
    w.WriteInt32(item.Reserved1);
    w.WriteInt64(item.Reserved2);
    w.WriteInt64(item.Reserved3);
    w.WriteDouble(item.Seconds);
    w.WriteInt32(item.Reserved4);
    w.WriteInt32(f.ProxyType);
    w.WriteByte(f.NoProxy ? 1 : 0);
}

}  // namespace

QString QueueFileErrorText()
{
    return QStringLiteral("打开队列数据文件错误!");
}

bool QueueFileWantsErrorBox(TQueueFileResult result)
{
    return result == TQueueFileResult::BadMagic || result == TQueueFileResult::BadEnd;
}

QString DefaultQueueFileName()
{
    return ProgramFolders().ProfileFolder + QStringLiteral("Tarnel.QFL");
}

TQueueFileContents LoadQueueFile(const QString &fileName)
{
    if (!QFileInfo::exists(fileName))
        return {};
    try {
        TMyFileStream stream(fileName, fmOpenRead);
        return ReadQueueFile(stream.Device());
    } catch (const EFOpenError &) {
        return {};
    }
}

TQueueFileContents ReadQueueFile(QIODevice &device)
{
    TQueueFileContents contents;
    TRecordReader r(device);
    if (ReadBytes(r, 3) != kMagic || r.Failed()) {
        contents.Result = TQueueFileResult::BadMagic;
        return contents;
    }
    contents.Version = r.ReadWord();
    r.ReadInt32();  // reserved
    if (ReadBytes(r, 5) != kTag || r.Failed()) {
        contents.Result = TQueueFileResult::BadTag;
        return contents;
    }
    const qint32 count = r.ReadInt32();
    // Newer files are read as the newest layout we know; no older layout than 256 exists.
    const int version = std::clamp<int>(contents.Version, 256, QUEUE_FILE_VERSION);
    for (qint32 i = 0; i < count && !r.Failed(); ++i) {
        auto item = std::make_unique<TItemInfo>();
        ReadItem(r, version, *item);
        if (r.Failed())
            break;
        item->ItemNo = qint32(contents.Items.size());
        contents.Items.push_back(std::move(item));
    }
    const quint32 end = r.ReadUInt32();
    contents.Result = !r.Failed() && end == QUEUE_FILE_END ? TQueueFileResult::Loaded : TQueueFileResult::BadEnd;
    return contents;
}

bool SaveQueueFile(const QString &fileName, const std::vector<const TItemInfo *> &items)
{
    TMyFileStream stream(fileName, fmCreate, TMyFileStream::Access::Private);
    return WriteQueueFile(stream.Device(), items) && stream.Commit();
}

bool WriteQueueFile(QIODevice &device, const std::vector<const TItemInfo *> &items)
{
    TRecordWriter w(device);
    for (char c : kMagic)
        w.WriteByte(quint8(c));
    w.WriteWord(QUEUE_FILE_VERSION);
    w.WriteInt32(0);
    for (char c : kTag)
        w.WriteByte(quint8(c));
    w.WriteInt32(qint32(items.size()));
    for (const TItemInfo *item : items)
        WriteItem(w, *item);
    w.WriteUInt32(QUEUE_FILE_END);
    return !w.Failed();
}

QString QueueLoadedStatusText(qint32 state)
{
    switch (state) {
    case qsDownloaded:
    case qsUploaded:
        return QStringLiteral("完成.");
    case qsStopped:
        return QStringLiteral("已停止。");
    case qsError:
        return QStringLiteral("错误。");
    default:
        return {};
    }
}
