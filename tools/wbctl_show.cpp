// wbctl show: the configuration an executable carries, merged from its embedded defaults and
// its appended block, or (--effective) what its window will apply.
#include <cstdio>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "storage/window_config.h"
#include "tools/command.h"
#include "tools/config_files.h"

namespace wbctl {
namespace {

std::string YesNo(bool value) {
  return value ? "yes" : "no";
}

std::string Number(int value) {
  return value > 0 ? std::to_string(value) : "design";
}

// A colour value (red in the lowest byte) in web notation.
std::string WebColor(std::int32_t color) {
  if (color <= 0) return "design";
  const auto value = static_cast<std::uint32_t>(color);
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", value & 0xFF, (value >> 8) & 0xFF,
                (value >> 16) & 0xFF);
  return text;
}

void PrintEffective(const wb::WindowConfig& config, std::ostream& out) {
  out << "caption=" << wb::ToUtf8(wb::EffectiveCaption(config)) << "\n";
  out << "banner=" << (config.bannerShown ? "shown" : "hidden") << "\n";
  out << "banner-caption=" << wb::ToUtf8(config.bannerCaption) << "\n";
  for (const auto& link : config.linkButtons) {
    out << "link=" << wb::ToUtf8(link.caption) << "\t" << wb::ToUtf8(link.address) << "\t"
        << link.icon << "\n";
  }
  out << "menu=" << YesNo(config.bars.menu) << "\n";
  out << "navbar=" << YesNo(config.bars.navbar) << "\n";
  out << "address=" << YesNo(config.bars.address) << "\n";
  out << "linkbar=" << YesNo(config.bars.linkbar) << "\n";
  out << "strip=" << YesNo(config.bars.strip) << "\n";
  out << "statusbar=" << YesNo(config.bars.statusbar) << "\n";
  out << "width=" << Number(config.width) << "\n";
  out << "height=" << Number(config.height) << "\n";
  out << "color=" << WebColor(config.color) << "\n";
  out << "go=" << (config.go.empty() ? std::string("none") : wb::ToUtf8(config.go)) << "\n";
  out << "webinfo=" << (config.webinfo ? "true" : "false") << "\n";
}

int RunShow(const std::vector<std::string>& args) {
  bool effective = false;
  std::vector<std::string> files;
  for (const auto& arg : args) {
    if (arg == "--effective") {
      effective = true;
    } else if (arg.rfind("--", 0) == 0) {
      throw std::runtime_error("unknown option " + arg);
    } else {
      files.push_back(arg);
    }
  }
  if (files.size() != 1) throw std::runtime_error("show needs one EXE");
  const wb::ValueList values = ReadExecutableConfig(files[0]);
  if (effective) {
    PrintEffective(wb::WindowConfigFromValues(values), std::cout);
  } else {
    for (const auto& entry : values) std::cout << wb::ToUtf8(entry) << "\n";
  }
  std::cout.flush();
  return std::cout ? 0 : Fail("cannot write the output");
}

const CommandRegistration kShow({"show", "show [--effective] EXE", &RunShow});

}  // namespace
}  // namespace wbctl
