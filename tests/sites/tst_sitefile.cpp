#include "pc1.h"
#include "recordstream.h"
#include "tfilesizelimit.h"
#include "tmyfilestream.h"
#include "tsitemanager.h"
#include "ttempprofile.h"

#include <QtCore/QBuffer>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtTest/QTest>

#include <limits>

namespace {

// One site as the hand-made files below store it.
TFtpSiteInfo SampleSite(const QString &name)
{
    TFtpSiteInfo s;
    s.Tag.Level = 1;
    s.Tag.Name = name;
    s.Tag.AuxText = QStringLiteral("aux");
    s.Detail.Host = QStringLiteral("ftp.example.com");
    s.Detail.Port = 2121;
    s.Detail.UserName = QStringLiteral("bob");
    s.Detail.Password = QStringLiteral("s3cret");
    s.Detail.RemoteDir = QStringLiteral("/pub");
    s.Detail.LocalDir = QStringLiteral("/home/bob/下载");
    s.Detail.Anonymous = false;
    s.Detail.Passive = false;
    s.UpFiles = 3;
    s.UpBytes = 4000;
    s.UpSpare = 9;
    s.UpSeconds = 90.5;
    s.DownFiles = 4;
    s.DownBytes = 5000;
    s.DownSpare = 8;
    s.DownSeconds = 60.25;
    s.Connects = 5;
    s.ConnectTries = 6;
    s.ConnectSeconds = 30.75;
    s.LastConnect = 46000.5;
    s.Proxy.UseOwnProxy = 1;
    s.Proxy.ProxyType = 5;
    s.Proxy.ProxyHost = QStringLiteral("proxy.example.com");
    s.Proxy.ProxyPort = 8021;
    s.Proxy.ProxyUser = QStringLiteral("pu");
    s.Proxy.ProxyPassword = QStringLiteral("pp");
    s.UseOwnConn = 1;
    s.ConnTimeout = 11;
    s.ConnRetries = 12;
    s.ConnDelay = 13;
    s.UseOwnTrans = 1;
    s.TransTimeout = 14;
    s.TransRetries = 15;
    s.TransDelay = 16;
    return s;
}

// A site file of the given version, byte by byte from the format table.
QByteArray HandMadeFile(int version, const QList<TFtpSiteInfo> &sites, qint32 count = -1, quint32 end = 0xBB4A41AB)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    TRecordWriter w(buffer);
    for (char c : QByteArray("TNSM"))
        w.WriteByte(quint8(c));
    w.WriteWord(quint16(version));
    w.WriteInt32(0);
    w.WriteInt32(count < 0 ? qint32(sites.size()) : count);
    const auto seconds = [&](double value) {
        if (version == 258)
            w.WriteUInt32(quint32(value));
        else
            w.WriteDouble(value);
    };
    for (const TFtpSiteInfo &s : sites) {
        w.WriteByte(s.Tag.IsFolder);
        w.WriteInt32(s.Tag.Level);
        w.WriteString(s.Tag.Name.toUtf8());
        if (version >= 258)
            w.WriteString(s.Tag.AuxText.toUtf8());
        w.WriteString(s.Detail.Host.toUtf8());
        w.WriteInt32(s.Detail.Port);
        w.WriteString(EncryptPassword(s.Detail.UserName.toUtf8()));
        w.WriteString(EncryptPassword(s.Detail.Password.toUtf8()));
        w.WriteString(s.Detail.RemoteDir.toUtf8());
        w.WriteString(s.Detail.LocalDir.toUtf8());
        w.WriteByte(s.Detail.Anonymous);
        w.WriteByte(s.Detail.AskPassword);
        if (version >= 258) {
            w.WriteByte(s.Detail.Passive);
            w.WriteInt32(s.UpFiles);
            w.WriteUInt32(quint32(s.UpBytes));
            w.WriteInt32(s.UpSpare);
            seconds(s.UpSeconds);
            w.WriteInt32(s.DownFiles);
            w.WriteUInt32(quint32(s.DownBytes));
            w.WriteInt32(s.DownSpare);
            seconds(s.DownSeconds);
            w.WriteInt32(s.Connects);
            w.WriteInt32(s.ConnectTries);
            seconds(s.ConnectSeconds);
            w.WriteDouble(s.LastConnect);
        }
        if (version >= 260) {
            w.WriteInt32(s.Proxy.UseOwnProxy);
            w.WriteInt32(s.Proxy.ProxyType);
            w.WriteString(s.Proxy.ProxyHost.toUtf8());
            w.WriteInt32(s.Proxy.ProxyPort);
            w.WriteString(EncryptPassword(s.Proxy.ProxyUser.toUtf8()));
            w.WriteString(EncryptPassword(s.Proxy.ProxyPassword.toUtf8()));
        }
        if (version >= 261) {
            for (qint32 v : {s.UseOwnConn, s.ConnTimeout, s.ConnRetries, s.ConnDelay, s.UseOwnTrans, s.TransTimeout,
                             s.TransRetries, s.TransDelay})
                w.WriteInt32(v);
        }
    }
    w.WriteUInt32(end);
    return buffer.data();
}

TSiteFileContents Read(const QByteArray &bytes, const TOptions &options = TOptions())
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return ReadSiteFile(buffer, options);
}

QByteArray Written(const TSiteList &sites)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!WriteSiteFile(buffer, sites))
        qFatal("write failed");
    return buffer.data();
}

void WriteFile(const QString &name, const QByteArray &bytes)
{
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(name));
}

QByteArray FileBytes(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class TestSiteFile : public QObject {
    Q_OBJECT

private slots:
    void emptyStoreWritesHeaderAndEndMarker()
    {
        QCOMPARE(Written({}).toHex(' '), QByteArray("54 4e 53 4d 05 01 00 00 00 00 00 00 00 00 ab 41 4a bb"));
    }

    void writerFollowsTheFormatTable()
    {
        TSiteList sites;
        sites.push_back(std::make_unique<TFtpSiteInfo>(SampleSite(QStringLiteral("站点"))));
        sites.front()->UpBytes = 0x1'0000'0FA0;  // only the low 32 bits are stored
        QCOMPARE(Written(sites).toHex(' '), HandMadeFile(261, {SampleSite(QStringLiteral("站点"))}).toHex(' '));
    }

    void olderVersions_data()
    {
        QTest::addColumn<int>("version");
        for (int version : {257, 258, 259, 260, 261, 300})
            QTest::addRow("%d", version) << version;
    }

    void olderVersions()
    {
        QFETCH(int, version);
        TFtpSiteInfo stored = SampleSite(QStringLiteral("s"));
        if (version == 258) {  // whole seconds in this version
            stored.UpSeconds = 90;
            stored.DownSeconds = 60;
            stored.ConnectSeconds = 30;
        }
        TOptions options;
        options.PassiveMode = 1;
        QByteArray bytes = HandMadeFile(std::min(version, 261), {stored});
        bytes[4] = char(version & 0xFF);  // a newer file is read in the newest layout we know
        bytes[5] = char(version >> 8);
        const TSiteFileContents read = Read(bytes, options);
        QCOMPARE(read.Result, TSiteFileResult::Loaded);
        QCOMPARE(read.Version, quint16(version));
        QCOMPARE(read.Sites.size(), size_t(1));
        const TFtpSiteInfo &s = *read.Sites[0];

        // Fields every version has.
        QCOMPARE(s.Tag.Name, stored.Tag.Name);
        QCOMPARE(s.Tag.Level, 1);
        QCOMPARE(s.Detail.Host, stored.Detail.Host);
        QCOMPARE(s.Detail.Port, 2121);
        QCOMPARE(s.Detail.UserName, QStringLiteral("bob"));
        QCOMPARE(s.Detail.Password, QStringLiteral("s3cret"));
        QCOMPARE(s.Detail.LocalDir, stored.Detail.LocalDir);

        if (version >= 258) {
            QCOMPARE(s.Tag.AuxText, QStringLiteral("aux"));
            QCOMPARE(s.Detail.Passive, false);
            QCOMPARE(s.UpBytes, 4000);
            QCOMPARE(s.DownFiles, 4);
            QCOMPARE(s.UpSeconds, stored.UpSeconds);
            QCOMPARE(s.DownSeconds, stored.DownSeconds);
            QCOMPARE(s.ConnectSeconds, stored.ConnectSeconds);
            QCOMPARE(s.LastConnect, 46000.5);
        } else {
            QCOMPARE(s.Tag.AuxText, QString());
            QCOMPARE(s.Detail.Passive, true);  // from the passive option
            QCOMPARE(s.UpFiles, 0);
            QCOMPARE(s.UpSeconds, 0.0);
            QCOMPARE(s.Connects, 0);
            QCOMPARE(s.LastConnect, 0.0);
        }
        if (version >= 260) {
            QVERIFY(s.Proxy == stored.Proxy);
        } else {
            QCOMPARE(s.Proxy.UseOwnProxy, 0);
            QCOMPARE(s.Proxy.ProxyType, 0);
            QCOMPARE(s.Proxy.ProxyHost, QString());
            QCOMPARE(s.Proxy.ProxyPort, 21);
            QCOMPARE(s.Proxy.ProxyPassword, QString());
        }
        if (version >= 261) {
            QCOMPARE(s.ConnTimeout, 11);
            QCOMPARE(s.TransDelay, 16);
        } else {
            QCOMPARE(s.UseOwnConn, 0);
            QCOMPARE(s.ConnTimeout, 0);
            QCOMPARE(s.UseOwnTrans, 0);
            QCOMPARE(s.TransDelay, 0);
        }
    }

    void roundTripThroughTheStore()
    {
        TTempProfile profile;
        TSiteManager store(profile.FilePath(QStringLiteral("FtpSites.SMF")));
        auto folder = std::make_unique<TFtpSiteInfo>();
        folder->Tag.IsFolder = true;
        folder->Tag.Name = QStringLiteral("工作");
        folder->Detail.UserName.clear();
        folder->Detail.Anonymous = false;
        store.AddSite(std::move(folder));
        store.AddSite(std::make_unique<TFtpSiteInfo>(SampleSite(QStringLiteral("a"))));
        TFtpSiteInfo big = SampleSite(QStringLiteral("b"));
        big.UpBytes = 5'000'000'000;  // above 32 bits
        big.UpActive = 2;
        big.DownRunBytes = 7;
        big.Detail.AskPassword = true;  // recomputed: a password is set
        store.AddSite(std::make_unique<TFtpSiteInfo>(big));
        QVERIFY(store.SaveSites());
        const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther
                                          | QFile::WriteOther | QFile::ExeOther;
        QCOMPARE(QFileInfo(store.FileName()).permissions() & others, QFile::Permissions());

        TSiteManager back(store.FileName());
        QCOMPARE(back.LoadSites(TOptions()), TSiteFileResult::Loaded);
        QCOMPARE(back.Version(), SITE_FILE_VERSION);
        QCOMPARE(back.SiteCount(), 3);
        QCOMPARE(back.GetSite(0).Tag.SiteId, 0);  // folders get no number
        QVERIFY(back.GetSite(1).Tag.SiteId > 0);
        QVERIFY(back.GetSite(2).Tag.SiteId != back.GetSite(1).Tag.SiteId);

        TFtpSiteInfo expected = store.GetSite(0);
        expected.Detail.AskPassword = true;  // no user name and no password
        TFtpSiteInfo actual = back.GetSite(0);
        QVERIFY(actual == expected);
        expected = store.GetSite(1);
        expected.Tag.SiteId = back.GetSite(1).Tag.SiteId;
        QVERIFY(back.GetSite(1) == expected);
        expected = big;
        expected.Tag.SiteId = back.GetSite(2).Tag.SiteId;
        expected.UpBytes = 5'000'000'000 % 4'294'967'296;
        expected.UpActive = 0;
        expected.DownRunBytes = 0;
        expected.Detail.AskPassword = false;
        QVERIFY(back.GetSite(2) == expected);
    }

    void passwordRules_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("anonymous");
        QTest::addColumn<QString>("userEmail");
        QTest::addColumn<QString>("expectedPassword");
        QTest::addColumn<bool>("askPassword");

        const QString mail = QStringLiteral("me@example.org");
        QTest::newRow("anonymous takes the e-mail") << "Anonymous" << "" << true << mail << mail << false;
        QTest::newRow("no e-mail: placeholder") << "anonymous" << "" << true << "" << AnonymousPlaceholder() << false;
        QTest::newRow("anonymous keeps its own") << "anonymous" << "x@y" << true << mail << "x@y" << false;
        QTest::newRow("bob without password asks") << "bob" << "" << false << mail << "" << true;
        QTest::newRow("bob with password") << "bob" << "pw" << false << mail << "pw" << false;
    }

    void passwordRules()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(bool, anonymous);
        QFETCH(QString, userEmail);
        QFETCH(QString, expectedPassword);
        QFETCH(bool, askPassword);
        TFtpSiteInfo site = SampleSite(QStringLiteral("s"));
        site.Detail.UserName = user;
        site.Detail.Password = password;
        site.Detail.Anonymous = anonymous;
        site.Detail.AskPassword = !askPassword;  // the stored flag is ignored
        TOptions options;
        options.UserEmail = userEmail;
        const TSiteFileContents read = Read(HandMadeFile(261, {site}), options);
        QCOMPARE(read.Sites.at(0)->Detail.Password, expectedPassword);
        QCOMPARE(read.Sites.at(0)->Detail.AskPassword, askPassword);
    }

    void wrongMagicAndWrongEnd()
    {
        TTempProfile profile;
        const QString name = profile.FilePath(QStringLiteral("FtpSites.SMF"));
        TSiteManager store(name);
        store.AddSite(std::make_unique<TFtpSiteInfo>());

        QByteArray bytes = HandMadeFile(261, {SampleSite(QStringLiteral("a"))});
        bytes[0] = 'X';
        WriteFile(name, bytes);
        QCOMPARE(store.LoadSites(TOptions()), TSiteFileResult::BadMagic);
        QCOMPARE(store.SiteCount(), 0);
        QCOMPARE(SiteFileErrorText(), QStringLiteral("打开站点管理器数据文件错误!"));

        WriteFile(name, HandMadeFile(261, {SampleSite(QStringLiteral("a")), SampleSite(QStringLiteral("b"))}, -1, 0));
        QCOMPARE(store.LoadSites(TOptions()), TSiteFileResult::BadEnd);
        QCOMPARE(store.SiteCount(), 2);
        QCOMPARE(store.GetSite(1).Tag.Name, QStringLiteral("b"));
    }

    void truncatedAtEveryOffset()
    {
        TFtpSiteInfo folder;
        folder.Tag.IsFolder = true;
        folder.Tag.Name = QStringLiteral("f");
        const QList<TFtpSiteInfo> sites = {folder, SampleSite(QStringLiteral("a")), SampleSite(QStringLiteral("b"))};
        const QByteArray whole = HandMadeFile(261, sites);
        // Where each entry ends: a cut before that point must not yield the entry.
        QList<qsizetype> entryEnds;
        for (qsizetype n = 1; n <= sites.size(); ++n)
            entryEnds.append(HandMadeFile(261, sites.mid(0, n)).size() - 4);

        for (qsizetype cut = 0; cut < whole.size(); ++cut) {
            const TSiteFileContents read = Read(whole.left(cut));
            QCOMPARE(read.Result, cut < 4 ? TSiteFileResult::BadMagic : TSiteFileResult::BadEnd);
            const auto whole_entries = size_t(std::count_if(entryEnds.begin(), entryEnds.end(),
                                                            [cut](qsizetype end) { return end <= cut; }));
            QCOMPARE(read.Sites.size(), whole_entries);
            for (size_t i = 0; i < read.Sites.size(); ++i)
                QCOMPARE(read.Sites[i]->Tag.Name, sites[qsizetype(i)].Tag.Name);
        }
        QCOMPARE(Read(whole).Result, TSiteFileResult::Loaded);
    }

    void hostileCountsAndLengths()
    {
        // A huge count over one entry: one entry, then the file ends.
        const qint32 huge = std::numeric_limits<qint32>::max();
        TSiteFileContents read = Read(HandMadeFile(261, {SampleSite(QStringLiteral("a"))}, huge));
        QCOMPARE(read.Result, TSiteFileResult::BadEnd);
        QCOMPARE(read.Sites.size(), size_t(1));

        // A version below every layout still reads whole entries, so a huge count ends.
        QByteArray ancient = HandMadeFile(256, {SampleSite(QStringLiteral("a"))}, huge);
        ancient[4] = 1;
        ancient[5] = 0;
        read = Read(ancient);
        QCOMPARE(read.Result, TSiteFileResult::BadEnd);
        QCOMPARE(read.Sites.size(), size_t(1));

        // A string longer than the file.
        QByteArray longName = HandMadeFile(261, {}, 1);
        longName.chop(4);
        longName += QByteArray::fromHex("00 01 00 00 00 ff ff") + "short";
        read = Read(longName);
        QCOMPARE(read.Result, TSiteFileResult::BadEnd);
        QCOMPARE(read.Sites.size(), size_t(0));
    }

    void missingOrUnreadableFile()
    {
        TTempProfile profile;
        TSiteManager store(profile.FilePath(QStringLiteral("FtpSites.SMF")));
        store.AddSite(std::make_unique<TFtpSiteInfo>());
        QCOMPARE(store.LoadSites(TOptions()), TSiteFileResult::NoFile);
        QCOMPARE(store.SiteCount(), 1);  // a missing file leaves the store as it is

        QVERIFY(QDir().mkpath(store.FileName()));  // a folder where the file should be
        QVERIFY_THROWS_EXCEPTION(EFOpenError, store.LoadSites(TOptions()));

        TSiteManager unnamed{QString()};
        QVERIFY(unnamed.SaveSites());
        QCOMPARE(unnamed.LoadSites(TOptions()), TSiteFileResult::NoFile);
    }

    void failedSaveKeepsThePreviousFile()
    {
        TTempProfile profile;
        StartProgramFolders();
        TSiteManager store;
        QCOMPARE(store.FileName(), profile.FilePath(QStringLiteral("FtpSites.SMF")));
        store.AddSite(std::make_unique<TFtpSiteInfo>(SampleSite(QStringLiteral("a"))));
        QVERIFY(store.SaveSites());
        const QByteArray before = FileBytes(store.FileName());

        for (int i = 0; i < 200; ++i)
            store.AddSite(std::make_unique<TFtpSiteInfo>(SampleSite(QStringLiteral("more"))));
        {
            TFileSizeLimit full(4096);  // the disk fills up half-way
            QVERIFY(!store.SaveSites());
        }
        QCOMPARE(FileBytes(store.FileName()), before);
        QCOMPARE(QDir(profile.Path()).entryList(QDir::Files), QStringList({QStringLiteral("FtpSites.SMF")}));

        TSiteManager nowhere(store.FileName() + QStringLiteral("/FtpSites.SMF"));  // under a plain file
        QVERIFY_THROWS_EXCEPTION(EFCreateError, nowhere.SaveSites());
    }
};

QTEST_GUILESS_MAIN(TestSiteFile)
#include "tst_sitefile.moc"
