#include "engine_client.h"

#include <QFile>
#include <stdexcept>

void EngineClient::open(const QStringList& directories) {
  QString error;
  if (!binding_.load(QStringLiteral("zedare"), directories, &error)) {
    throw std::runtime_error(error.toStdString());
  }
  engine_ = binding_.create();
}

int32_t EngineClient::inst(uint32_t code, int32_t a, int32_t b) const {
  return binding_.inst(engine_, code, a, b);
}

int32_t EngineClient::p0(uint32_t code, int32_t row, int32_t column, int32_t colour) const {
  return binding_.instP0(engine_, code, row, column, colour);
}

int32_t EngineClient::pp(uint32_t code) const {
  return binding_.instPp(engine_, code);
}

int32_t EngineClient::filePp(uint32_t code, const QString& path) const {
  const QByteArray encoded = QFile::encodeName(path);
  return binding_.filePp(engine_, code, encoded.constData());
}
