#pragma once
#include "settingsrecords.h"
#include "tsettingsstore.h"

#include <QtCore/QStringList>

// Loading reads every value that is present into its field and leaves the others as they
// were; saving writes every value of the record. A key that cannot be opened is skipped.

extern const QString kOptionsKey;      // "Options"
extern const QString kSettingsKey;     // "Settings": the window layout and the editor
extern const QString kDisplayKey;      // "Options/Display"
extern const QString kCustomExtKey;    // "Options/CustomExt"
extern const QString kHostHistoryKey;  // the connect dialog's host history

void LoadOptions(TSettingsStore &store, TOptions &options);
void SaveOptions(TSettingsStore &store, const TOptions &options);
void LoadSettings(TSettingsStore &store, TSettings &settings);
void SaveSettings(TSettingsStore &store, const TSettings &settings);
void LoadEditorSettings(TSettingsStore &store, TEditorSettings &settings);
void SaveEditorSettings(TSettingsStore &store, const TEditorSettings &settings);
void LoadDisplaySettings(TSettingsStore &store, TDisplaySettings &settings);
void SaveDisplaySettings(TSettingsStore &store, const TDisplaySettings &settings);

// A text list kept in a key of its own. With a separator (such as "=") every entry is
// "name<sep>text" and is stored as the value "name"; without one the entries are the
// values "List0" to "List19". At most 20 entries are stored.
struct TRegList {
    QChar Separator;  // null: no separator
    QStringList Entries;
};

constexpr int kRegListMax = 20;

void LoadRegList(TSettingsStore &store, const QString &key, TRegList &list);
void SaveRegList(TSettingsStore &store, const QString &key, const TRegList &list);
