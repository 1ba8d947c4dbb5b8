#pragma once
#include "listparser.h"

#include <QtCore/QByteArray>

// Listing entries as text: JSON objects (ok, name, size, dir, link, attributes, owner,
// date, time; one line each) and the date of the long form.
void AppendJsonString(QByteArray &out, const QByteArray &bytes);
void AppendEntry(QByteArray &out, bool ok, const TFtpDirInfo &info);
// "YYYY-MM-DD HH:MM", or empty when the entry has no time.
QByteArray DateTimeText(double modTime);
