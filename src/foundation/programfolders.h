#pragma once
#include <QtCore/QString>

// Where the program's files live. Folder names end with "/" unless noted.
struct TProgramFolders {
    QString ProgramFolder;
    QString ProgramFileName;
    QString DocumentsFolder;   // "/" alone when the documents folder is unknown
    QString ProfileFolder;     // $TARNEL_HOME, else the per-user data folder
    QString DefaultLogFolder;  // no trailing "/": the profile folder's "Logs"
    QString TempFolder;        // the system temporary folder's "Tarnel/"
};

// Reads the folders from the environment without touching the disk.
TProgramFolders ComputeProgramFolders();

// Start-up: computes the folders once and creates the log and temporary folders.
// Returns false when one of them could not be created.
bool StartProgramFolders();
// The folders computed by StartProgramFolders (computed on first use otherwise).
const TProgramFolders &ProgramFolders();
// Shutdown: removes the temporary folder with everything in it.
bool RemoveTempFolder();
