#pragma once
#include <QtCore/QFile>
#include <QtCore/QSaveFile>
#include <QtCore/QString>

#include <memory>
#include <stdexcept>

// The file could not be created (or emptied) for writing.
class EFCreateError : public std::runtime_error {
public:
    explicit EFCreateError(const QString &fileName);
    QString Message() const;
};

// An existing file could not be opened.
class EFOpenError : public std::runtime_error {
public:
    explicit EFOpenError(const QString &fileName);
    QString Message() const;
};

constexpr quint16 fmCreate = 0xFFFF;
constexpr quint16 fmOpenRead = 0x0000;

// The file stream that the binary file writers and readers open.
// Created files are written to a temporary file beside the target and only replace it on
// Commit(), after every write has succeeded: a crash or a full disk keeps the previous file.
class TMyFileStream {
public:
    enum class Access { Normal, Private };  // Private: readable by the owner only (passwords)

    // Throws EFCreateError (mode fmCreate) or EFOpenError (any other mode).
    TMyFileStream(const QString &fileName, quint16 mode, Access access = Access::Normal);
    ~TMyFileStream();  // an uncommitted created file is discarded

    TMyFileStream(const TMyFileStream &) = delete;
    TMyFileStream &operator=(const TMyFileStream &) = delete;

    QIODevice &Device();
    // Created files only: flushes and renames over the target. False when any write failed.
    bool Commit();

private:
    std::unique_ptr<QSaveFile> m_save;
    std::unique_ptr<QFile> m_file;
};
