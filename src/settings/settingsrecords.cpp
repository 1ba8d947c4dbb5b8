#include "settingsrecords.h"

QString AnonymousPlaceholder()
{
    return QStringLiteral("tarnel@example.com");
}

TOptions DefaultOptions(const TProgramFolders &folders)
{
    TOptions options;
    options.LocalFolder = folders.DocumentsFolder;
    options.DefaultFolder = folders.DocumentsFolder;
    options.LogFolder = folders.DefaultLogFolder;
    return options;
}

TSettings DefaultSettings(const TProgramFolders &folders)
{
    TSettings settings;
    settings.ProgPath = folders.ProgramFolder;
    settings.ProgName = folders.ProgramFileName;
    return settings;
}
