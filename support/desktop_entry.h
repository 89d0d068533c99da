#pragma once
// The desktop entry that puts a branded copy into the desktop's application menu, in the
// freedesktop.org desktop entry format, and the record of the files installed with it, which
// the entry carries itself so that removing the copy takes exactly those files.
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "support/site_handlers.h"

namespace wb {

// The icon sizes, in pixels, installed as PNG files.
inline constexpr int kDesktopIconSizes[] = {48, 128, 256};

// Whether `name` can name the entry's file, its icon and its window class: 1 to 255 ASCII
// letters, digits, "_", "-" and ".", not starting with "." or "-".
bool IsDesktopName(std::string_view name);

// The window class (the class part of WM_CLASS) that GTK gives the windows of the program
// file `fileName`: the name with its first letter upper-case (ASCII only).
std::string WindowClassOf(std::string_view fileName);

// A value of type string or localestring as the file holds it: "\" as "\\", line feed, tab
// and carriage return as "\n", "\t", "\r"; a leading space as "\s".
std::string EscapeDesktopValue(std::string_view utf8);

// The reverse of EscapeDesktopValue; an unknown escape keeps its character, a lone "\" at the
// end is dropped.
std::string UnescapeDesktopValue(std::string_view value);

// One argument of an Exec value: as it is when it holds no reserved character (blanks, quotes,
// and \ > < ~ | & ; $ * ? # ( ) `), else in double quotes, with " ` $ and \ preceded by "\".
// A "%" is written "%%" in both cases, since a lone "%" starts a field code.
std::string QuoteExecArgument(std::string_view utf8);

// A desktop action: an item of the launcher's menu for the entry, which starts the copy with
// an address (the running window opens it when the copy keeps one window).
struct DesktopAction {
  std::string name;     // Name (UTF-8)
  std::string address;  // the copy's argument
};

// The actions of a copy's shortcuts, in order.
std::vector<DesktopAction> ShortcutActions(const ShortcutsKey& shortcuts);

// The media types a copy's desktop entry lists for its scheme handlers
// ("x-scheme-handler/web+mail") and file handlers, in order, each once.
std::vector<std::string> HandlerMimeTypes(const SchemesKey& schemes, const FilesKey& files);

struct DesktopEntry {
  std::string name;                    // Name: the copy's title (UTF-8)
  std::string executable;              // the copy's absolute path (UTF-8)
  std::string icon;                    // Icon: the icon's name
  std::string windowClass;             // StartupWMClass
  std::vector<std::string> mimeTypes;  // MimeType; none unless asked for
  std::vector<DesktopAction> actions;  // Actions, each a group "Desktop Action shortcutN"
  // What install wrote beside the entry, relative to the prefix: its icon files, and the
  // folders it created (each of which it removes again when it is empty).
  std::vector<std::string> files;
  std::vector<std::string> folders;
  // The content of each of `files` as install wrote it: the file's relative path, and the
  // SHA-256 of its bytes in lower-case hex. A file whose content is no longer this is not
  // what install wrote, so neither install nor uninstall replaces or removes it.
  std::map<std::string, std::string> sums;
  // Whether the text carries the record above. An entry that a package installs has none: the
  // package manager keeps the list of its files.
  bool record = true;
  // The entry that starts the copy at login ($XDG_CONFIG_HOME/autostart/NAME.desktop): Exec
  // runs it with "--hidden" (into its tray item) and takes no address; it is no menu entry, so
  // it has no categories and no media types. Its record lists no files: it is all there is.
  bool autostart = false;
};

// The text of the entry, lines ending in LF; the actions' groups follow the main group.
std::string DesktopEntryText(const DesktopEntry& entry);

// What an entry's text records of its installation. `ours` is whether the text is an entry
// that install wrote (it carries the record keys of the main group); `files` and `folders` are
// the record's lists, unescaped, in order, without empty items. `hasSums` is whether the
// record keeps the files' contents, which a record written before install kept them does
// not; `sums` are those of its items that name a file and a well-formed SHA-256.
struct InstallRecord {
  bool ours = false;
  std::vector<std::string> files;
  std::vector<std::string> folders;
  bool hasSums = false;
  std::map<std::string, std::string> sums;
};
InstallRecord ReadInstallRecord(std::string_view entryText);

// Whether `relative` is a file install writes for the copy `name`:
// icons/hicolor/SxS/apps/NAME.png for the sizes of kDesktopIconSizes, or
// icons/hicolor/scalable/apps/NAME.svg. A record that names anything else is not obeyed.
bool IsInstalledIconPath(std::string_view relative, std::string_view name);

// Whether `relative` is a folder install may create: "applications", or a folder that holds
// one of the icon paths above ("icons", "icons/hicolor", "icons/hicolor/48x48", ...).
bool IsInstallFolder(std::string_view relative);

// The icon paths of the copy `name`: the PNG files of kDesktopIconSizes, then with `scalable`
// the SVG file.
std::vector<std::string> InstalledIconPaths(std::string_view name, bool scalable);

}  // namespace wb
