// Page 2: the input files of the command, added through an open dialog and
// removed one by one.
#pragma once

#include <vector>

#include "wizard/wizPage.h"

class QListWidget;

namespace swde {

class TwizSetInFiles : public wizPage {
  Q_OBJECT

 public:
  TwizSetInFiles(wizCommand& command, wizPrompts& prompts, QWidget* parent = nullptr);

  // The listed files in their order (file-system bytes).
  std::vector<AnsiString> files() const;

 protected:
  bool next() override;

 private:
  void addFiles();
  void removeFile();
  void append(const AnsiString& name);

  QListWidget* list_;
};

}  // namespace swde
