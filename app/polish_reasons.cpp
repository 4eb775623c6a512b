#include "polish_reasons.h"

#include <QRegularExpression>
#include <array>
#include <utility>
#include <vector>

namespace {

// One rule: an English pattern and its Polish form. In the form, \N is capture N as it
// stands, {nN} and {gN} capture N (a colour: black, white, nobody) in the nominative
// and the genitive plural ("czarne" / "czarnych").
struct Rule {
  const char* pattern;
  const char* polish;
  bool prefix = false;  // only where or which move: the reason itself must follow
};

constexpr std::array kRules = {
    Rule{R"~(^move text: longer than any game$)~", "zapis ruchów: dłuższy niż jakakolwiek partia"},
    Rule{R"~(^GGF: longer than any game$)~", "GGF: dłuższy niż jakakolwiek partia"},
    Rule{R"~(^longer than any game$)~", "plik jest dłuższy niż jakakolwiek partia"},
    Rule{R"~(^move text at character (\d+): )~", "zapis ruchów, znak \\1: ", true},
    Rule{R"~(^GGF at character (\d+): )~", "GGF, znak \\1: ", true},
    Rule{R"~(^GGF: the text ends before ";\)" closes the game$)~",
         "GGF: tekst kończy się przed „;)”, które zamyka partię"},
    Rule{R"~(^GGF: the text ends inside (.*)\[$)~", "GGF: tekst kończy się wewnątrz \\1["},
    Rule{R"~("(.*)" is not a move$)~", "„\\1” nie jest ruchem"},
    Rule{R"~(a game starts with "\(;"$)~", "partia zaczyna się od „(;”"},
    Rule{R"~(expected a property NAME\[value\]$)~", "oczekiwano właściwości NAZWA[wartość]"},
    Rule{R"~(GM\[(.*)\] is not Othello$)~", "GM[\\1] to nie othello"},
    Rule{R"~(TY\[(.*)\]: only TY\[8\] is played$)~", "TY[\\1]: gra się tylko na planszy TY[8]"},
    Rule{R"~(BO after the first move$)~", "BO po pierwszym ruchu"},
    Rule{R"~(BO: only 8x8 boards are played$)~", "BO: gra się tylko na planszy 8×8"},
    Rule{R"~(BO: needs 64 squares and the side to move$)~",
         "BO: potrzeba 64 pól i strony na ruchu"},
    Rule{R"~(BO: square (\d+) is '(.)'$)~", "BO: pole \\1 zawiera „\\2”"},
    Rule{R"~(BO: the side to move is not \* or O$)~", "BO: strona na ruchu to nie * ani O"},
    Rule{R"~(BO: a position needs at least 4 discs$)~",
         "BO: pozycja musi mieć co najmniej 4 piony"},
    Rule{R"~((\w+)\[(.*)\] is not a move$)~", "\\1[\\2] nie jest ruchem"},
    Rule{R"~(move (\d+) \(([^)]*)\): not a legal move for (\w+)$)~",
         "ruch \\1 (\\2) niedozwolony dla {g3}"},
    Rule{R"~(move (\d+) \(([^)]*)\): )~", "ruch \\1 (\\2): ", true},
    Rule{R"~(the game is already over$)~", "partia już się skończyła"},
    Rule{R"~(a pass by (\w+), but (\w+) is to move$)~", "pas {g1}, ale ruch mają {n2}"},
    Rule{R"~(played by (\w+), but (\w+) is to move$)~", "ruch {g1}, ale ruch mają {n2}"},
    Rule{R"~(a pass, but (\w+) can move$)~", "pas, ale {n1} mają ruch"},
    Rule{R"~(a pass, but the game is over$)~", "pas, ale partia jest skończona"},
    Rule{R"~(the game is over$)~", "partia jest skończona"},
    Rule{R"~(the square is taken$)~", "pole jest zajęte"},
    Rule{R"~(^game record: position 0 does not hold 4 discs$)~",
         "zapis partii: pozycja 0 nie ma 4 pionów"},
    Rule{R"~(^game record: position (\d+): does not follow from the one before by one move$)~",
         "zapis partii: pozycja \\1 nie wynika z poprzedniej przez jeden ruch"},
    Rule{R"~(^game record: position (\d+): the discs do not match move (.*)$)~",
         "zapis partii: pozycja \\1: piony nie zgadzają się z ruchem \\2"},
    Rule{R"~(^a game record starts from 4 discs; this game starts from (\d+)$)~",
         "zapis partii zaczyna się od 4 pionów, a ta partia od \\1"},
    Rule{R"~(^move text starts from the standard position; this game does not \(write GGF\)$)~",
         "zapis ruchów zaczyna się od pozycji początkowej, a ta partia nie (można ją zapisać "
         "jako GGF)"},
    Rule{R"~(^cannot be opened for reading$)~", "nie można go otworzyć do odczytu"},
    Rule{R"~(^cannot be read$)~", "nie można go odczytać"},
    Rule{R"~(^unknown kind of game file \(\.gam, \.ggf, \.txt or \.mov\)$)~",
         "nieznany rodzaj pliku partii (.gam, .ggf, .txt lub .mov)"},
    Rule{R"~(^not a readable game file$)~", "to nie jest czytelny plik partii"},
    Rule{R"~(^cannot be written$)~", "nie można go zapisać"},
};

QString colourName(const QString& english, bool genitive) {
  if (english == QLatin1String("black")) return genitive ? "czarnych" : "czarne";
  if (english == QLatin1String("white")) return genitive ? "białych" : "białe";
  return genitive ? "nikogo" : "nikt";
}

QString expand(const QString& form, const QRegularExpressionMatch& match) {
  QString out;
  for (qsizetype i = 0; i < form.size(); ++i) {
    const QChar c = form[i];
    if (c == '\\' && i + 1 < form.size() && form[i + 1].isDigit()) {
      out += match.captured(form[++i].digitValue());
    } else if (c == '{' && i + 3 < form.size() && form[i + 3] == '}') {
      out += colourName(match.captured(form[i + 2].digitValue()), form[i + 1] == 'g');
      i += 3;
    } else {
      out += c;
    }
  }
  return out;
}

// Words that betray a reason left (partly) in English.
const QRegularExpression& englishWords() {
  static const QRegularExpression words(QStringLiteral(
      R"~(\b(the|is|are|not|move|moves|game|text|character|but|can|by|of|for|pass|square|)~"
      R"~(ends|only|after|before|cannot|be|position|needs|expected|starts|this|does)\b)~"));
  return words;
}

}  // namespace

QString polishTranscriptReason(const QString& reason, const QStringList& paths) {
  QString text = reason;
  for (const QString& path : paths) {
    const QString prefix = path + QStringLiteral(": ");
    if (!path.isEmpty() && text.startsWith(prefix)) {
      text = text.mid(prefix.size());
      break;
    }
  }
  static const auto compiled = [] {
    std::vector<std::pair<QRegularExpression, QString>> list;
    for (const Rule& rule : kRules) {
      list.emplace_back(QRegularExpression(QString::fromUtf8(rule.pattern)),
                        QString::fromUtf8(rule.polish));
    }
    return list;
  }();
  bool known = false;
  for (size_t i = 0; i < compiled.size(); ++i) {
    const auto& [pattern, form] = compiled[i];
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch()) continue;
    text = text.left(match.capturedStart()) + expand(form, match) + text.mid(match.capturedEnd());
    known = known || !kRules[i].prefix;
  }
  if (known && !text.contains(englishWords())) return text;
  // Something new in the codec: say where, not what.
  static const QRegularExpression where(QStringLiteral(R"~(^(zapis ruchów|GGF), znak \d+)~"));
  const QRegularExpressionMatch place = where.match(text);
  return place.hasMatch() ? place.captured(0) + QStringLiteral(": błąd w zapisie")
                          : QStringLiteral("zapis partii jest błędny");
}
