// The engine opens its model and book files under "modele" and "otwarcia" relative to
// the working directory. A program started from a desktop launcher or from another
// folder has some other working directory, so before the engine is created the program
// moves to the folder that holds the data: the installation's share/zedare beside the
// executable, or the source tree that a build was made from.
#ifndef TAVRIN_DATA_DIRECTORY_H
#define TAVRIN_DATA_DIRECTORY_H

#include <QString>
#include <QStringList>

// The folders to try, in order, for a program whose executable lies in
// `executableDirectory`: the installed data folder, then the build's data folder.
QStringList dataDirectoryCandidates(const QString& executableDirectory);

// The folder to work in: `workingDirectory` itself when it has a "modele" folder,
// otherwise the first candidate that has one, otherwise `workingDirectory` unchanged
// (the engine then reports the missing files itself).
QString chooseDataDirectory(const QString& workingDirectory, const QStringList& candidates);

// Applies chooseDataDirectory to the process; returns the folder now current.
QString enterDataDirectory(const QString& executableDirectory);

#endif
