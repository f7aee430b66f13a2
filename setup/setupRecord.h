// The uninstall record: HKEY_LOCAL_MACHINE
// "Software\Microsoft\Windows\CurrentVersion\Uninstall\OLVEN", written first
// by the install, so that even a failed install can be removed, and deleted
// last by the uninstall. It holds "DisplayName", "UninstallString" (the
// command that removes the suite), "InstallDir" (the install folder, ending
// in "/"), and what later steps did: "MenuDir" (the folder of the menu
// entries), "Templates"=1 (the document templates were merged) and
// "Component"=1 (the component server was registered). A reinstall never
// clears those: what an earlier install did is still to be undone.
#pragma once

#include <optional>
#include <string>

#include "platform/AnsiString.h"
#include "platform/Registry.h"

namespace swde {

using plat::AnsiString;

class setupRecord {
 public:
  // The record's key under HKEY_LOCAL_MACHINE.
  static const char* const kKey;
  // The key of the document templates and of the main window's settings,
  // under HKEY_LOCAL_MACHINE, and the four template values.
  static const char* const kSuiteKey;
  static const char* const kTemplateNames[4];

  std::string installDir;  // as written: absolute, ending in "/"
  std::string menuDir;     // "" when no entries were made
  bool templates = false;
  bool component = false;

  // What the record holds. Raises ERegistryException when the hive cannot
  // be read; nullopt when there is no record.
  static std::optional<setupRecord> read();

  // Writes the record of an install into target (absolute, ending in "/"),
  // keeping what an earlier install noted. The error text (cp1250: "Error
  // creating Registry key" or "Error writing to Registry"), empty on success.
  static AnsiString write(const std::string& target, const std::string& setupName);

  // Notes a step done: "MenuDir", "Templates"=1, "Component"=1. False when
  // the registry cannot be written.
  static bool noteMenuDir(const std::string& folder);
  static bool noteTemplates();
  static bool noteComponent();

  // Deletes the record, then the keys above it that it leaves empty. Raises
  // ERegistryException.
  static void remove();

  // Deletes key (from the root of root) when it holds no value and no
  // subkey, then each key above it that is left so; stops at the first that
  // is not empty. A key that is not there counts as deleted. Raises
  // ERegistryException.
  static void removeEmptyKeys(plat::HKEY root, const std::string& key);
};

}  // namespace swde
