#pragma once
// What wbctl install and uninstall share: the copy and the prefix they act on, the entry that
// records an installation, and the refresh of the desktop's caches.
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "support/desktop_entry.h"

namespace wbctl {

struct InstallTarget {
  std::string exe;     // the copy's absolute path
  std::string name;    // its name: the file name without extension
  std::string prefix;  // the data folder the files go into, absolute
  std::string EntryPath() const;
  // The entry that starts the copy at login: the user's, $XDG_CONFIG_HOME/autostart/NAME.desktop,
  // whatever the prefix, since a login starts the programs of the person who logs in.
  std::string AutostartPath() const;
  std::string PathOf(const std::string& relative) const;  // prefix + "/" + relative
};

// Takes "--exe EXE" and "--prefix DIR" out of `args`. The executable defaults to the program
// beside the tool and must exist when `exeMustExist`; the prefix defaults to the user's data
// folder ($XDG_DATA_HOME, else ~/.local/share). Raises std::runtime_error for a missing
// value, a missing executable or a name that cannot name a desktop entry.
InstallTarget TakeInstallTarget(std::vector<std::string>& args, bool exeMustExist);

// The entry at the target's entry path: whether there is one, and whether it is one that
// install wrote (a regular file, not too large, carrying the record); its record only then.
// Raises std::runtime_error when it cannot be read.
struct ExistingEntry {
  bool exists = false;
  bool ours = false;
  wb::InstallRecord record;
};
ExistingEntry ReadExistingEntry(const InstallTarget& target);

// The message for an entry that install did not write.
std::string ForeignEntryMessage(const InstallTarget& target);

// The SHA-256 of `bytes`, in lower-case hex, as the record keeps it.
std::string ContentSum(std::string_view bytes);

// What is at the file `relative` of the prefix, as `record` knows it. It is install's own
// when the record lists it and it is one of the files install writes for this copy, and the
// record keeps its content and it is a regular file with exactly that content. A record
// written before install kept contents says nothing about them: a file it lists counts as
// install's own, as it did when that record was written.
enum class InstalledFile { kMissing, kOurs, kOther };
InstalledFile CheckInstalledFile(const InstallTarget& target, const wb::InstallRecord& record,
                                 const std::string& relative);

// What is at the target's autostart path: nothing, the entry install wrote (a regular file, not
// too large, carrying install's record), or something else. Raises std::runtime_error when it
// cannot be read.
InstalledFile CheckAutostartEntry(const InstallTarget& target);

// Removes the files of `record` that are install's own (see above) and then its folders that
// are empty, deepest first, reporting each removal, and each file left, on `out`. Files in
// `keep` stay. Returns false when something that should go could not be removed.
bool RemoveRecorded(const InstallTarget& target, const wb::InstallRecord& record,
                    const std::vector<std::string>& keep, std::ostream& out);

// Refreshes the caches the desktop keeps of the prefix's folders, where the tool that makes
// them is installed and the cache exists already (where there is none, the desktop reads the
// folders themselves, so there is nothing to bring up to date, and making one would leave a
// file that the next change by hand would make stale): the desktop database of applications/
// (update-desktop-database) and the icon cache of icons/hicolor/ (gtk-update-icon-cache).
// With `mimeTypes` the desktop database is needed to find the entry, so it is made anyway.
// Reports each tool run on `out`; a failing tool is reported, not fatal.
void RefreshDesktopCaches(const InstallTarget& target, bool mimeTypes, std::ostream& out);

}  // namespace wbctl
