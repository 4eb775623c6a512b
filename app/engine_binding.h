// Run-time binding of the engine library. The application never links the engine: it
// opens libzedare.so when the main window is built, looks up the six exported functions
// by name and keeps the pointers for the life of the process (the library is never
// closed, because a worker thread may still be inside it while the process ends).
#ifndef TAVRIN_ENGINE_BINDING_H
#define TAVRIN_ENGINE_BINDING_H

#include <QString>
#include <QStringList>

#include "zedare.h"

struct EngineBinding {
  using CreateFunction = decltype(&TavrinCreate);
  using DestroyFunction = decltype(&TavrinDestroy);
  using InstFunction = decltype(&TavrinInst);
  using InstP0Function = decltype(&TavrinInst_p0);
  using InstPpFunction = decltype(&TavrinInst_pp);
  using FilePpFunction = decltype(&TavrinFile_pp);

  CreateFunction create = nullptr;
  DestroyFunction destroy = nullptr;
  InstFunction inst = nullptr;
  InstP0Function instP0 = nullptr;
  InstPpFunction instPp = nullptr;
  FilePpFunction filePp = nullptr;

  // Where the library was found, for messages.
  QString libraryPath;

  // Opens the library called `name` ("zedare" gives libzedare.so): first as a file in
  // each of `directories` in turn, then through the system's library search. On success
  // all six functions are bound and the result is true; otherwise `error` says which
  // step failed and nothing is bound.
  bool load(const QString& name, const QStringList& directories, QString* error);
};

#endif
