#pragma once
#include <QtCore/QByteArray>

// The PC1 stream cipher (128-bit key form) that stored passwords go through; the stored
// form is two capital letters "A".."P" per enciphered byte. A key array's first byte is
// not part of the key.

extern const QByteArray PasswordKey;  // registry, site file, bookmark file
extern const QByteArray QueueKey;     // queue file

QByteArray Pc1Encrypt(const QByteArray &key, const QByteArray &plain);
QByteArray Pc1Decrypt(const QByteArray &key, const QByteArray &stored);

QByteArray EncryptPassword(const QByteArray &password);
QByteArray DecryptPassword(const QByteArray &stored);
