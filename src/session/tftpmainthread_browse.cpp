// Folders, listings, remote file operations and the folder tree.
#include "tftpmainthread.h"

#include "listparser.h"
#include "tsessionengine.h"

namespace {
QByteArray WithSlash(const QByteArray &path) { return path.endsWith('/') ? path : path + '/'; }

// Calls `fn` for every listing line the parser accepts.
template <typename Fn>
void ForEachEntry(const QByteArray &listing, Fn fn)
{
    qsizetype start = 0;
    while (start < listing.size()) {
        qsizetype end = listing.indexOf('\n', start);
        if (end < 0)
            end = listing.size();
        qsizetype stop = end;
        while (stop > start && listing[stop - 1] == '\r')
            --stop;
        TFtpDirInfo info;
        if (stop > start && ParseDirLine(listing.constData() + start, stop - start, info))
            fn(info);
        start = end + 1;
    }
}

// A name with "/" would point at another folder than the one that was listed.
bool UsableName(const QByteArray &name)
{
    return !name.isEmpty() && !name.contains('/') && name != "." && name != "..";
}
}  // namespace

void TFtpMainThread::StartTransfer(TFtpCommand command)
{
    TSessionEngine &e = *m_engine;
    switch (command) {
    case fcGet: e.RequestGet(); break;
    case fcRestGet:
        if (m_resumeSupport == 1)
            e.RequestRestGet();
        else
            e.RequestGet();
        break;
    case fcDir: e.RequestDir(); break;
    case fcLs: e.RequestLs(); break;
    case fcPut: e.RequestPut(); break;
    case fcAppend: e.RequestAppend(); break;
    default: break;
    }
}

// ---- Folders and listings ----

void TFtpMainThread::ListCurrentFolder(bool post)
{
    m_continuation = nullptr;
    if (m_lastError != 0)
        return;
    NewListingStream(true);
    m_engine->TransferType = 'A';
    m_engine->RemoteDir = m_currentDir;
    m_engine->RemoteFile.clear();
    Queue({fcTypeSet, fcCwd, fcDir}, post);
}

void TFtpMainThread::ChangeDir(const QByteArray &path, bool log)
{
    Defer([this, path, log] {
        m_logReplies = log;
        m_initialConnect = false;
        m_currentDir = WithSlash(path);
        ListCurrentFolder(true);
    });
}

void TFtpMainThread::SetCurrentDir(const QByteArray &path)
{
    Defer([this, path] {
        m_currentDir = path;
        if (!m_treeAttached)
            return;
        const QModelIndex node = m_tree.FindNode(path);
        if (node.isValid())
            SelectNode(node);
    });
}

void TFtpMainThread::CwdFinished()
{
    if (m_lastCode == 250) {
        m_currentDir = m_engine->RemoteDir;
        QueueFront(fcPwd);
    } else if (m_initialConnect) {
        m_lastError = 0;
        m_currentDir = WithSlash(m_homeDir);
        m_engine->RemoteDir = m_currentDir;
    }
    // Only the log-in's own CWD falls back to the home folder; a later failed CWD (a folder
    // scanned for a delete, say) must never list the home folder in its place.
    m_initialConnect = false;
}

void TFtpMainThread::PwdFinished()
{
    if (m_lastCode != 257)
        return;
    const QByteArray path = m_engine->ReplyPath();
    if (m_homeDir.isEmpty())
        m_homeDir = path;
    else
        m_currentDir = WithSlash(path);
    QByteArray &initial = Settings.InitialDir;
    if (!initial.isEmpty()) {
        if (!initial.startsWith('/'))
            initial = WithSlash(m_homeDir) + initial;
        m_engine->RemoteDir = initial;
    } else {
        m_engine->RemoteDir = m_homeDir;
    }
}

void TFtpMainThread::DirFinished()
{
    if (m_lastCode == 226 && m_lastError == 0) {
        if (m_logReplies)
            Notify(OnListReceived);
        TreeUpdate();
        return;
    }
    TSessionEngine &e = *m_engine;
    if (m_lastCode == 500 && e.CurrentStep() == spPort && !m_triedPassive && !m_triedActive) {
        // The server refused PORT or PASV: try the other mode, once per connection.
        if (e.Passive)
            m_triedActive = true;
        else
            m_triedPassive = true;
        e.Passive = !e.Passive;
        m_lastError = 0;
        ClearQueue();
        Queue({fcDir}, false);
        return;
    }
    if (!m_closedByUser)
        Error(QStringLiteral("接收目录列表错误。"), m_lastError);
}

// ---- Creating, renaming, permissions ----

void TFtpMainThread::MakeDir(const QByteArray &name, bool log)
{
    Defer([this, name, log] {
        m_continuation = nullptr;
        if (m_lastError != 0)
            return;
        m_logReplies = log;
        QByteArray n = name;
        n.replace('\\', '/');
        m_targetPath = DirWithSlash() + n;
        m_engine->RemoteFile = m_targetPath;
        Queue({fcMkd});
    });
}

void TFtpMainThread::MkdFinished()
{
    if (FatalReplyCheck())
        return;
    if (m_lastCode != 257 && (m_lastCode == 550 || m_commandLines.toLower().contains("denied"))) {
        Error(QStringLiteral("没有创建目录 %1 在 %2 上的权限").arg(QString::fromUtf8(m_targetPath), Settings.Host),
              m_lastError);
        return;
    }
    if (m_lastError != 0) {
        // Any other refusal is a failure too, not a created folder.
        Error(QString::fromUtf8(m_lastReply), m_lastError);
        return;
    }
    m_lastCreatedDir = m_engine->ReplyPath();
    if (OnDirCreated)
        OnDirCreated(this, m_targetPath);
}

void TFtpMainThread::Rename(const QByteArray &oldName, const QByteArray &newName)
{
    Defer([this, oldName, newName] {
        m_engine->RemoteFile = oldName;
        m_engine->LocalFile = QString::fromUtf8(newName);
        Queue({fcRename});
    });
}

void TFtpMainThread::RenameFinished()
{
    if (FatalReplyCheck())
        return;
    if (m_lastCode == 250)
        ListCurrentFolder(false);
}

void TFtpMainThread::SetAttributes(const QList<QByteArray> &names, const QByteArray &mode, bool log)
{
    Defer([this, names, mode, log] {
        m_chmodOk = false;
        m_logReplies = log;
        m_chmodText = mode;
        m_chmodList += names;
        PostStep(&TFtpMainThread::ChmodStep);
    });
}

void TFtpMainThread::ChmodStep()
{
    m_logReplies = true;
    m_continuation = &TFtpMainThread::ChmodStep;
    if (m_chmodList.isEmpty()) {
        m_continuation = nullptr;
        if (m_chmodOk)
            Notify(OnReady);
        return;
    }
    m_engine->ChmodMode = m_chmodText;
    m_engine->RemoteFile = DirWithSlash() + m_chmodList.takeFirst();
    Queue({fcChMod});
}

void TFtpMainThread::ChmodFinished()
{
    if (FatalReplyCheck())
        return;
    if (m_lastCode == 200)
        m_chmodOk = true;
}

void TFtpMainThread::SendCommand(const QByteArray &text)
{
    Defer([this, text] {
        m_manualText = text;
        m_logReplies = true;
        m_continuation = nullptr;
        Queue({fcManualCmd});
    });
}

// ---- Recursive delete ----

void TFtpMainThread::DeleteList(const QList<QByteArray> &paths, bool log)
{
    Defer([this, paths, log] {
        m_logReplies = log;
        for (const QByteArray &path : paths) {
            if (path.endsWith('/')) {
                m_removeList.append(path);
                m_scanList.append(path);
            } else {
                m_deleteFiles.append(path);
            }
        }
        if (m_scanList.isEmpty())
            PostStep(&TFtpMainThread::DeleteStep);
        else
            ScanNextFolder();
    });
}

void TFtpMainThread::ScanNextFolder()
{
    if (m_scanList.isEmpty())
        return;
    m_scanDir = m_scanList.takeFirst();
    m_engine->RemoteDir = m_scanDir;
    m_engine->RemoteFile.clear();
    PostStep(&TFtpMainThread::ScanFolder);
}

void TFtpMainThread::ScanFolder()
{
    NewListingStream(true);
    Queue({fcCwd, fcDir}, false);
    m_continuation = &TFtpMainThread::ScanListed;
    PostRun();
}

void TFtpMainThread::ScanListed()
{
    m_continuation = nullptr;
    // Entries are placed under the folder that was asked for, not under whatever the server
    // last reported as current.
    const QByteArray dir = WithSlash(m_scanDir);
    ForEachEntry(ListingText(), [&](const TFtpDirInfo &info) {
        if (!UsableName(info.Name))
            return;
        const QByteArray path = dir + info.Name;
        // A link to a folder is removed as a link; following it would empty its target.
        if (info.IsDir && !info.IsLink) {
            m_removeList.append(path);
            m_scanList.append(path);
        } else {
            m_deleteFiles.append(path);
        }
    });
    if (m_scanList.isEmpty())
        PostStep(&TFtpMainThread::DeleteStep);
    else
        ScanNextFolder();
}

void TFtpMainThread::DeleteStep()
{
    m_logReplies = false;
    m_continuation = nullptr;
    if (!m_deleteFiles.isEmpty()) {
        m_engine->RemoteFile = m_deleteFiles.takeFirst();
        m_continuation = &TFtpMainThread::DeleteStep;
        Queue({fcDele});
    } else if (!m_removeList.isEmpty()) {
        QByteArray dir = m_removeList.takeLast();
        if (dir.size() > 1 && dir.endsWith('/'))
            dir.chop(1);
        m_engine->RemoteFile = dir;
        m_continuation = &TFtpMainThread::DeleteStep;
        Queue({fcRmd});
    } else {
        Notify(OnReady);
    }
}

// ---- Files for the editor ----

void TFtpMainThread::DownloadForEdit(const QByteArray &remoteName, const QString &localFile)
{
    Defer([this, remoteName, localFile] {
        m_logReplies = true;
        m_continuation = nullptr;
        m_engine->LocalStream = nullptr;
        NewListingStream(false);
        m_engine->TransferType = 'I';
        m_engine->RemoteDir = m_currentDir;
        m_engine->RemoteFile = remoteName;
        m_engine->LocalFile = localFile;
        // The transfer chain sends no TYPE of its own, and the last listing left the server
        // in ASCII mode, which would rewrite the file's line ends.
        Queue({fcTypeSet, fcGet});
    });
}

void TFtpMainThread::UploadEdited(const QString &localFile, const QByteArray &remoteName)
{
    Defer([this, localFile, remoteName] {
        m_logReplies = true;
        m_continuation = nullptr;
        m_engine->LocalStream = nullptr;
        NewListingStream(false);
        m_engine->TransferType = 'I';
        m_engine->RemoteFile = remoteName;
        m_engine->LocalFile = localFile;
        Queue({fcTypeSet, fcPut});
    });
}

// ---- Folder tree ----

void TFtpMainThread::AttachTree(bool attached) { m_treeAttached = attached; }

void TFtpMainThread::TreeUpdate()
{
    if (!m_treeAttached)
        return;
    if (m_tree.IsEmpty()) {
        m_tree.AddRoot(Settings.Host);
        if (m_currentDir != "/") {
            QByteArray soFar = "/";
            for (const QByteArray &part : m_currentDir.split('/')) {
                if (part.isEmpty())
                    continue;
                const QModelIndex parent = m_tree.FindNode(soFar);
                const QByteArray path = WithSlash(soFar) + part;
                m_tree.AddChild(parent, part, path);
                soFar = path;
            }
        }
    }
    const QModelIndex node = m_tree.FindNode(m_currentDir);
    const QByteArray dir = WithSlash(m_currentDir);
    ForEachEntry(ListingText(), [&](const TFtpDirInfo &info) {
        if (!info.IsDir || !UsableName(info.Name) || !node.isValid())
            return;
        const QByteArray path = dir + info.Name;
        if (!m_tree.FindNode(path).isValid())
            m_tree.AddChild(node, info.Name, path, info);
    });
    if (!node.isValid())
        return;
    m_tree.MarkListed(node);
    m_tree.RequestExpand(node);
    SelectNode(node);
}

void TFtpMainThread::TreeSelectionChanged(const QModelIndex &index) { SelectNode(index); }

void TFtpMainThread::SelectNode(const QModelIndex &index)
{
    if (index == m_tree.Selected())
        return;
    m_tree.SetSelected(index);
    emit m_tree.SelectRequested(index);
    TreeSelection(index);
}

void TFtpMainThread::TreeSelection(const QModelIndex &index)
{
    const TTreeInfo *info = m_tree.Info(index);
    if (!info)
        return;
    if (!info->Listed)
        ChangeDir(info->Path, true);
    else if (OnTreeSelect)
        OnTreeSelect(this, WithSlash(info->Path));
}
