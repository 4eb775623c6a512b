#include "help_window.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "api/levels.h"

HelpWindow::HelpWindow(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("HelpWindow"));
  setWindowTitle(QStringLiteral("Pomoc – Tavrin Reversi"));
  resize(520, 460);
  pages = new QTabWidget(this);
  const std::pair<QString, QString> contents[] = {
      {QStringLiteral("Zasady"), rulesText()},      {QStringLiteral("Klawisze"), keysText()},
      {QStringLiteral("Opcje"), optionsText()},     {QStringLiteral("Poziomy"), levelsText()},
      {QStringLiteral("O programie"), aboutText()},
  };
  for (const auto& [title, html] : contents) {
    auto* page = new QTextBrowser(pages);
    page->setOpenExternalLinks(false);
    page->setHtml(html);
    pages->addTab(page, title);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("Zamknij"));
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pages);
  layout->addWidget(buttons);
}

QString HelpWindow::rulesText() {
  return QStringLiteral(
      "<h3>Zasady reversi</h3>"
      "<p>Gra się na planszy 8 × 8 pionami, które z jednej strony są czarne, z drugiej "
      "białe. Na początku w środku stoją po dwa piony każdego koloru; zaczynają czarne.</p>"
      "<p>Ruch polega na postawieniu piona swojego koloru na pustym polu tak, by między nim "
      "a innym pionem tego koloru – w poziomie, w pionie albo po przekątnej – stał "
      "nieprzerwany rząd pionów przeciwnika. Wszystkie tak otoczone piony zmieniają kolor. "
      "Ruch, który niczego nie odwraca, jest niedozwolony.</p>"
      "<p>Kto nie ma dozwolonego ruchu, pasuje; gdy ruchu nie ma żadna strona, partia się "
      "kończy. Wygrywa ten, kto ma więcej pionów na planszy.</p>"
      "<p>Pola nazywa się literą kolumny (a–h, od lewej) i cyfrą wiersza (1–8), jak na "
      "brzegu planszy; „odwróć układ” odwraca kolejność wierszy.</p>");
}

QString HelpWindow::keysText() {
  return QStringLiteral(
      "<h3>Klawisze</h3><table cellpadding='3'>"
      "<tr><td><b>Ctrl+N</b></td><td>nowa partia</td></tr>"
      "<tr><td><b>Ctrl+O</b></td><td>wczytanie partii</td></tr>"
      "<tr><td><b>Ctrl+S</b></td><td>zapisanie partii</td></tr>"
      "<tr><td><b>Ctrl+Z</b></td><td>cofnięcie do poprzedniego ruchu gracza</td></tr>"
      "<tr><td><b>Ctrl+Shift+Z</b></td><td>ponowienie: do następnego ruchu gracza</td></tr>"
      "<tr><td><b>Ctrl+Q</b></td><td>koniec programu</td></tr>"
      "<tr><td><b>F1</b></td><td>ta pomoc</td></tr>"
      "<tr><td><b>F2</b></td><td>okno „Ocena pozycji”</td></tr>"
      "<tr><td><b>Tab</b></td><td>następny element okna; z przycisków jednym Tab na "
      "planszę</td></tr>"
      "<tr><td><b>strzałki</b></td><td>na planszy: przesuwanie kursora</td></tr>"
      "<tr><td><b>Enter, spacja</b></td><td>na planszy: ruch na polu kursora; przy pasie – "
      "„Następny ruch”</td></tr></table>");
}

QString HelpWindow::optionsText() {
  return QStringLiteral(
      "<h3>Opcje</h3>"
      "<p><b>Kolor gracza</b> – którymi pionami gra człowiek. Po zmianie partia czeka; "
      "„|&gt;” ją wznawia.</p>"
      "<p><b>Styl komputera</b> – jeden z siedmiu zestawów wag oceny pozycji.</p>"
      "<p><b>Poziom trudności</b> – jak głęboko komputer liczy (tabela na stronie "
      "„Poziomy”).</p>"
      "<p><b>odwróć układ</b> – plansza odwrócona górą do dołu.</p>"
      "<p><b>pokaż ruchy</b> – pierścienie na polach, na których gracz może postawić "
      "piona.</p>"
      "<p><b>pokaż ocenę</b> – pasek oceny i opis ostatniego przeszukania: o ile pionów "
      "przewagi na koniec partii komputer ocenia pozycję i dla kogo, ile pozycji ocenił "
      "i w ile sekund.</p>"
      "<p><b>opóźnienie</b> – szybki ruch komputera pojawia się po pół sekundzie.</p>"
      "<p><b>myślenie w tle</b> – komputer liczy dalej, gdy gracz się namyśla.</p>"
      "<p><b>książka otwarć</b> – w pierwszych ruchach komputer gra z książki.</p>"
      "<p><b>wartości ruchów</b> – na polach możliwych ruchów gracza ich ocena z punktu "
      "widzenia gracza (gdy komputer skończył myśleć); najlepszy ruch jest wyróżniony.</p>"
      "<p><b>szybkie myślenie</b> – szybsze przeszukiwanie, na tych samych poziomach.</p>"
      "<p><b>czas na ruch</b> – najdłuższy namysł komputera nad jednym ruchem (brak: bez "
      "ograniczenia).</p>"
      "<p><b>Ocena pozycji</b> (F2) – z czego składa się ocena pozycji na planszy: "
      "czternaście cech z ich wartością, wagą i udziałem.</p>");
}

QString HelpWindow::levelsText() {
  QString rows;
  for (int level = 1; level <= 6; ++level) {
    zedare::LevelParameters p{};
    if (!zedare::levelParameters(level, p)) continue;
    rows += QStringLiteral(
                "<tr><td align='center'>%1</td><td align='center'>%2</td>"
                "<td align='center'>%3</td><td align='center'>%4</td>"
                "<td align='center'>%5</td></tr>")
                .arg(level)
                .arg(p.depth)
                .arg(p.exactEmpties)
                .arg(p.wldEmpties)
                .arg(std::max(p.openingBookLimit, p.continuationLimit));
  }
  return QStringLiteral(
             "<h3>Poziomy trudności</h3>"
             "<table border='1' cellspacing='0' cellpadding='3'><tr><th>poziom</th>"
             "<th>głębokość (półruchy)</th><th>wynik dokładny od (pustych pól)</th>"
             "<th>wygrana/przegrana od (pustych pól)</th><th>książka do ruchu</th></tr>") +
         rows +
         QStringLiteral(
             "</table><p>Na wyższym poziomie komputer liczy głębiej i wcześniej rozwiązuje "
             "koniec partii, ale dłużej myśli.</p>");
}

QString HelpWindow::aboutText() {
  return QStringLiteral(
             "<h3>Tavrin Reversi</h3><p>wersja %1</p>"
             "<p>Gra w reversi przeciwko komputerowi, którego ocena pozycji to ważona suma "
             "nazwanych cech; okno „Ocena pozycji” (F2) pokazuje ją cecha po cesze.</p>"
             "<p>Licencja MIT (Expat): program można używać, kopiować, zmieniać i "
             "rozpowszechniać bez ograniczeń, pod warunkiem zachowania informacji o "
             "prawach autorskich i licencji; jest dostarczany bez żadnej gwarancji.</p>")
      .arg(QStringLiteral(PROJECT_VERSION));
}
