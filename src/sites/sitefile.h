#pragma once
#include "settingsrecords.h"
#include "sitetypes.h"

#include <QtCore/QIODevice>

#include <memory>
#include <vector>

// The site file "FtpSites.SMF": "TNSM", version, 4 reserved bytes, the entry count, the
// entries, the end marker.

constexpr quint16 SITE_FILE_VERSION = 261;
constexpr quint32 SITE_FILE_END = 0xBB4A41AB;

using TSiteList = std::vector<std::unique_ptr<TFtpSiteInfo>>;

enum class TSiteFileResult {
    Loaded,    // magic, entries and end marker all read
    NoFile,    // nothing to read; the store is unchanged
    BadMagic,  // not a site file: no entries
    BadEnd,    // a wrong end marker or a file that ends early: the whole entries read so far
};

// The error box text for BadMagic and BadEnd.
QString SiteFileErrorText();

struct TSiteFileContents {
    TSiteFileResult Result = TSiteFileResult::BadMagic;
    quint16 Version = 0;  // as stored
    TSiteList Sites;      // SiteId 0 everywhere: the store numbers them
};

// Reads what the file holds, converting older versions. `options` gives the passive mode of
// files that predate the field and the password of anonymous sites stored without one.
// Reading stops at the first short read, so a hostile entry count costs nothing.
TSiteFileContents ReadSiteFile(QIODevice &device, const TOptions &options);
// False when a write failed.
bool WriteSiteFile(QIODevice &device, const TSiteList &sites);
