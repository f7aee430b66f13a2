#include "app/OlvenApplication.h"

#include <QMessageBox>
#include <exception>

#include "platform/AnsiString.h"
#include "platform/CodePage.h"
#include "platform/Exception.h"

namespace swde {

namespace {
QString fromCp1250(const plat::AnsiString& text) {
  return QString::fromStdU16String(plat::cp1250ToUtf16(text));
}
}  // namespace

OlvenApplication::OlvenApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("OLVEN"));
  setApplicationDisplayName(QStringLiteral("OLVEN"));
}

bool OlvenApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const plat::Exception& e) {
    report(fromCp1250(e.Message()));
  } catch (const std::exception& e) {
    report(QString::fromLocal8Bit(e.what()));
  } catch (...) {
    report(QString::fromUtf8("Wystąpił nierozpoznany błąd!!!"));
  }
  return false;
}

void OlvenApplication::report(const QString& text) {
  if (reporter_)
    reporter_(text);
  else
    QMessageBox::critical(activeWindow(), QStringLiteral("OLVEN"), text);
}

}  // namespace swde
