// Files on disk beyond reading: temporary files, path parts, the reasons of
// failed writes.
#pragma once

#include <string>
#include <string_view>

#include "platform/Export.h"

namespace plat {

// Folder for temporary files: $TMPDIR when it is set and not empty, else
// "/tmp"; trailing "/" removed (the root stays "/").
PLAT_API std::string tempFolder();

// Creates a new empty file folder + "/" + prefix + six random characters +
// suffix with mkstemp semantics (exclusive creation, mode 0600), close-on-exec,
// open for reading and writing. Returns the descriptor and sets path; returns
// -1 with errno set (path untouched) on failure.
PLAT_API int createTempFile(const std::string& folder, std::string_view prefix,
                            std::string_view suffix, std::string& path);

// Folder of the running program, without a trailing "/" (the root stays
// "/"): the folder part of readlink("/proc/self/exe"). Raises EFileError
// (cp1250 text with the reason) when the link cannot be read.
PLAT_API std::string executableFolder();

// Folder part of a path, up to and including its last "/" ("" when it has
// none), and the part behind it.
PLAT_API std::string extractFilePath(std::string_view path);
PLAT_API std::string extractFileName(std::string_view path);

// True when both paths name one existing file (same device and inode).
PLAT_API bool sameFile(const std::string& a, const std::string& b);

// Polish text of an errno value for messages about creating, writing or
// moving files and folders (cp1250); every writer words its failures so.
PLAT_API std::string fileWriteErrorReason(int err);

}  // namespace plat
