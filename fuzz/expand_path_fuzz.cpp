// ExpandPath in both path styles, with generated names, folders and process values.
// Properties: it ends (the fuzzer's time limit catches a loop that does not); the result is
// never longer than the inputs with every notation expanded, so repeated "..", "*doc*" and
// the like cannot make it grow without bound; absolute names come back as they were; a plain
// relative name ends the result.
#include <algorithm>

#include "fuzz/fuzz_check.h"
#include "storage/expand_path.h"

namespace {

bool StartsWith(const wb::Text& s, wb::TextView p) {
  return wb::TextView(s).substr(0, p.size()) == p;
}
bool EndsWith(const wb::Text& s, wb::TextView p) {
  return s.size() >= p.size() && wb::TextView(s).substr(s.size() - p.size()) == p;
}
bool Contains(const wb::Text& s, wb::TextView p) {
  return s.find(p) != wb::Text::npos;
}

// A process value without "*", so that expanding one notation cannot produce another and the
// length bound below stays simple.
wb::Text Value(const wbfuzz::Args& args, size_t i, const char16_t* fallback) {
  wb::Text t = args.Text(i);
  if (t.empty()) t = fallback;
  std::replace(t.begin(), t.end(), u'*', u'_');
  return t;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const wbfuzz::Args args(data, size);
  const bool windows = args.Small(2) & 1;
  const auto style = windows ? wb::PathStyle::Windows : wb::PathStyle::Posix;
  const char16_t sep = windows ? u'\\' : u'/';

  wb::ProcessValues values;
  values.workFolder =
      Value(args, 3, windows ? u"E:\\Docs\\WebBrowser\\" : u"/home/u/Documents/WebBrowser/");
  values.dataFolder =
      Value(args, 4, windows ? u"E:\\AppData\\WebBrowser\\" : u"/home/u/.config/WebBrowser/");
  values.programFolder = Value(args, 5, windows ? u"D:\\Prog\\" : u"/opt/prog/");
  values.executablePath =
      Value(args, 6, windows ? u"D:\\Prog\\WebBrowser.exe" : u"/opt/prog/webbrowser");
  const wb::Text name = args.Text(0);
  const wb::Text folder = args.Text(1);

  const wb::Text result = wb::ExpandPath(style, name, folder, values);
  WB_FUZZ_CHECK(wb::ExpandPath(style, name, folder, values) == result);

  // Every notation is at least five characters ("*doc*") or a whole folder argument, so no
  // character of the inputs can stand for more than one folder value.
  const size_t longest =
      std::max({values.workFolder.size(), values.dataFolder.size(), values.programFolder.size()});
  const size_t inputs = name.size() + folder.size() + values.executablePath.size() + longest + 2;
  WB_FUZZ_CHECK(result.size() <= 2 * inputs * (2 + longest / 5));

  const bool notations = Contains(name, u"*");
  if (!windows) {
    if (!notations && StartsWith(name, u"/")) WB_FUZZ_CHECK(result == name);
    if (!notations && !name.empty() && !StartsWith(name, u"/") && !StartsWith(name, u".")) {
      WB_FUZZ_CHECK(EndsWith(result, name));
    }
  } else {
    wb::Text fixed = name;
    // One left-to-right pass: replaced text is not scanned again.
    for (size_t p = 0; (p = fixed.find(u":\\\\", p)) != wb::Text::npos; p += 2)
      fixed.erase(p + 1, 1);
    // A name that starts with one "\\" is drive-relative and gets the folder's drive.
    const bool driveRelative = StartsWith(fixed, u"\\") && !Contains(fixed, u"\\\\");
    if (!notations && !driveRelative && !StartsWith(fixed, u".") &&
        (Contains(fixed, u":") || Contains(fixed, u"\\\\"))) {
      WB_FUZZ_CHECK(result == fixed);
    }
  }
  if (!notations && !name.empty() && !Contains(name, u"..") && !StartsWith(name, u".") &&
      !StartsWith(name, wb::Text(1, sep)) && !Contains(name, u":")) {
    WB_FUZZ_CHECK(EndsWith(result, name));
  }
  return 0;
}
