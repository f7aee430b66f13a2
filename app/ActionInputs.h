// What the starters of an action read from the main window: the check boxes,
// the two folder edits, the error limit and the file list in display order.
// The window fills it from its controls; the starters write the normalised
// folder edits back for the window to show.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/AnsiString.h"

namespace swde {

using plat::AnsiString;

struct ActionInputs {
  // One item of the file list: the name shown and the full path, both as
  // file-system bytes.
  struct File {
    AnsiString name;
    AnsiString path;
  };

  bool exclComments = true;      // "Pomiń komentarze"
  bool exclWhiteChars = true;    // "Pomiń znaki nieznaczące"
  bool saveDataDefault = true;   // "Zapisuj pliki danych w katalogu domyślnym"
  bool reportCondensed = true;   // "Raport skondensowany"
  AnsiString outputFolder;       // the output folder edit
  AnsiString reportFolder;       // the report folder edit
  std::int32_t maxErrors = 100;  // "Limit liczby błędów: "
  std::vector<File> files;
};

}  // namespace swde
