#include "engine_binding.h"

#include <dlfcn.h>

#include <QFileInfo>

namespace {

// Reads dlerror() once; it resets after every read.
QString lastLoaderError() {
  const char* text = dlerror();
  return text != nullptr ? QString::fromLocal8Bit(text) : QString();
}

}  // namespace

bool EngineBinding::load(const QString& name, const QStringList& directories, QString* error) {
  const QString fileName = QStringLiteral("lib%1.so").arg(name);
  void* library = nullptr;
  QString loaderMessages;

  for (const QString& directory : directories) {
    const QString candidate = directory + QLatin1Char('/') + fileName;
    if (!QFileInfo::exists(candidate)) continue;
    library = dlopen(QFileInfo(candidate).absoluteFilePath().toLocal8Bit().constData(),
                     RTLD_NOW | RTLD_LOCAL);
    if (library != nullptr) {
      libraryPath = QFileInfo(candidate).absoluteFilePath();
      break;
    }
    // A file that exists but does not load (wrong architecture, missing dependency)
    // is reported, but the system's search still gets its turn.
    loaderMessages += lastLoaderError() + QLatin1Char('\n');
  }
  if (library == nullptr) {
    // dlopen from code inside the executable, so the executable's run path
    // ($ORIGIN/../lib in an installation) takes part in the search.
    library = dlopen(fileName.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
    if (library != nullptr) {
      libraryPath = fileName;
    } else {
      loaderMessages += lastLoaderError();
    }
  }
  if (library == nullptr) {
    if (error != nullptr) {
      *error = QStringLiteral("Nie można wczytać biblioteki silnika %1.\n%2")
                   .arg(fileName, loaderMessages.trimmed());
    }
    return false;
  }

  struct Export {
    const char* symbol;
    void** slot;
  };
  void* found[6] = {};
  const Export exports[] = {
      {"TavrinCreate", &found[0]},  {"TavrinDestroy", &found[1]}, {"TavrinInst", &found[2]},
      {"TavrinInst_p0", &found[3]}, {"TavrinInst_pp", &found[4]}, {"TavrinFile_pp", &found[5]},
  };
  for (const Export& entry : exports) {
    dlerror();
    *entry.slot = dlsym(library, entry.symbol);
    if (*entry.slot == nullptr) {
      if (error != nullptr) {
        *error = QStringLiteral("Biblioteka silnika %1 nie zawiera funkcji %2.")
                     .arg(libraryPath, QString::fromLatin1(entry.symbol));
      }
      // The handle stays open: closing a library that another part of the process may
      // have opened too is not worth the risk for a program that is about to end.
      libraryPath.clear();
      return false;
    }
  }
  create = reinterpret_cast<CreateFunction>(found[0]);
  destroy = reinterpret_cast<DestroyFunction>(found[1]);
  inst = reinterpret_cast<InstFunction>(found[2]);
  instP0 = reinterpret_cast<InstP0Function>(found[3]);
  instPp = reinterpret_cast<InstPpFunction>(found[4]);
  filePp = reinterpret_cast<FilePpFunction>(found[5]);
  return true;
}
