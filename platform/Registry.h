// A small registry of our own, kept in text files, for the configuration that
// the system keeps in the registry on Windows.
//
// Where the files are: the folder $OLVEN_REGISTRY when it is set, otherwise
// $XDG_CONFIG_HOME/olven/registry (~/.config/olven/registry when that is not
// set). Each root key is one file there, HKEY_LOCAL_MACHINE.reg,
// HKEY_CURRENT_USER.reg and HKEY_CLASSES_ROOT.reg, in the REGEDIT4 format of
// the import scripts. The folder and the files are made when first written;
// reading creates nothing.
//
// The file: the header line "REGEDIT4", then one section per key,
// "[HKEY_CURRENT_USER\Software\OLVEN]", followed by its values:
//   @="default value"
//   "Name"="text with \\ and \" escaped"
//   "Count"=dword:0000002a
//   "Rtf"=hex(1):7b,5c,72,74,66,0d,0a,...,00
// A text holding a byte below 0x20 (CR, LF, TAB, NUL...) cannot stand between
// quotes, so it is written as a hex(1) byte list ended by one 00 byte, which
// is dropped again on reading. Bytes 0x80-0xFF stay between the quotes as
// they are (cp1250). Lines end with LF; CRLF is read as well.
//
// Names of keys and values compare without regard to ASCII case; the first
// spelling written is kept. Key paths use "\" as separator; empty components
// are ignored. A path starting with "\" is taken from the root, any other
// from the open key.
//
// Every change re-reads the file under an exclusive flock on the ".lock" file
// of the folder, applies the change and replaces the file at once (temporary
// file, fsync, rename), so that processes writing at the same time lose
// nothing; every read takes the lock shared. A file that cannot be read as
// REGEDIT4 raises ERegistryException naming it and the line, and is never
// overwritten.
//
// A hive or a lock that is not a regular file (a FIFO, a device, a folder,
// also through a link) is never read and never replaced, nor is a hive of
// more than 64 MiB; no change makes a hive larger than that. Opening one
// never blocks.
//
// The temporary file of a writer is "." + root file name + "." + six
// characters (".HKEY_CLASSES_ROOT.reg.a1B2c3"), and its writer holds an
// exclusive flock on it until it has been renamed. A writer killed on the
// way leaves it with its lock free; the next writer removes such files.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Exception.h"
#include "platform/Export.h"

namespace plat {

// A value that is missing or of another type, a write to a key opened read
// only or gone, a hive file that cannot be read or written. Messages are
// cp1250.
class PLAT_API ERegistryException : public Exception {
 public:
  using Exception::Exception;
  ~ERegistryException() override;
};

enum HKEY : int {
  HKEY_CLASSES_ROOT = 0,
  HKEY_CURRENT_USER = 1,
  HKEY_LOCAL_MACHINE = 2,
};

class PLAT_API TRegistry {
 public:
  // The root of the keys opened from now on. Changing it leaves the open key
  // open; a relative path is then taken from the new root.
  HKEY RootKey = HKEY_CURRENT_USER;

  // Opens the key for reading and writing; with canCreate, makes it (and
  // what is missing above it) when it does not exist. False when the key
  // does not exist and canCreate is false; the key open before stays open.
  bool OpenKey(const std::string& key, bool canCreate);
  // Opens an existing key; writes to it raise ERegistryException. False,
  // and nothing made, when the key does not exist.
  bool OpenKeyReadOnly(const std::string& key);
  void CloseKey();

  bool KeyExists(const std::string& key);
  // Removes the key with all its subkeys; false when it does not exist (or
  // the path names the root). Raises when the path is relative to a key
  // opened read only.
  bool DeleteKey(const std::string& key);

  // Values of the open key; the empty name is the default value of the key.
  // Reads of a missing value or of a value of another type raise
  // ERegistryException, as do reads and writes with no key open. Names with
  // bytes below 0x20 are refused on writing.
  bool ValueExists(const std::string& name);
  std::string ReadString(const std::string& name);
  void WriteString(const std::string& name, const std::string& value);
  int ReadInteger(const std::string& name);
  void WriteInteger(const std::string& name, int value);
  bool ReadBool(const std::string& name);  // an integer, true when not 0
  void WriteBool(const std::string& name, bool value);
  bool DeleteValue(const std::string& name);

  // Names of the subkeys and of the values of the open key, in their stored
  // spelling, ordered without regard to case; empty when no key is open.
  std::vector<std::string> GetKeyNames();
  std::vector<std::string> GetValueNames();

  // Path of the open key from its root, without a leading "\", in the stored
  // spelling; empty when no key is open or the root itself is open.
  std::string CurrentPath() const;

 private:
  std::vector<std::string> resolve(const std::string& key) const;
  void requireOpen() const;
  void requireWritable() const;

  bool open_ = false;
  bool readOnly_ = false;
  HKEY openRoot_ = HKEY_CURRENT_USER;
  std::vector<std::string> openPath_;
};

// One hive as it was at one moment: read once, under the shared lock, then
// asked without touching the file again. A lookup that needs several keys
// of a hive asks one snapshot, so that it sees each change of a writer whole
// or not at all. Key paths are taken from the root ("\" in front or not),
// names as in TRegistry.
class PLAT_API TRegistrySnapshot {
 public:
  // Raises ERegistryException when the hive cannot be read; a hive file
  // that does not exist is an empty hive.
  explicit TRegistrySnapshot(HKEY root);
  ~TRegistrySnapshot();
  TRegistrySnapshot(const TRegistrySnapshot&) = delete;
  TRegistrySnapshot& operator=(const TRegistrySnapshot&) = delete;

  bool KeyExists(const std::string& key) const;
  // A text value of a key (the empty name: its default value) into value;
  // false, value untouched, when the key or the value is missing. A value
  // of another type raises ERegistryException.
  bool ReadString(const std::string& key, const std::string& name, std::string& value) const;

 private:
  struct Tree;
  std::unique_ptr<Tree> tree_;
};

// Changes of one hive that belong together. They are collected first;
// Commit applies them in their order to the hive as it is then, in one
// read-modify-write under the exclusive lock, and replaces the file once:
// readers, and a writer killed on the way, leave or see all of them or
// none. Key paths are taken from the root ("\" in front or not).
class PLAT_API TRegistryBatch {
 public:
  explicit TRegistryBatch(HKEY root);
  ~TRegistryBatch();
  TRegistryBatch(const TRegistryBatch&) = delete;
  TRegistryBatch& operator=(const TRegistryBatch&) = delete;

  // Sets a value of a key (the empty name: its default value), making the
  // key and what is missing above it. Names with bytes below 0x20 raise
  // ERegistryException here, and the batch stays as it was.
  void WriteString(const std::string& key, const std::string& name, const std::string& value);
  void WriteInteger(const std::string& key, const std::string& name, int value);
  // Deletes a value; a value or key that is not there is no change.
  void DeleteValue(const std::string& key, const std::string& name);
  // Deletes a key with all its subkeys; a key that is not there (or the
  // root) is no change.
  void DeleteKey(const std::string& key);

  // Applies the changes; true when the hive changed (the file is written
  // only then). Raises ERegistryException when the hive cannot be read or
  // written, and then the hive is as it was. The batch keeps its changes:
  // another Commit applies them again.
  bool Commit();

 private:
  struct Change;
  HKEY root_;
  std::vector<Change> changes_;
};

// Applies a registry script, as "regedit /s script.reg" does: header
// "REGEDIT4" (or "Windows Registry Editor Version 5.00"), sections
// [HKEY_LOCAL_MACHINE\...], [HKEY_CURRENT_USER\...], [HKEY_CLASSES_ROOT\...]
// (or HKLM, HKCU, HKCR), [-...] deleting a key with its subkeys,
// "name"="text", @="default", "name"=dword:xxxxxxxx, "name"=- deleting a value,
// hex:, hex(1): and hex(2): byte lists continued over lines ending with "\",
// comments starting with ';', blank lines, CRLF or LF. Texts are taken as
// bytes. In a Version 5.00 script hex(1) and hex(2) hold UTF-16LE text, which
// is stored as cp1250.
//
// The whole script is read before anything is changed: on a malformed line,
// an unknown root or a file that cannot be read, nothing is changed, *error
// (when not null) gets a cp1250 message naming the script and the line, and
// the result is false.
PLAT_API bool ImportRegistryScript(const std::string& path, std::string* error);

}  // namespace plat
