// The notice the large text viewer shows while its buffer reads far into a
// file: a small modeless window "Trwa doczytywanie linii z pliku...". It
// appears only once a read has gone on for 300 ms, so that the short reads
// of everyday paging never flash it, and it is painted from inside the read
// (which runs on the user interface thread).
#pragma once

#include <QDialog>
#include <QPointer>
#include <cstdint>
#include <functional>

#include "platform/Export.h"
#include "viewers/LoadNotice.h"

class QWidget;

namespace olv {

class PAGEVIEW_API LoadNoticeDialog : public LoadNotice {
 public:
  // Milliseconds of a steady clock; replaceable so that a test can move
  // time on without waiting.
  using Clock = std::function<std::int64_t()>;

  static constexpr std::int64_t kShowAfterMs = 300;

  // owner: the widget whose window the notice is centred on (may be null).
  explicit LoadNoticeDialog(QWidget* owner, Clock clock = {});
  ~LoadNoticeDialog() override;
  LoadNoticeDialog(const LoadNoticeDialog&) = delete;
  LoadNoticeDialog& operator=(const LoadNoticeDialog&) = delete;

  void begin() override;
  void progress() override;
  void end() override;

  // The notice window while it is shown; null otherwise.
  QDialog* window() const;

 private:
  void show();

  QPointer<QWidget> owner_;
  Clock clock_;
  QPointer<QDialog> dialog_;  // owned; its parent window may go first
  std::int64_t start_ = 0;
  bool running_ = false;
};

}  // namespace olv
