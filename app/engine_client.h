// The window's and the worker's one way into the engine: it owns the bound library and
// the engine instance, and makes the four kinds of calls. Which calls are allowed while
// a search or background thinking runs is the engine's rule (see zedare.h); the client
// only forwards them, so it may be used from any thread.
#ifndef TAVRIN_ENGINE_CLIENT_H
#define TAVRIN_ENGINE_CLIENT_H

#include <QString>
#include <QStringList>
#include <cstdint>

#include "engine_binding.h"

class EngineClient {
 public:
  // Binds libzedare.so (see EngineBinding::load) and creates the instance. Throws
  // std::runtime_error when the library or one of its functions cannot be found.
  void open(const QStringList& directories);
  bool isOpen() const { return binding_.inst != nullptr; }
  ZedareHandle handle() const { return engine_; }

  int32_t inst(uint32_t code, int32_t a = 0, int32_t b = 0) const;
  int32_t p0(uint32_t code, int32_t row = 0, int32_t column = 0, int32_t colour = 0) const;
  int32_t pp(uint32_t code) const;
  // 1 when the file was loaded or saved, 0 when not.
  int32_t filePp(uint32_t code, const QString& path) const;

 private:
  EngineBinding binding_;
  ZedareHandle engine_ = nullptr;
};

#endif
