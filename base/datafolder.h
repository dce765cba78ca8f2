#pragma once
#include <QString>
#include <QStringList>

// Where the program's own files and the operator's data live, decided once at
// start from where config.dll is found.
//
// Portable: config.dll lies beside the executable (build/bin, a copied
// folder). Everything is read and written there, as the folder is carried
// from machine to machine.
//
// Installed: config.dll is not beside the executable (/usr/bin). The
// program's own files lie in the delivered folder under the install prefix
// (<prefix>/share/prizedraw), which the package manager owns and may replace
// at any upgrade; the operator's data lie in a folder of the user's own under
// the XDG data home (~/.local/share/prizedraw), filled once from the
// delivered copies and never overwritten.
//
// Writability decides nothing: root can write anywhere, and an installed
// program writing into its own delivered files loses the data at the next
// reinstall.
struct Folders {
    bool installed = false;
    // The operator's data, one set per user: config.dll and config.ini
    // (dataFileNames()). With trailing separator.
    QString data;
    // The program's own files, the same for every user: back.wma, begin.wav,
    // end.wav, setitem.jpg, and the delivered copies of the data files that
    // fill a new data folder. With trailing separator.
    QString program;

    // Both in one folder (with trailing separator).
    static Folders portable(const QString &folder);
};

// The operator's guide (a Markdown file with its pictures beside it): in the
// folder guide/ beside a portable program, in the package's documentation
// folder (<prefix>/share/doc/prizedraw/guide) when installed. Empty when
// neither exists.
QString guideFile(const Folders &folders);

// The files of the data folder that the delivered folder holds a first copy of.
QStringList dataFileNames();

// The decision for an executable in `exeFolder` (with trailing separator);
// `dataHome` is the XDG data home (~/.local/share).
Folders decideFolders(const QString &exeFolder, const QString &dataHome);
// The same with the data home of the environment (XDG_DATA_HOME, or
// ~/.local/share when it is not set).
Folders decideFolders(const QString &exeFolder);

// Installed mode: makes the data folder if needed, copies each delivered data
// file that it lacks (an existing one is never touched), and keeps the folder
// and everything in it readable by their owner only (0700 and 0600, also
// what the process makes later: the file-creation mask becomes 077). Portable
// mode: nothing. Throws AppError, naming the folder or file, when the folder
// cannot be made or a first copy cannot be written; a first copy is never
// left half written.
void prepareDataFolder(const Folders &folders);
