#include "sitefile.h"

#include "pc1.h"
#include "recordstream.h"

#include <algorithm>

namespace {

const QByteArray kMagic = QByteArrayLiteral("TNSM");

QString ReadSecret(TRecordReader &r)
{
    return QString::fromUtf8(DecryptPassword(r.ReadString()));
}

// Version 258 kept the time sums as whole seconds.
double ReadSeconds(TRecordReader &r, int version)
{
    return version == 258 ? double(r.ReadUInt32()) : r.ReadDouble();
}

void ReadEntry(TRecordReader &r, int version, const TOptions &options, TFtpSiteInfo &e)
{
    e.Tag.IsFolder = r.ReadByte() != 0;
    e.Tag.Level = r.ReadInt32();
    e.Tag.Name = r.ReadText();
    if (version >= 258)
        e.Tag.AuxText = r.ReadText();
    e.Detail.Host = r.ReadText();
    e.Detail.Port = r.ReadInt32();
    e.Detail.UserName = ReadSecret(r);
    e.Detail.Password = ReadSecret(r);
    e.Detail.RemoteDir = r.ReadText();
    e.Detail.LocalDir = r.ReadText();
    e.Detail.Anonymous = r.ReadByte() != 0;
    r.ReadByte();  // the stored AskPassword; recomputed below
    if (version >= 258) {
        e.Detail.Passive = r.ReadByte() != 0;
        e.UpFiles = r.ReadInt32();
        e.UpBytes = r.ReadUInt32();
        e.UpSpare = r.ReadInt32();
        e.UpSeconds = ReadSeconds(r, version);
        e.DownFiles = r.ReadInt32();
        e.DownBytes = r.ReadUInt32();
        e.DownSpare = r.ReadInt32();
        e.DownSeconds = ReadSeconds(r, version);
        e.Connects = r.ReadInt32();
        e.ConnectTries = r.ReadInt32();
        e.ConnectSeconds = ReadSeconds(r, version);
        e.LastConnect = r.ReadDouble();
    } else {
        e.Detail.Passive = options.PassiveMode == 1;
        e.LastConnect = 0;  // statistics all zero: shown as never connected
    }
    e.Proxy.ProxyPort = 0;
    if (version >= 260) {
        e.Proxy.UseOwnProxy = r.ReadInt32();
        e.Proxy.ProxyType = r.ReadInt32();
        e.Proxy.ProxyHost = r.ReadText();
        e.Proxy.ProxyPort = r.ReadInt32();
        e.Proxy.ProxyUser = ReadSecret(r);
        e.Proxy.ProxyPassword = ReadSecret(r);
    }
    if (e.Proxy.ProxyPort < 1)
        e.Proxy.ProxyPort = 21;
    if (version >= 261) {
        e.UseOwnConn = r.ReadInt32();
        e.ConnTimeout = r.ReadInt32();
        e.ConnRetries = r.ReadInt32();
        e.ConnDelay = r.ReadInt32();
        e.UseOwnTrans = r.ReadInt32();
        e.TransTimeout = r.ReadInt32();
        e.TransRetries = r.ReadInt32();
        e.TransDelay = r.ReadInt32();
    }
    if (e.Detail.Anonymous && e.Detail.Password.isEmpty())
        e.Detail.Password = options.UserEmail.isEmpty() ? AnonymousPlaceholder() : options.UserEmail;
    e.Detail.AskPassword =
        e.Detail.UserName.toLower() != QStringLiteral("anonymous") && e.Detail.Password.isEmpty();
}

void WriteSecret(TRecordWriter &w, const QString &text)
{
    w.WriteString(EncryptPassword(text.toUtf8()));
}

void WriteEntry(TRecordWriter &w, const TFtpSiteInfo &e)
{
    w.WriteByte(e.Tag.IsFolder ? 1 : 0);
    w.WriteInt32(e.Tag.Level);
    w.WriteText(e.Tag.Name);
    w.WriteText(e.Tag.AuxText);
    w.WriteText(e.Detail.Host);
    w.WriteInt32(e.Detail.Port);
    WriteSecret(w, e.Detail.UserName);
    WriteSecret(w, e.Detail.Password);
    w.WriteText(e.Detail.RemoteDir);
    w.WriteText(e.Detail.LocalDir);
    w.WriteByte(e.Detail.Anonymous ? 1 : 0);
    w.WriteByte(e.Detail.AskPassword ? 1 : 0);
    w.WriteByte(e.Detail.Passive ? 1 : 0);
    w.WriteInt32(e.UpFiles);
    w.WriteUInt32(quint32(e.UpBytes));  // the stored format keeps the low 32 bits only
    w.WriteInt32(e.UpSpare);
    w.WriteDouble(e.UpSeconds);
    w.WriteInt32(e.DownFiles);
    w.WriteUInt32(quint32(e.DownBytes));
    w.WriteInt32(e.DownSpare);
    w.WriteDouble(e.DownSeconds);
    w.WriteInt32(e.Connects);
    w.WriteInt32(e.ConnectTries);
    w.WriteDouble(e.ConnectSeconds);
    w.WriteDouble(e.LastConnect);
    w.WriteInt32(e.Proxy.UseOwnProxy);
    w.WriteInt32(e.Proxy.ProxyType);
    w.WriteText(e.Proxy.ProxyHost);
    w.WriteInt32(e.Proxy.ProxyPort);
    WriteSecret(w, e.Proxy.ProxyUser);
    WriteSecret(w, e.Proxy.ProxyPassword);
    w.WriteInt32(e.UseOwnConn);
    w.WriteInt32(e.ConnTimeout);
    w.WriteInt32(e.ConnRetries);
    w.WriteInt32(e.ConnDelay);
    w.WriteInt32(e.UseOwnTrans);
    w.WriteInt32(e.TransTimeout);
    w.WriteInt32(e.TransRetries);
    w.WriteInt32(e.TransDelay);
}

}  // namespace

QString SiteFileErrorText()
{
    return QStringLiteral("打开站点管理器数据文件错误!");
}

TSiteFileContents ReadSiteFile(QIODevice &device, const TOptions &options)
{
    TSiteFileContents contents;
    TRecordReader r(device);
    QByteArray magic(4, '\0');
    for (char &c : magic)
        c = char(r.ReadByte());
    if (r.Failed() || magic != kMagic) {
        contents.Result = TSiteFileResult::BadMagic;
        return contents;
    }
    contents.Version = r.ReadWord();
    r.ReadInt32();  // reserved
    const qint32 count = r.ReadInt32();
    // Newer files are read as the newest layout we know; no older layout than 256 exists.
    const int version = std::clamp<int>(contents.Version, 256, SITE_FILE_VERSION);

    for (qint32 i = 0; i < count && !r.Failed(); ++i) {
        auto entry = std::make_unique<TFtpSiteInfo>();
        ReadEntry(r, version, options, *entry);
        if (!r.Failed())
            contents.Sites.push_back(std::move(entry));
    }
    const quint32 end = r.ReadUInt32();
    contents.Result = !r.Failed() && end == SITE_FILE_END ? TSiteFileResult::Loaded : TSiteFileResult::BadEnd;
    return contents;
}

bool WriteSiteFile(QIODevice &device, const TSiteList &sites)
{
    TRecordWriter w(device);
    for (char c : kMagic)
        w.WriteByte(quint8(c));
    w.WriteWord(SITE_FILE_VERSION);
    w.WriteInt32(0);
    w.WriteInt32(qint32(sites.size()));
    for (const auto &site : sites)
        WriteEntry(w, *site);
    w.WriteUInt32(SITE_FILE_END);
    return !w.Failed();
}
