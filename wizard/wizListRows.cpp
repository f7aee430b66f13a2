#include "wizard/wizListRows.h"

#include "platform/CodePage.h"

namespace swde {

using plat::cp;

namespace {

struct Caption {
  const char* code;
  const char* text;  // UTF-8 source
};

constexpr Caption kCaptions[] = {
    {"SK", "Sprawdzenie poprawności syntaktycznej pliku(ów):"},
    {"SP", "Sprawdzenie poprawności semantycznej pliku(ów):"},
    {"WA", "Weryfikacja pliku(ów):"},
    {"GA", "Generacja dokumentu autoryzacji pliku(ów):"},
    {"SC", "Scalenie plików :"},
};

AnsiString optionText(const AnsiString& option) {
  if (option == "-pbz") return cp("pomijaj białe znaki");
  if (option == "-pk") return cp("pomijaj komentarze");
  if (option == "-rk") return cp("raport w postaci skondesowanej");
  return option;
}

}  // namespace

std::vector<wizListRow> wizListRows::rows(const wizCommandList& list) {
  std::vector<wizListRow> out;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const wizCommand& command = list.at(i);
    wizListRow caption{command.code, -1, i, false};
    for (int c = 0; c < static_cast<int>(std::size(kCaptions)); ++c)
      if (command.code == kCaptions[c].code) caption = {cp(kCaptions[c].text), c, i, false};
    out.push_back(caption);
    for (const AnsiString& input : command.inputs) out.push_back({input, 5, i, true});
    if (!command.output.empty()) {
      out.push_back({cp("Plik wynikowy:"), 6, i, false});
      out.push_back({command.output, -1, i, true});
    }
    if (!command.report.empty()) {
      out.push_back({cp("Wyniki zapisane do pliku raportu"), 7, i, false});
      out.push_back({command.report, -1, i, true});
    }
    if (!command.options.empty()) {
      out.push_back({cp("Dodatkowe prarametry"), 8, i, false});
      for (const AnsiString& option : command.options)
        out.push_back({optionText(option), -1, i, false});
    }
  }
  return out;
}

std::vector<std::size_t> wizListRows::block(const std::vector<wizListRow>& rows, std::size_t row) {
  std::vector<std::size_t> out;
  if (row >= rows.size()) return out;
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (rows[i].command == rows[row].command) out.push_back(i);
  return out;
}

}  // namespace swde
