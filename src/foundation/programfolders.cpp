#include "programfolders.h"

#include "helpers.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QStandardPaths>

namespace {
QString Folder(const QString &path)
{
    return IncludeTrailingChar(QDir::cleanPath(path), u'/');
}

TProgramFolders &Current()
{
    static TProgramFolders folders = ComputeProgramFolders();
    return folders;
}
}  // namespace

TProgramFolders ComputeProgramFolders()
{
    TProgramFolders f;
    const QString program = QCoreApplication::instance() ? QCoreApplication::applicationFilePath() : QString();
    f.ProgramFolder = Folder(QFileInfo(program).absolutePath());
    f.ProgramFileName = QFileInfo(program).fileName();

    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    f.DocumentsFolder = documents.isEmpty() ? QStringLiteral("/") : Folder(documents);

    const QString home = qEnvironmentVariable("TARNEL_HOME");
    if (!home.isEmpty()) {
        f.ProfileFolder = Folder(QDir(home).absolutePath());
    } else {
        const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        f.ProfileFolder = Folder(data + QStringLiteral("/Orvanta/Tarnel"));
    }
    f.DefaultLogFolder = f.ProfileFolder + QStringLiteral("Logs");
    f.TempFolder = Folder(QDir::tempPath().trimmed()) + QStringLiteral("Tarnel/");
    return f;
}

bool StartProgramFolders()
{
    Current() = ComputeProgramFolders();
    const TProgramFolders &f = Current();
    bool ok = QDir().mkpath(f.ProfileFolder);
    ok = QDir().mkpath(f.DefaultLogFolder) && ok;
    ok = QDir().mkpath(f.TempFolder) && ok;
    return ok;
}

const TProgramFolders &ProgramFolders()
{
    return Current();
}

bool RemoveTempFolder()
{
    const QString temp = ExcludeTrailingChar(Current().TempFolder, u'/');
    return !QFileInfo::exists(temp) || DeleteFolder(temp, true);
}
