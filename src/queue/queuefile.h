#pragma once
#include "queueitems.h"

#include <QtCore/QIODevice>
#include <QtCore/QString>

#include <memory>
#include <vector>

// The queue file "Tarnel.QFL": "TND", version, 4 reserved bytes, "QUEUE", the item count,
// the items, the end marker. Passwords are enciphered with the queue key.

constexpr quint16 QUEUE_FILE_VERSION = 264;
constexpr quint32 QUEUE_FILE_END = 0xBB4A41AB;

enum class TQueueFileResult {
    Loaded,    // every item and the end marker read
    NoFile,    // missing or unreadable: an empty queue, no message
    BadMagic,  // not "TND": no items, error box
    BadTag,    // not "QUEUE": no items, no message
    BadEnd,    // a wrong end marker or a file that ends early: the items read whole stay, error box
};

// The error box text, for the results that want one.
QString QueueFileErrorText();
bool QueueFileWantsErrorBox(TQueueFileResult result);

struct TQueueFileContents {
    TQueueFileResult Result = TQueueFileResult::NoFile;
    quint16 Version = 0;  // as stored
    // As the queue takes them: ItemNo numbered from 0 in file order, Tries 0, a state
    // that was running or waiting becomes qsStopped and a failed one qsError. Each item has
    // an address of its own that the queue can keep.
    std::vector<std::unique_ptr<TItemInfo>> Items;
};

QString DefaultQueueFileName();  // "Tarnel.QFL" in the profile folder

TQueueFileContents LoadQueueFile(const QString &fileName);
// Reading stops at the first short read, so a hostile item count costs nothing.
TQueueFileContents ReadQueueFile(QIODevice &device);

// Writes to a temporary file and replaces the old one only when every write succeeded;
// false keeps the previous file. Throws EFCreateError when no file can be made.
bool SaveQueueFile(const QString &fileName, const std::vector<const TItemInfo *> &items);
bool WriteQueueFile(QIODevice &device, const std::vector<const TItemInfo *> &items);

// The status a loaded item shows in the queue list, by its state after loading.
QString QueueLoadedStatusText(qint32 state);
