// Files on disk beyond reading: temporary files, path parts, the reasons of
// failed writes.
#pragma once

#include <sys/stat.h>

#include <string>
#include <string_view>

#include "platform/ConsoleOutput.h"
#include "platform/Export.h"

namespace plat {

// Not an errno value: the path names something other than a regular file (a
// FIFO, a device, a socket). fileErrorReason words it.
constexpr int kNotRegularFile = 0x10000;

// Opens path for reading without ever blocking at the open (a FIFO with no
// writer, a device): O_NONBLOCK, then fstat, then O_NONBLOCK cleared again.
// Anything that is not a regular file is closed and refused. The descriptor
// (close-on-exec), or -1 with err: an errno value (EISDIR for a folder) or
// kNotRegularFile. When st is given it gets the file's status.
PLAT_API int openRegularForReading(const std::string& path, int& err, struct ::stat* st = nullptr);

// True when path (links followed) exists and is not a regular file: a
// folder, a FIFO, a device, a socket. Such a path is never written over.
PLAT_API bool existsAsNonRegular(const std::string& path);

// Where a file saved as path goes: the file a symbolic link names when path
// is a link to a regular file (so the link stays and its file is written),
// else path itself. A saved file replaces what stands at that path.
PLAT_API std::string resolveWriteTarget(const std::string& path);

// The mode a plain creation gives a new file: 0666 less the process umask.
// The umask is read from the process status, since setting it to read it
// back races with the other threads that create files.
PLAT_API unsigned newFileMode();

// Encoding of the file system's names: UTF-8 unless the program set the
// locale's (the console's) charset at start-up.
PLAT_API void setFileNameEncoding(ConsoleEncoding encoding);
PLAT_API ConsoleEncoding fileNameEncoding();

// A file name or path as cp1250 text for a message or a report line: decoded
// from the file-system encoding, a character that cp1250 lacks (and a byte
// that is not valid there) becoming '?'. The raw bytes stay what reopens the
// file; this text is only shown.
PLAT_API std::string fileNameToCp1250(std::string_view name);

// Folder for temporary files: $TMPDIR when it is set and not empty, else
// "/tmp"; trailing "/" removed (the root stays "/").
PLAT_API std::string tempFolder();

// Creates a new empty file folder + "/" + prefix + six random characters +
// suffix with mkstemp semantics (exclusive creation, mode 0600), close-on-exec,
// open for reading and writing. Returns the descriptor and sets path; returns
// -1 with errno set (path untouched) on failure.
PLAT_API int createTempFile(const std::string& folder, std::string_view prefix,
                            std::string_view suffix, std::string& path);

// The running program's file: readlink("/proc/self/exe"); "" (and the
// errno in *err) when the link cannot be read.
PLAT_API std::string executableFile(int* err = nullptr);

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
