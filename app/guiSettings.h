// The settings of the main window, kept in the registry under
// HKEY_LOCAL_MACHINE "\Software\OLVEN\Settings". Each field starts at its
// default; reading replaces only the values that are there with their own
// type, and writing stores them all.
#pragma once

#include <cstdint>

#include "platform/AnsiString.h"

namespace swde {

using plat::AnsiString;

class guiSettings {
 public:
  static constexpr const char* kKey = "\\Software\\OLVEN\\Settings";
  static constexpr std::int32_t kMaxErrorsLimit = 5000;

  bool exclComments = true;        // "exclComments"
  bool exclWhiteChars = true;      // "exclWhiteChars"
  bool saveFileList = true;        // "saveFileList"
  AnsiString reportDir;            // "reportDir"
  bool saveReports = false;        // "saveReports"
  bool saveReportsDefault = true;  // "saveReportsDefault"
  bool saveDataDefault = true;     // "saveDataDefault"
  bool reportCondensed = true;     // "reportCondensed"
  std::int32_t maxErrors = 100;    // "maxErrors", 0 to 5000
  AnsiString outputDir;            // "otputDir"

  // Reads the values that exist. A value of another type keeps its default.
  // A hive that cannot be read keeps every default and makes write() do
  // nothing, so that the hive is never replaced; the result is then its
  // message (cp1250), to be shown once, else "".
  AnsiString read();

  // Stores every value (the report folder normalised first, the limit
  // brought into range), making the key when missing. "" or the message of
  // the failure; nothing at all after a read that failed.
  AnsiString write();

 private:
  bool hiveFailed_ = false;
};

}  // namespace swde
