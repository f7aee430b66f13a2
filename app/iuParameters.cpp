#include "app/iuParameters.h"

#include "app/iuCommandToken.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"

namespace swde {

using plat::cp;
using plat::LowerCase;

namespace {

struct Texts {
  AnsiString paramError = cp("Błąd przetwarzania listy parametrów: ");
  AnsiString outputAgain = cp("ponownie podano pliki wyjściowe");
  AnsiString reportAgain = cp("ponownie podano plik raportu");
  AnsiString unexpected = cp("nieoczekiwana pozycja -");
  AnsiString noReportName = cp("brak nazwy pliku raportu");
};

const Texts& texts() {
  static const Texts t;
  return t;
}

}  // namespace

bool iuParameters::isParameterWord(const AnsiString& word) {
  const AnsiString key = LowerCase(word);
  return key == "-pwe" || key == "-pwy" || key == "-pk" || key == "-pbz" || key == "-r" ||
         key == "-rk";
}

int iuParameters::feed(const AnsiString& word) {
  const Texts& t = texts();
  const AnsiString key = LowerCase(word);
  if (key == "-pwe") {
    mode_ = Mode::Input;
  } else if (key == "-pwy") {
    mode_ = Mode::Output;
  } else if (key == "-pk") {
    sink_.skipComments();
    mode_ = Mode::Flag;
  } else if (key == "-pbz") {
    sink_.skipWhiteChars();
    mode_ = Mode::Flag;
  } else if (key == "-r") {
    mode_ = Mode::Report;
  } else if (key == "-rk") {
    sink_.condensed();
    mode_ = Mode::None;
  } else {
    switch (mode_) {
      case Mode::None:
        return 0;
      case Mode::Input:
        sink_.input(word);
        return 0;
      case Mode::Output:
        if (haveOutput_) return fail(t.paramError + t.outputAgain);
        // An empty name leaves the output unset.
        haveOutput_ = !word.empty();
        sink_.output(word);
        return 0;
      case Mode::Flag:
        return fail(t.paramError + t.unexpected + (fromArgs_ ? " " : "") + sink_.echo(word));
      case Mode::Report:
        if (haveReport_) return fail(t.paramError + t.reportAgain);
        // An empty word or a folder alone would leave the report unnamed.
        if (plat::extractFileName(word).empty()) return fail(t.paramError + t.noReportName);
        haveReport_ = true;
        sink_.report(word);
        return 0;
    }
  }
  return 0;
}

int iuParameters::feedText(const AnsiString& text, const std::function<bool()>& stopped) {
  int pos = 1;
  while (pos <= static_cast<int>(text.size()) && !(stopped && stopped())) {
    bool quoted = false;
    const AnsiString token = readToken(text, pos, quoted);
    // Empty quotes are an empty name, as an empty word on the command line.
    if (token.empty() && !quoted) continue;
    if (feed(token) != 0) return 1;
  }
  return 0;
}

int iuParameters::fail(const AnsiString& message) {
  sink_.error(message);
  return 1;
}

}  // namespace swde
