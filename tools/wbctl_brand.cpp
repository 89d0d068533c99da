// wbctl brand: makes a branded copy of an executable, that is the executable's image with one
// "WebBrowser" block appended, and with --icon, --style and --script the icon, style and script
// blocks after it, written atomically.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "storage/atomic_file.h"
#include "storage/elf_file.h"
#include "storage/fsx.h"
#include "storage/icon_block.h"
#include "storage/page_blocks.h"
#include "storage/value_list.h"
#include "storage/window_config.h"
#include "tools/command.h"
#include "tools/config_files.h"
#include "tools/icon_image.h"

namespace wbctl {
namespace {

constexpr std::size_t kCopyChunk = std::size_t{1} << 20;

struct BrandArgs {
  std::string source;
  std::string dest;
  std::string from;
  std::string icon;
  std::string style;
  std::string script;
  std::vector<std::string> assignments;
};

// "--NAME FILE" or "--NAME=FILE" at `args[i]`: sets `out` and returns true.
bool FileOption(const std::vector<std::string>& args, std::size_t& i, const std::string& name,
                std::string& out) {
  const std::string& arg = args[i];
  if (arg == "--" + name) {
    if (i + 1 >= args.size()) throw std::runtime_error("--" + name + " needs a FILE");
    out = args[++i];
    return true;
  }
  if (arg.rfind("--" + name + "=", 0) == 0) {
    out = arg.substr(name.size() + 3);
    return true;
  }
  return false;
}

BrandArgs ParseArgs(const std::vector<std::string>& args) {
  BrandArgs parsed;
  std::vector<std::string> positional;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--from") {
      if (i + 1 >= args.size()) throw std::runtime_error("--from needs a FILE");
      parsed.from = args[++i];
    } else if (arg.rfind("--from=", 0) == 0) {
      parsed.from = arg.substr(7);
    } else if (arg == "--icon") {
      if (i + 1 >= args.size()) throw std::runtime_error("--icon needs a FILE");
      parsed.icon = args[++i];
    } else if (arg.rfind("--icon=", 0) == 0) {
      parsed.icon = arg.substr(7);
    } else if (FileOption(args, i, "style", parsed.style) ||
               FileOption(args, i, "script", parsed.script)) {
      continue;
    } else if (arg.rfind("--", 0) == 0) {
      throw std::runtime_error("unknown option " + arg);
    } else if (positional.size() < 2) {
      positional.push_back(arg);
    } else {
      parsed.assignments.push_back(arg);
    }
  }
  if (positional.size() < 2) throw std::runtime_error("brand needs SOURCE and DEST");
  parsed.source = positional[0];
  parsed.dest = positional[1];
  return parsed;
}

// A line of the block, checked so that it reads back as written: it must not hold a line
// break or NUL (which would cut it or end the text), and every character must exist in the
// code page the block is written in.
void CheckLine(const wb::Text& line, const std::string& where) {
  for (char16_t c : line) {
    if (c == u'\0' || c == u'\r' || c == u'\n') {
      throw std::runtime_error(where + Quote(line) +
                               ": a value cannot hold a line break or NUL character");
    }
  }
  if (!wb::IsAnsiRepresentable(line)) {
    for (char16_t c : line) {
      if (!wb::IsAnsiRepresentable(wb::TextView(&c, 1))) {
        char code[8];
        std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
        throw std::runtime_error(where + Quote(line) + " holds the character " + code +
                                 ", which Windows-1252 lacks; nothing was written");
      }
    }
  }
}

// The lines of the block: those of --from FILE, then the NAME=VALUE arguments.
wb::Text BlockContent(const BrandArgs& args) {
  std::vector<wb::Text> lines;
  if (!args.from.empty()) {
    const wb::Text text = ReadUtf8TextFile(args.from);
    if (text.find(u'\0') != wb::Text::npos) {
      throw std::runtime_error("\"" + args.from + "\": holds a NUL character");
    }
    lines = wb::SplitLines(text);
    for (std::size_t i = 0; i < lines.size(); ++i) {
      CheckLine(lines[i], "\"" + args.from + "\" line " + std::to_string(i + 1) + ": ");
    }
  }
  for (const std::string& assignment : args.assignments) {
    const wb::Text line = wb::FromUtf8(assignment);
    const auto eq = line.find(u'=');
    if (eq == wb::Text::npos || wb::EntryName(line).find_first_not_of(u" \t") == wb::Text::npos) {
      throw std::runtime_error("expected NAME=VALUE, got \"" + assignment + "\"");
    }
    CheckLine(line, "");
    lines.push_back(line);
  }
  wb::Text content;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) content += u"\r\n";
    content += lines[i];
  }
  // The start of a boundary line inside the content would end the block there.
  if (wb::TFSx("memory", u"m").HoldsBoundary(content)) {
    throw std::runtime_error("the content holds a block boundary line; nothing was written");
  }
  return content;
}

// The style or script file `path` for its block: its UTF-8 text, checked as the program reads
// it back, so that what brand writes is what the copy's pages get.
std::string ReadPageFile(const std::string& path) {
  const std::string text = ReadPictureFile(path, wb::kMaxPageBlockBytes);
  const std::string problem = wb::PageBlockProblem(text);
  if (!problem.empty()) throw std::runtime_error("\"" + path + "\": " + problem);
  return text;
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

int RunBrand(const std::vector<std::string>& rawArgs) {
  const BrandArgs args = ParseArgs(rawArgs);
  if (args.source == args.dest || SameFile(args.source, args.dest)) {
    return Fail("\"" + args.dest + "\": DEST is SOURCE; brand writes a copy");
  }
  struct stat info;
  if (::stat(args.source.c_str(), &info) != 0) {
    return Fail("\"" + args.source + "\": " + std::strerror(errno));
  }
  const auto imageEnd = wb::ElfImageEnd(args.source);
  if (!imageEnd) return Fail("\"" + args.source + "\": not a readable ELF executable");
  const wb::Text content = BlockContent(args);
  std::string icon;
  if (!args.icon.empty()) {
    icon = ReadPictureFile(args.icon, wb::kMaxIconBytes);
    CheckIconPicture(icon, "\"" + args.icon + "\"");
  }
  const std::string style = args.style.empty() ? "" : ReadPageFile(args.style);
  const std::string script = args.script.empty() ? "" : ReadPageFile(args.script);

  // The copy is written beside DEST and renamed over it once complete, so DEST holds the old
  // file or the whole copy, whatever happens meanwhile.
  std::optional<wb::FileReplacement> copy;
  try {
    copy.emplace(args.dest, wb::ReplacementOptions{.permissions = 0755});
  } catch (const wb::FileError& e) {
    return Fail("\"" + args.dest + "\": cannot create: " + e.reason());
  }

  wb::FileStream source(args.source, wb::FileStream::Open::kRead, wb::FileStream::Share::kShared);
  {
    wb::TFSx dest(copy->TemporaryPath(), u"w");
    std::string chunk(kCopyChunk, '\0');
    std::uint64_t left = *imageEnd;
    while (left > 0) {
      const std::size_t want = left < kCopyChunk ? static_cast<std::size_t>(left) : kCopyChunk;
      if (source.Read(chunk.data(), want) != want) {
        return Fail("\"" + args.source + "\": shorter than its ELF headers say");
      }
      dest.Append(std::string_view(chunk.data(), want));
      left -= want;
    }
    dest.wBlock(wb::kConfigBlockName, content);
    if (!icon.empty()) dest.wBlock(wb::kIconBlockName, wb::FromAnsi(wb::IconBlockContent(icon)));
    if (!style.empty()) dest.wBlock(wb::kStyleBlockName, wb::FromAnsi(wb::PageBlockContent(style)));
    if (!script.empty())
      dest.wBlock(wb::kScriptBlockName, wb::FromAnsi(wb::PageBlockContent(script)));
  }
  try {
    copy->Commit();
  } catch (const wb::FileError& e) {
    return Fail("\"" + args.dest + "\": cannot write: " + e.reason());
  }
  return 0;
}

const CommandRegistration kBrand({"brand",
                                  "brand SOURCE DEST [--from FILE] [--icon FILE] [--style FILE] "
                                  "[--script FILE] [NAME=VALUE ...]",
                                  &RunBrand});

}  // namespace
}  // namespace wbctl
