// The installer's and the uninstaller's UI in Qt: the question, target and
// end windows as modal dialogs, the status window, and message boxes with
// the icon asked for. Every modal window goes through run(), the one place
// that enters a dialog's event loop, so that a test can answer it instead.
#pragma once

#include <memory>

#include "setup/setupUi.h"

class QDialog;
class QWidget;

namespace swde {

class TfrmStatus;

class setupQtUi : public setupUi {
 public:
  setupQtUi();
  ~setupQtUi() override;

  bool askFirstQuestion() override;
  std::optional<std::string> askTarget(const std::string& initial,
                                       const TargetCheck& check) override;
  bool askUninstallQuestion() override;
  void statusShow(Mode mode, int total) override;
  void statusStep(const AnsiString& text) override;
  void statusHide() override;
  void showInstallEnd() override;
  void showUninstallEnd() override;
  void message(const AnsiString& title, const AnsiString& text, Icon icon) override;

  // The status window, null before the first statusShow.
  TfrmStatus* statusWindow() const { return status_.get(); }

 protected:
  // Shows dialog modally until it is closed; its result code.
  virtual int run(QDialog& dialog);

 private:
  std::unique_ptr<TfrmStatus> status_;
};

}  // namespace swde
