#include "bookmarkfile.h"

#include "pc1.h"
#include "programfolders.h"
#include "recordstream.h"
#include "tmyfilestream.h"

#include <QtCore/QFileInfo>
#include <QtCore/QSet>

namespace {
const QByteArray kMagic = QByteArrayLiteral("TNBM");
}  // namespace

QString DefaultBookmarkFileName()
{
    return ProgramFolders().ProfileFolder + QStringLiteral("Tarnel.BMF");
}

bool LoadBookmarks(const QString &fileName, TBookmarkList &list)
{
    if (!QFileInfo::exists(fileName))
        return false;
    try {
        TMyFileStream stream(fileName, fmOpenRead);
        return ReadBookmarks(stream.Device(), list);
    } catch (const EFOpenError &) {
        return false;
    }
}

bool ReadBookmarks(QIODevice &device, TBookmarkList &list)
{
    TRecordReader r(device);
    QByteArray magic(4, '\0');
    for (char &c : magic)
        c = char(r.ReadByte());
    if (r.Failed() || magic != kMagic)
        return false;
    r.ReadWord();   // version, not checked
    r.ReadInt32();  // reserved
    const qint32 count = r.ReadInt32();
    for (qint32 i = 0; i < count && !r.Failed(); ++i) {
        auto item = std::make_unique<TFtpBookmarkItem>();
        item->Id = i;
        item->IsLocal = r.ReadByte() != 0;
        item->Name = r.ReadText();
        item->Host = r.ReadText();
        item->UserName = QString::fromUtf8(DecryptPassword(r.ReadString()));
        item->Password = QString::fromUtf8(DecryptPassword(r.ReadString()));
        item->Port = r.ReadInt32();
        item->Path = r.ReadText();
        item->SiteName = QString::fromUtf8(DecryptPassword(r.ReadString()));
        if (!r.Failed())
            list.push_back(std::move(item));
    }
    return !r.Failed();
}

bool SaveBookmarks(const QString &fileName, const TBookmarkList &list)
{
    try {
        TMyFileStream stream(fileName, fmCreate, TMyFileStream::Access::Private);
        return WriteBookmarks(stream.Device(), list) && stream.Commit();
    } catch (const EFCreateError &) {
        return false;
    }
}

bool WriteBookmarks(QIODevice &device, const TBookmarkList &list)
{
    TRecordWriter w(device);
    for (char c : kMagic)
        w.WriteByte(quint8(c));
    w.WriteWord(BOOKMARK_FILE_VERSION);
    w.WriteInt32(0);
    w.WriteInt32(qint32(list.size()));
    for (const auto &item : list) {
        w.WriteByte(item->IsLocal ? 1 : 0);
        w.WriteText(item->Name);
        w.WriteText(item->Host);
        w.WriteString(EncryptPassword(item->UserName.toUtf8()));
        w.WriteString(EncryptPassword(item->Password.toUtf8()));
        w.WriteInt32(item->Port);
        w.WriteText(item->Path);
        w.WriteString(EncryptPassword(item->SiteName.toUtf8()));
    }
    w.WriteUInt32(BOOKMARK_FILE_END);
    return !w.Failed();
}

qint32 NewBookmarkId(const TBookmarkList &list)
{
    QSet<qint32> used;
    for (const auto &item : list)
        used.insert(item->Id);
    qint32 id = 0;
    while (used.contains(id))
        ++id;
    return id;
}

TFtpBookmarkItem *FindBookmark(const TBookmarkList &list, qint32 id)
{
    for (const auto &item : list) {
        if (item->Id == id)
            return item.get();
    }
    return nullptr;
}
