#include "game_transcripts.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include "polish_reasons.h"
#include "records/transcript.h"

namespace {

QString fromEngine(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string toEngine(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

}  // namespace

QString gameFileFilter(FileDialog::Kind kind) {
  const QString kinds =
      QStringLiteral("Partia (*.gam);;Zapis ruchów (*.txt *.mov);;Partia GGF (*.ggf)");
  if (kind == FileDialog::Kind::Save) return kinds;
  return QStringLiteral("Wszystkie partie (*.gam *.txt *.mov *.ggf);;") + kinds;
}

bool isTranscriptFile(const QString& name) {
  const zedare::GameFileFormat f = zedare::gameFileFormat(toEngine(name));
  return f == zedare::GameFileFormat::MoveText || f == zedare::GameFileFormat::Ggf;
}

QString transcriptToGameFile(const QString& name, const QString& folder, QString* error) {
  const QString gameFile = QDir(folder).filePath(QStringLiteral("partia.gam"));
  const std::string why = zedare::convertGameFile(toEngine(name), toEngine(gameFile), "");
  if (why.empty()) return gameFile;
  *error = polishTranscriptReason(fromEngine(why), {name, gameFile});
  return QString();
}

QString gameFileToTranscript(const QString& gameFile, const QString& name) {
  const QString date =
      QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy.MM.dd_HH:mm:ss.'UTC'"));
  const QString why =
      fromEngine(zedare::convertGameFile(toEngine(gameFile), toEngine(name), toEngine(date)));
  return why.isEmpty() ? why : polishTranscriptReason(why, {name, gameFile});
}
