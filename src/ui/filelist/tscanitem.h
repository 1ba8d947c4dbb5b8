#pragma once
#include <QtCore/QByteArray>
#include <QtCore/QMetaType>
#include <QtCore/QString>

// One row of a file pane.
struct TScanItem {
    quint8 Pending = 0;   // cleared whenever the row is filled or opened
    quint8 IsDir = 0;     // 1 for a folder and for ".."
    quint8 IsLink = 0;    // remote symbolic link
    int ImageIndex = -1;  // the view's icon for the row; -1 until the row is shown
    QString Name;
    QString TypeName;
    qint64 Size = 0;      // -1 for local folders and for ".."
    QString Attributes;   // remote permission text; empty locally
    QString DateText;
    qint32 FileDate = 0;  // packed DOS date-time; 0 when the entry has no date the format can hold
    // The server's bytes of a remote name that is not valid UTF-8 (else empty): Name alone
    // would not give the same bytes back to the server.
    QByteArray RawName;

    QByteArray RemoteName() const { return RawName.isEmpty() ? Name.toUtf8() : RawName; }
};
Q_DECLARE_METATYPE(TScanItem)

// Column kinds of a pane: 0 name, 1 size, 2 date, 3 flags, 4 debug.
enum TColumnKind { ckName = 0, ckSize = 1, ckDate = 2, ckFlags = 3, ckDebug = 4 };
constexpr int ColumnKindCount = 5;

QString ColumnHeader(int kind);
Qt::Alignment ColumnAlignment(int kind);
int ColumnWidth(int kind, bool remote);  // the fixed width a rebuild uses
int ColumnBit(int kind);                 // bit of the stored visible-column flags
