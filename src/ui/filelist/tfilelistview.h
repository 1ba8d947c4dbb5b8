#pragma once
#include "tcustomfilelistview.h"

class TDirScan;

// The local pane: a folder of this machine, scanned on a thread of its own.
class TFileListView : public TCustomFileListView {
    Q_OBJECT

public:
    explicit TFileListView(QWidget *parent = nullptr);
    ~TFileListView() override;

    // A path other than the current one is stored, announced with OnPathChange and scanned.
    void SetPath(const QString &path);
    QString GetPath() const { return m_path; }
    void Rescan() override;

protected:
    void FolderActivated(int row) override;

private:
    TDirScan *m_scanner;
};
