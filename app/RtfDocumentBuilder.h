// Builds a QTextDocument from an RTF document through the Qt-free reader:
// paragraph alignment, bold, italic, underline and size of the text, and
// tables as QTextTable.
#pragma once

#include <QString>
#include <string>
#include <string_view>

class QTextDocument;

namespace swde {

// Files larger than this are not opened.
constexpr long long kRtfMaxFileSize = 64LL * 1024 * 1024;

// Fills doc (cleared first) from the RTF bytes. False with reason (Polish)
// when the bytes are not RTF or the reader refuses them; doc then empty.
bool buildRtfDocument(QTextDocument& doc, std::string_view bytes, QString& reason);

// Reads the file at path (refused over kRtfMaxFileSize), builds doc from it
// and keeps the file's bytes unchanged in originalBytes. False with message
// the full text to show: "Nie można otworzyć dokumentu: " + path + " (" +
// reason + ")" when reading fails, is refused or the reader refuses the
// bytes; "Plik nie jest dokumentem RTF: " + path when the file does not start
// with "{\rtf". doc and originalBytes are then empty.
bool openRtfDocument(const QString& path, QTextDocument& doc, std::string& originalBytes,
                     QString& message);

}  // namespace swde
