#pragma once
// Turning a received window message into text. The main window uses it for the copy-data
// message that another process sends with an address; the other kinds serve senders inside
// the process. Text work alone, tested and fuzzed with the core.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "support/text.h"

namespace wb {

// Message numbers the extraction knows.
constexpr std::uint32_t WM_COPYDATA = 74;
constexpr std::uint32_t WM_USER = 0x400;

// A window message as the platform-neutral handlers see it.
struct Message {
  std::uint32_t msg = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
  std::intptr_t result = 0;
};

// The copy-data description a copy-data message's lParam points to.
struct CopyDataStruct {
  std::uintptr_t dwData = 0;     // free for the sender; not interpreted
  std::uint32_t cbData = 0;      // byte count of the data
  const void* lpData = nullptr;  // the data, cbData bytes
};

// The text of a copy-data description: UTF-16LE code units read from lpData, ending at the
// first NUL code unit within cbData bytes. Contract: nothing beyond cbData bytes is read;
// cbData 0 or a null lpData give an empty text; without a NUL within cbData the text is every
// whole code unit of the data; an odd cbData leaves its last byte unread, since it cannot
// hold a whole code unit. Any alignment of lpData is accepted.
Text CopyDataText(const CopyDataStruct& data);

// Sets m.result to 1 and returns the text the message carries:
//   WM_USER + 100, + 101  wParam as an unsigned decimal number
//   WM_USER + 102         the NUL-terminated Windows-1252 text at address wParam
//   WM_USER + 103         the NUL-terminated UTF-16 text at address wParam
//   WM_USER + 104         the name of the atom numbered by the low 16 bits of wParam, read
//                         into a buffer of lParam characters that includes the terminating
//                         NUL, so at most lParam - 1 characters
//   WM_COPYDATA           CopyDataText of the description at address lParam
//   any other             empty
// Contract: the addresses in wParam and lParam must lie in this process (the remote channel
// never produces the address-carrying kinds except WM_COPYDATA, whose description it builds
// itself); a zero address gives an empty text instead of a crash.
Text MessageText(Message& m);

// The process-wide atom table: names (up to 255 characters, compared without regard to the
// case of A to Z) with reference counts, numbered from 0xC000 like the system's string atoms.
// Numbers 1 to 0xBFFF are integer atoms whose name is "#" and the number in decimal. Safe to
// use from any thread.
constexpr std::size_t kMaxAtomName = 255;

// Adds a reference to the name and returns its number; 0 when the name is empty, longer than
// kMaxAtomName, or the table is full. A name "#n" with n from 1 to 0xBFFF gives the integer
// atom n without an entry.
std::uint16_t GlobalAddAtom(TextView name);
// The number of a name in the table, or 0.
std::uint16_t GlobalFindAtom(TextView name);
// Drops a reference; the entry goes when its count reaches 0. Returns 0, or the atom when it
// is not in the table (as the system does).
std::uint16_t GlobalDeleteAtom(std::uint16_t atom);
// The name of an atom, or empty when the number names no atom.
Text GlobalGetAtomName(std::uint16_t atom);

}  // namespace wb
