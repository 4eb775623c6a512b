#include "data_directory.h"

#include <QDir>
#include <QFileInfo>

namespace {

bool holdsModels(const QString& directory) {
  return !directory.isEmpty() &&
         QFileInfo(QDir(directory).filePath(QStringLiteral("modele"))).isDir();
}

}  // namespace

QStringList dataDirectoryCandidates(const QString& executableDirectory) {
  QStringList candidates;
  // TAVRIN_INSTALLED_DATA_DIR is the data folder relative to the installed program
  // (../share/zedare); TAVRIN_BUILD_DATA_DIR the source tree of the build.
  candidates << QDir::cleanPath(
      QDir(executableDirectory).filePath(QStringLiteral(TAVRIN_INSTALLED_DATA_DIR)));
  candidates << QStringLiteral(TAVRIN_BUILD_DATA_DIR);
  return candidates;
}

QString chooseDataDirectory(const QString& workingDirectory, const QStringList& candidates) {
  if (holdsModels(workingDirectory)) return workingDirectory;
  for (const QString& candidate : candidates) {
    if (holdsModels(candidate)) return candidate;
  }
  return workingDirectory;
}

QString enterDataDirectory(const QString& executableDirectory) {
  const QString chosen =
      chooseDataDirectory(QDir::currentPath(), dataDirectoryCandidates(executableDirectory));
  QDir::setCurrent(chosen);
  return QDir::currentPath();
}
