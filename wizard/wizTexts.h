// The wizard's texts on their way into and out of Qt: the system's cp1250
// texts, the UTF-8 literals of the sources, and file names, which are the
// file system's bytes and stay so in the commands.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include "platform/AnsiString.h"
#include "platform/CodePage.h"

namespace swde::wiz {

// A UTF-8 literal of the sources.
inline QString T(const char* utf8) {
  return QString::fromUtf8(utf8);
}

// A cp1250 text of the core.
inline QString fromCp(const plat::AnsiString& cp1250) {
  return QString::fromStdString(plat::cp1250ToUtf8(cp1250));
}

// A file name's bytes as shown, and a shown name back to bytes.
inline QString nameText(const plat::AnsiString& bytes) {
  return QFile::decodeName(QByteArray::fromStdString(bytes));
}
inline plat::AnsiString nameBytes(const QString& text) {
  return QFile::encodeName(text).toStdString();
}

}  // namespace swde::wiz
