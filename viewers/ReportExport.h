// The report's exports: the plain text and the comma-delimited text. Each is
// written in one pass over the report into a new file beside the target that
// replaces the target only once it is complete, so a failure leaves an
// existing target as it was.
#pragma once

#include <string>
#include <string_view>

#include "platform/Export.h"

namespace olv {

class LRepBufor;

// Every line of what the buffer holds (the records' texts, or the lines of a
// text file), each followed by "\r\n". 0 written, 1 the file could not be
// made, written or put in place (nothing left behind), 2 another failure
// (the report could not be read, the target is a folder or a device), -1
// nothing open.
OLVPAGING_API int saveAsTextFile(LRepBufor& buffer, const std::string& path);

// Every record of the report: one that concerns no position in a checked
// file (title, file and summary lines) as "#" + text, any other (a finding)
// as insertCommas(text); each followed by "\r\n". A finding without a level
// mark or a section tag gets an empty field in its place, so that the message
// always follows the fourth comma. A text file held by the
// buffer has no records: the export is empty. Results as saveAsTextFile.
OLVPAGING_API int saveAsCommaDelimited(LRepBufor& buffer, const std::string& path);

// A finding line as comma-delimited fields: the line trimmed, each run of
// blanks turned into one ","; the first "-" ends the fields: it and the
// blanks right behind it are dropped and the rest (the message) is copied
// unchanged. "12 B   121 SD - t" gives "12,B,121,SD,t".
OLVPAGING_API std::string insertCommas(std::string_view line);

}  // namespace olv
