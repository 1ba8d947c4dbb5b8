#pragma once
#include "tcustomfilelistview.h"

#include <functional>
#include <optional>

class TVirtualDirScan;

// The remote pane: shows the listing text the session received, parsed on a thread of its
// own, and keeps listings by path for the cache lifetime.
class TVirtualFileListView : public TCustomFileListView {
    Q_OBJECT

public:
    explicit TVirtualFileListView(QWidget *parent = nullptr);
    ~TVirtualFileListView() override;

    // Shows `path` ("/" appended when missing) from the cache, or from the owner's last
    // listing when it is not cached or too old.
    void ShowPath(const QString &path);
    QString GetPath() const { return m_path; }
    // Stores the listing of `path` and shows it.
    void LoadListing(const QString &path, const QByteArray &listing);
    bool IsCached(const QString &path) const;
    // A copy of the row record; an empty one for a row that is not shown.
    TScanItem GetItem(int row) const;
    void SetCacheEnabled(bool on);
    void SetCacheLifetime(int seconds);
    void SetListingCallback(std::function<std::optional<QByteArray>()> callback);
    void SetClock(std::function<qint64()> msecsSinceEpoch);  // for tests
    // Empties the rows, the path and the cache.
    void Clear();
    void Rescan() override;

signals:
    void OnListError(TCustomFileListView *view, const QByteArray &line);

protected:
    void FolderActivated(int row) override;
    void ListErrors(const QList<QByteArray> &lines) override;

private:
    static QString WithSlash(const QString &path);

    TVirtualDirScan *m_scanner;
};
