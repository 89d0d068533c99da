#include "support/sendmsg.h"

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "support/ascii.h"

namespace wb {
namespace {

constexpr std::uint16_t kFirstStringAtom = 0xC000;
constexpr std::size_t kAtomSlots = 0x10000 - kFirstStringAtom;

bool SameName(TextView a, TextView b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

// "#n" with n from 1 to 0xBFFF in decimal gives n, anything else 0.
std::uint16_t IntegerAtom(TextView name) {
  if (name.size() < 2 || name.size() > 6 || name[0] != u'#') return 0;
  std::uint32_t n = 0;
  for (std::size_t i = 1; i < name.size(); ++i) {
    if (name[i] < u'0' || name[i] > u'9') return 0;
    n = n * 10 + (name[i] - u'0');
  }
  return (n >= 1 && n < kFirstStringAtom) ? static_cast<std::uint16_t>(n) : 0;
}

struct AtomEntry {
  Text name;
  std::uint32_t refs = 0;  // 0: the slot is free
};

class AtomTable {
 public:
  std::uint16_t Add(TextView name) {
    if (name.empty() || name.size() > kMaxAtomName) return 0;
    if (std::uint16_t n = IntegerAtom(name)) return n;
    std::lock_guard lock(mutex_);
    if (int slot = Find(name); slot >= 0) {
      ++slots_[slot].refs;
      return static_cast<std::uint16_t>(kFirstStringAtom + slot);
    }
    for (std::size_t i = 0; i < slots_.size(); ++i) {
      if (slots_[i].refs == 0) return Put(i, name);
    }
    if (slots_.size() >= kAtomSlots) return 0;
    slots_.emplace_back();
    return Put(slots_.size() - 1, name);
  }

  std::uint16_t FindAtom(TextView name) {
    if (name.empty() || name.size() > kMaxAtomName) return 0;
    if (std::uint16_t n = IntegerAtom(name)) return n;
    std::lock_guard lock(mutex_);
    int slot = Find(name);
    return slot < 0 ? 0 : static_cast<std::uint16_t>(kFirstStringAtom + slot);
  }

  std::uint16_t Delete(std::uint16_t atom) {
    if (atom < kFirstStringAtom) return 0;
    std::lock_guard lock(mutex_);
    std::size_t slot = atom - kFirstStringAtom;
    if (slot >= slots_.size() || slots_[slot].refs == 0) return atom;
    if (--slots_[slot].refs == 0) slots_[slot].name.clear();
    return 0;
  }

  Text Name(std::uint16_t atom) {
    if (atom == 0) return {};
    if (atom < kFirstStringAtom) return u"#" + Ascii(std::to_string(atom));
    std::lock_guard lock(mutex_);
    std::size_t slot = atom - kFirstStringAtom;
    if (slot >= slots_.size() || slots_[slot].refs == 0) return {};
    return slots_[slot].name;
  }

 private:
  int Find(TextView name) const {
    for (std::size_t i = 0; i < slots_.size(); ++i) {
      if (slots_[i].refs > 0 && SameName(slots_[i].name, name)) return static_cast<int>(i);
    }
    return -1;
  }

  std::uint16_t Put(std::size_t slot, TextView name) {
    slots_[slot].name.assign(name);
    slots_[slot].refs = 1;
    return static_cast<std::uint16_t>(kFirstStringAtom + slot);
  }

  std::mutex mutex_;
  std::vector<AtomEntry> slots_;
};

AtomTable& Atoms() {
  static AtomTable table;
  return table;
}

}  // namespace

Text CopyDataText(const CopyDataStruct& data) {
  Text text;
  if (data.cbData == 0 || data.lpData == nullptr) return text;
  const auto* bytes = static_cast<const unsigned char*>(data.lpData);
  const std::size_t units = data.cbData / 2;
  text.reserve(units);
  for (std::size_t i = 0; i < units; ++i) {
    char16_t c = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    if (c == 0) break;
    text.push_back(c);
  }
  return text;
}

Text MessageText(Message& m) {
  m.result = 1;
  switch (m.msg) {
    case WM_USER + 100:
    case WM_USER + 101:
      return Ascii(std::to_string(m.wParam));
    case WM_USER + 102: {
      const char* s = reinterpret_cast<const char*>(m.wParam);
      return s ? FromAnsi(std::string_view(s, std::strlen(s))) : Text();
    }
    case WM_USER + 103: {
      // Read unit by unit with memcpy, so that an odd address is no fault.
      const char* s = reinterpret_cast<const char*>(m.wParam);
      Text text;
      for (char16_t c = 0; s; s += sizeof c) {
        std::memcpy(&c, s, sizeof c);
        if (c == 0) break;
        text.push_back(c);
      }
      return text;
    }
    case WM_USER + 104: {
      if (m.lParam <= 1) return {};
      Text name = GlobalGetAtomName(static_cast<std::uint16_t>(m.wParam & 0xFFFF));
      const auto room = static_cast<std::size_t>(m.lParam - 1);
      if (name.size() > room) name.resize(room);
      return name;
    }
    case WM_COPYDATA: {
      const auto* cds = reinterpret_cast<const CopyDataStruct*>(m.lParam);
      return cds ? CopyDataText(*cds) : Text();
    }
    default:
      return {};
  }
}

std::uint16_t GlobalAddAtom(TextView name) {
  return Atoms().Add(name);
}
std::uint16_t GlobalFindAtom(TextView name) {
  return Atoms().FindAtom(name);
}
std::uint16_t GlobalDeleteAtom(std::uint16_t atom) {
  return Atoms().Delete(atom);
}
Text GlobalGetAtomName(std::uint16_t atom) {
  return Atoms().Name(atom);
}

}  // namespace wb
