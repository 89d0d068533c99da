#include "storage/expand_path.h"

#include <algorithm>

namespace wb {
namespace {

// What distinguishes the two path styles; the expansion itself is written once over it.
struct Style {
  char16_t separator;
  // Drives ("C:") and network names ("\\server\share") exist only in the Windows style.
  bool drives;
  // Length of the shortest root folder ("C:\" or "/"); ".." never climbs above it.
  std::size_t rootLength;
};

constexpr Style kWindows{u'\\', true, 3};
constexpr Style kPosix{u'/', false, 1};

bool Contains(const Text& s, TextView part) {
  return s.find(part) != Text::npos;
}

bool StartsWith(const Text& s, TextView part) {
  return TextView(s).substr(0, part.size()) == part;
}

bool EndsWith(const Text& s, char16_t c) {
  return !s.empty() && s.back() == c;
}

void ReplaceAll(Text& s, TextView from, const Text& to) {
  if (from.empty()) return;
  std::size_t pos = 0;
  while ((pos = s.find(from, pos)) != Text::npos) {
    s.replace(pos, from.size(), to);
    pos += to.size();
  }
}

// 1-based position of the last occurrence of c, 0 when absent.
std::size_t LastPos(const Text& s, char16_t c) {
  const auto p = s.rfind(c);
  return p == Text::npos ? 0 : p + 1;
}

// 1-based position of the last separator, or in the Windows style of a drive colon when it
// comes later.
std::size_t LastDirectoryEnd(const Style& style, const Text& s) {
  std::size_t p = LastPos(s, style.separator);
  if (style.drives) p = std::max(p, LastPos(s, u':'));
  return p;
}

void ReplaceFolderNotations(Text& s, const ProcessValues& values) {
  ReplaceAll(s, u"*doc*", values.workFolder);
  ReplaceAll(s, u"*dat*", values.dataFolder);
  ReplaceAll(s, u"*path*", values.programFolder);
}

// The drive of a folder: "C:" for a drive folder, "\\server\share" for a network folder,
// empty otherwise.
Text DriveOf(const Text& folder) {
  if (folder.size() >= 2 && folder[1] == u':') return folder.substr(0, 2);
  if (StartsWith(folder, u"\\\\")) {
    const auto server = folder.find(u'\\', 2);
    if (server == Text::npos) return folder;
    const auto share = folder.find(u'\\', server + 1);
    return share == Text::npos ? folder : folder.substr(0, share);
  }
  return {};
}

bool IsAbsolute(const Style& style, const Text& name) {
  if (style.drives) return Contains(name, u"\\\\") || Contains(name, u":");
  return StartsWith(name, u"/");
}

}  // namespace

Text ExpandPath(PathStyle pathStyle, const Text& nameIn, const Text& folderIn,
                const ProcessValues& values) {
  const Style& style = pathStyle == PathStyle::Windows ? kWindows : kPosix;
  const char16_t sep = style.separator;
  const Text up = Text(u"..") + sep;
  const Text exe = values.executablePath.empty() ? ExecutablePath() : values.executablePath;
  Text name = nameIn;
  Text folder = folderIn;

  // A doubled backslash after a drive colon is a common slip in hand-written paths.
  if (style.drives) ReplaceAll(name, u":\\\\", u":\\");
  if (name.empty()) name = exe;

  if (folder.empty() || folder == u"*") {
    folder = values.workFolder;
  } else if (folder == u"**") {
    folder = values.dataFolder;
  }
  if (folder.empty() || folder == u"#p") folder = values.programFolder;

  if (Contains(name, u"*")) ReplaceFolderNotations(name, values);
  if (Contains(folder, u"*")) ReplaceFolderNotations(folder, values);

  // A folder that names a file (its last "." follows its last separator) stands for the
  // file's directory. The position test keeps relative forms such as "." and a drive's
  // root from being taken for file names.
  const auto firstDot = folder.find(u'.');
  if (!Contains(folder, u"..") && firstDot != Text::npos && firstDot + 1 > style.rootLength &&
      LastPos(folder, u'.') > LastPos(folder, sep)) {
    folder.resize(LastDirectoryEnd(style, folder));
  }
  if (!folder.empty() && !EndsWith(folder, sep)) folder += sep;

  if (!Contains(name, u"..") && StartsWith(name, u".")) {
    Text base = exe;
    const auto dot = LastPos(base, u'.');
    if (dot > LastPos(base, sep)) base.resize(dot - 1);
    base += name;
    name = base.substr(LastDirectoryEnd(style, base));
  }

  if (style.drives && !Contains(name, u"\\\\") && StartsWith(name, u"\\")) {
    name = DriveOf(folder) + name;
  }

  while (StartsWith(name, up)) {
    name.erase(0, up.size());
    if (folder.size() > style.rootLength && EndsWith(folder, sep)) folder.pop_back();
    const auto p = LastPos(folder, sep);
    if (p >= style.rootLength) {
      folder.resize(p);
    } else if (!style.drives && p == 0) {
      // Going up from a relative folder of one name ("a/") leaves the current directory.
      folder.clear();
    }
  }

  if (!IsAbsolute(style, name)) name = folder + name;
  return name;
}

Text ExpandPath(const Text& name, const Text& folder) {
  return ExpandPath(PathStyle::Posix, name, folder, Process());
}

}  // namespace wb
