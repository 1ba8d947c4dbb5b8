#pragma once
#include <QtCore/QIODevice>
#include <QtCore/QString>

#include <memory>
#include <vector>

// A named local folder, or a remote folder with the server it is on.
struct TFtpBookmarkItem {
    qint32 Id = 0;  // unique in the list; not stored (a bookmark's position when read)
    bool IsLocal = false;
    QString Name;
    QString Host;
    QString UserName;
    QString Password;
    qint32 Port = 0;
    QString Path;
    QString SiteName;
};

using TBookmarkList = std::vector<std::unique_ptr<TFtpBookmarkItem>>;

constexpr quint16 BOOKMARK_FILE_VERSION = 1;
constexpr quint32 BOOKMARK_FILE_END = 0xBB4A41AB;

QString DefaultBookmarkFileName();  // "Tarnel.BMF" in the profile folder

// Appends the file's bookmarks to `list`. False when the file is missing, is not a bookmark
// file or ends early; the bookmarks read whole before that stay appended.
bool LoadBookmarks(const QString &fileName, TBookmarkList &list);
bool ReadBookmarks(QIODevice &device, TBookmarkList &list);

// Replaces the file only when every write succeeded (mode 0600: it holds passwords).
bool SaveBookmarks(const QString &fileName, const TBookmarkList &list);
bool WriteBookmarks(QIODevice &device, const TBookmarkList &list);

qint32 NewBookmarkId(const TBookmarkList &list);  // the smallest unused number from 0
TFtpBookmarkItem *FindBookmark(const TBookmarkList &list, qint32 id);
