#pragma once
#include "listdates.h"

#include <QtCore/QByteArray>

// One listing line as a layout reader understood it.
struct TFtpDirEntry {
    QByteArray Name;
    QByteArray Attributes;  // rights as listed; empty where the layout has none
    QByteArray Owner;       // Unix: owner and group joined by a space
    qint64 Size = 0;        // -1 for a DOS "<DIR>" line, -2 for EPLF or VMS without a size
    bool IsDir = false;     // also true for a Unix symbolic link
    bool IsLink = false;
    TListDate Date;
};

// One listing line as the other subsystems use it. Texts are the server's bytes, unconverted.
struct TFtpDirInfo {
    bool IsDir = false;
    bool IsLink = false;
    QByteArray Attributes;
    QByteArray Owner;
    qint64 Size = -1;       // -1 when unknown
    double ModTime = -1.0;  // days since 1899-12-30 00:00, time of day as fraction; -1 unknown
    QByteArray Name;
};

// `today` decides the year of Unix lines that show a time instead of a year; an invalid date
// means the local clock's today. All of these may be called from several threads at once.

// True when the line is an entry to show or use; totals, headers, "." and ".." give false.
bool ParseDirLine(const char *line, qsizetype len, TFtpDirInfo &info, QDate today = {});
bool ParseDirLine(const QByteArray &line, TFtpDirInfo &info, QDate today = {});

// Tries the layouts in order; the first that accepts the line fills `entry`.
bool ParseListLine(const char *line, qsizetype len, TFtpDirEntry &entry, QDate today = {});

// The layout readers. Each fills `entry` as it reads; a caller discards it on false.
bool ParseUnixLine(const char *line, qsizetype len, TFtpDirEntry &entry, QDate today = {});
bool ParseDosLine(const char *line, qsizetype len, TFtpDirEntry &entry);
bool ParseEplfLine(const char *line, qsizetype len, TFtpDirEntry &entry);
bool ParseNumericLine(const char *line, qsizetype len, TFtpDirEntry &entry);
bool ParseOs400Line(const char *line, qsizetype len, TFtpDirEntry &entry);
bool ParseVmsLine(const char *line, qsizetype len, TFtpDirEntry &entry);
