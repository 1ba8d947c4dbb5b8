#pragma once
#include <QtGui/QColor>
#include <QtGui/QFont>
#include <QtGui/QPalette>

// Stored colours are 0x00BBGGRR, or 0xFF0000nn for system colour nn (5 window, 8 window
// text, 13 highlight, 14 highlight text, 15 button face); other system numbers give the
// window text colour.
QColor StoredColor(qint32 value, const QPalette &palette);

// A font from a stored name, point size and style bits (1 bold, 2 italic, 4 underline,
// 8 strike-out). A name the system lacks falls back to the default family.
QFont StoredFont(const QString &name, int pointSize, int style);
void ApplyFontStyle(QFont &font, int style);
