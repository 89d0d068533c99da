#pragma once
// The core's text as GTK's.
#include <glibmm/ustring.h>

#include "support/text.h"

namespace wb {

inline Glib::ustring U(const Text& t) {
  return Glib::ustring(ToUtf8(t));
}

}  // namespace wb
