#pragma once
#include <QtCore/QByteArray>

// Readers for the text of FTP reply lines. Numbers saturate instead of overflowing, so a
// hostile reply can never produce a wrapped value.

// Skips blanks, tabs, CR and LF, an optional sign, then reads decimal digits from `pos`;
// `pos` ends on the first character that is not a digit.
qint64 ReadNumber64(const QByteArray &text, qsizetype &pos);
int ReadNumber32(const QByteArray &text, qsizetype &pos);

// Skips white space; when a double quote follows, returns the text up to the next single
// double quote (two in a row stand for one) or the end of the line. Otherwise empty.
QByteArray ReadQuoted(const QByteArray &text, qsizetype &pos);

// A line is final when it starts with a digit and the character after its leading number
// is not '-'. `code` receives the leading number of a final line.
bool IsFinalReply(const QByteArray &line, int *code);

// The host and port of a 227 reply: "(h1,h2,h3,h4,p1,p2)". False when it cannot be read.
bool ParsePasvReply(const QByteArray &line, QByteArray *host, quint16 *port);
