// The matrix library's single error path. There is no recovery: a failed precondition
// means the caller's data is not what the engine was built for (a missing or damaged
// model file, a design matrix of the wrong shape), so the process reports the failing
// operation and ends with exit status 1.
//
// The presentation is replaceable. The console handler prints to standard output; a
// desktop program, which may have no console and sees only the library's exported C
// functions, receives the text through a C hook it defines itself
// (TavrinMatrixErrorHook, found with dlsym in the whole process), so the library
// exports nothing for it.
#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "matrix/matrix.h"

namespace zedare {

namespace {

std::atomic<MatrixErrorHandler> currentHandler{nullptr};

using HookFunction = void (*)(const char*);

}  // namespace

void consoleMatrixErrorHandler(const char* text) {
  // The text goes out verbatim: a path with a percent sign in it must not be read as
  // a format.
  std::fputs(text, stdout);
  std::fflush(stdout);

  void* symbol = dlsym(RTLD_DEFAULT, "TavrinMatrixErrorHook");
  if (symbol != nullptr) {
    reinterpret_cast<HookFunction>(symbol)(text);
    return;
  }

  // Keep a console window readable until the user has seen the message; a process
  // without a terminal on its input (a pipe, a service, a test) must not hang.
  if (isatty(STDIN_FILENO)) {
    std::fputs("Nacisnij Enter, aby zakonczyc . . .\n", stderr);
    std::fflush(stderr);
    int c;
    do {
      c = std::fgetc(stdin);
    } while (c != '\n' && c != EOF);
  }
}

MatrixErrorHandler setMatrixErrorHandler(MatrixErrorHandler handler) {
  return currentHandler.exchange(handler);
}

void matrixError(const char* signature, const char* message, const char* detail) {
  std::string text = "MATRIX: ";
  text += signature;
  text += '\n';
  text += message;
  text += '\n';
  text += detail;
  text += '\n';

  MatrixErrorHandler handler = currentHandler.load();
  if (handler == nullptr) handler = consoleMatrixErrorHandler;
  handler(text.c_str());

  // _Exit rather than exit: another thread may still be running (the desktop program's
  // worker), and static destructors running under it could crash and turn the status
  // into a signal. Streams are flushed first so that nothing printed is lost.
  std::fflush(nullptr);
  std::_Exit(1);
}

}  // namespace zedare
