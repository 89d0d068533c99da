#pragma once
#include <string>

namespace wbtest {
// The temporary directory that holds this test program's HOME and XDG_* directories.
const std::string& TestRoot();
}  // namespace wbtest
