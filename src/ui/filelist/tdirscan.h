#pragma once
#include "tcustomscanthread.h"
#include "typenames.h"

// Scans a local folder: every entry but "." and hidden ones (names beginning with "."), plus
// ".." below the root.
class TDirScan : public TCustomScanThread {
    Q_OBJECT

public:
    using TCustomScanThread::TCustomScanThread;
    ~TDirScan() override;

    // The row record of one local entry (for "..", only the name and the folder mark).
    static TScanItem LocalItem(const QString &name, const class QFileInfo &info, TTypeNames &types);

protected:
    bool Collect(const QString &path, int sortKind, std::vector<TEntry> &entries, QList<QByteArray> &errors) override;

private:
    TTypeNames m_types;
};
