#include "storage/ini_file.h"

#include <cstddef>

#include "storage/text_lines.h"

namespace wb {

namespace {

bool IsQuote(char16_t c) {
  return c == u'"' || c == u'\'';
}

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t';
}

std::string UnquoteValue(std::string_view value) {
  if (value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

Text QuoteValueIfNeeded(TextView value) {
  bool blankAtEnd = !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()));
  bool enclosed = value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front();
  if (!blankAtEnd && !enclosed) return Text(value);
  return u"\"" + Text(value) + u"\"";
}

bool HasLineBreak(TextView text) {
  return text.find_first_of(u"\r\n") != TextView::npos || text.find(u'\0') != TextView::npos;
}

}  // namespace

IniDocument::IniDocument(std::string_view bytes) : utf8Bom_(HasUtf8Bom(bytes)) {
  std::string utf8 = NormaliseToUtf8(bytes);
  std::vector<std::string> raws = SplitLinesKeepingEnds(utf8);
  lines_.reserve(raws.size());
  for (auto& raw : raws) {
    Line line;
    Classify(raw, line);
    line.raw = std::move(raw);
    lines_.push_back(std::move(line));
  }
}

void IniDocument::Classify(std::string_view raw, Line& line) {
  std::string_view body = TrimBlanks(LineBody(raw));
  if (body.starts_with('[')) {
    size_t close = body.find(']');
    if (close == std::string_view::npos) {
      line.kind = Kind::DamagedSection;
    } else {
      line.kind = Kind::Section;
      line.key = TrimBlanks(body.substr(1, close - 1));
    }
  } else if (!body.starts_with(';')) {
    size_t eq = body.find('=');
    if (eq != std::string_view::npos) {
      line.kind = Kind::Entry;
      line.key = TrimBlanks(body.substr(0, eq));
      line.value = UnquoteValue(TrimBlanks(body.substr(eq + 1)));
    }
  }
}

std::optional<std::pair<size_t, size_t>> IniDocument::FindSection(TextView section) const {
  const std::string wanted = ToUtf8(TrimBlanks(section));
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].kind != Kind::Section || !EqualIgnoringCaseUtf8(lines_[i].key, wanted)) continue;
    size_t end = i + 1;
    while (end < lines_.size() && lines_[end].kind != Kind::Section &&
           lines_[end].kind != Kind::DamagedSection) {
      ++end;
    }
    return std::make_pair(i, end);
  }
  return std::nullopt;
}

std::optional<Text> IniDocument::Read(TextView section, TextView name) const {
  auto range = FindSection(section);
  if (!range) return std::nullopt;
  const std::string wanted = ToUtf8(TrimBlanks(name));
  for (size_t i = range->first + 1; i < range->second; ++i) {
    if (lines_[i].kind == Kind::Entry && EqualIgnoringCaseUtf8(lines_[i].key, wanted)) {
      return FromUtf8(lines_[i].value);
    }
  }
  return std::nullopt;
}

std::string IniDocument::CheckWritable(TextView section, TextView name, TextView value) {
  if (HasLineBreak(section) || HasLineBreak(name) || HasLineBreak(value)) {
    return "a section, name or value with a line break cannot be stored";
  }
  if (section.find(u']') != TextView::npos) return "a section name with \"]\" cannot be stored";
  if (name.find(u'=') != TextView::npos) return "a name with \"=\" cannot be stored";
  TextView trimmed = TrimBlanks(name);
  if (!trimmed.empty() && (trimmed.front() == u'[' || trimmed.front() == u';')) {
    return "a name that begins with \"[\" or \";\" cannot be stored";
  }
  return {};
}

void IniDocument::Write(TextView section, TextView name, TextView value) {
  section = TrimBlanks(section);
  name = TrimBlanks(name);
  // New lines take the line end of the file's first line that has one.
  std::string lineEnd = "\n";
  for (const auto& line : lines_) {
    if (!LineEnd(line.raw).empty()) {
      lineEnd = LineEnd(line.raw);
      break;
    }
  }

  const std::string nameUtf8 = ToUtf8(name);
  const std::string sectionUtf8 = ToUtf8(section);
  Line entry;
  entry.kind = Kind::Entry;
  entry.key = nameUtf8;
  entry.value = ToUtf8(value);
  const std::string stored = ToUtf8(QuoteValueIfNeeded(value));
  auto entryText = [&](std::string_view key) { return std::string(key) + "=" + stored; };

  // A line that gets a line after it needs a line end of its own.
  auto terminate = [&](size_t index) {
    if (LineEnd(lines_[index].raw).empty()) lines_[index].raw += lineEnd;
  };

  auto range = FindSection(section);
  if (!range) {
    if (!lines_.empty()) terminate(lines_.size() - 1);
    Line header;
    header.kind = Kind::Section;
    header.key = sectionUtf8;
    header.raw = "[" + sectionUtf8 + "]" + lineEnd;
    lines_.push_back(std::move(header));
    entry.raw = entryText(nameUtf8) + lineEnd;
    lines_.push_back(std::move(entry));
    return;
  }
  size_t insertAfter = range->first;
  for (size_t i = range->first + 1; i < range->second; ++i) {
    Line& line = lines_[i];
    if (line.kind == Kind::Entry && EqualIgnoringCaseUtf8(line.key, nameUtf8)) {
      // The name keeps its spelling in the file; only the value changes.
      line.raw = entryText(line.key) + std::string(LineEnd(line.raw));
      line.value = std::move(entry.value);
      return;
    }
    if (!TrimBlanks(LineBody(line.raw)).empty()) insertAfter = i;
  }
  terminate(insertAfter);
  entry.raw = entryText(nameUtf8) + lineEnd;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAfter) + 1, std::move(entry));
}

std::string IniDocument::Bytes() const {
  std::string out(utf8Bom_ ? kUtf8Bom : "");
  for (const auto& line : lines_) out += line.raw;
  return out;
}

IniEntryScan::IniEntryScan(TextView section, TextView name)
    : section_(ToUtf8(TrimBlanks(section))), name_(ToUtf8(TrimBlanks(name))) {}

bool IniEntryScan::Feed(std::string_view raw) {
  if (done_) return false;
  IniDocument::Line line;
  IniDocument::Classify(raw, line);
  using Kind = IniDocument::Kind;
  if (!inSection_) {
    inSection_ = line.kind == Kind::Section && EqualIgnoringCaseUtf8(line.key, section_);
  } else if (line.kind == Kind::Section || line.kind == Kind::DamagedSection) {
    // Only the first section with the name counts, as for IniDocument::Read.
    done_ = true;
  } else if (line.kind == Kind::Entry && EqualIgnoringCaseUtf8(line.key, name_)) {
    result_ = FromUtf8(line.value);
    done_ = true;
  }
  return !done_;
}

}  // namespace wb
