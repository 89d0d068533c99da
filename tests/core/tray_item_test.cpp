// The status-notifier item without the bus: the menu a task bar reads and clicks, the texts it
// shows, the icon's pixels as the protocol carries them, and the desktop's colour scheme.
#include "support/tray_item.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/color_scheme.h"

namespace wb {
namespace {

// A node as "ID{name=value,...}[children]" so that a table can state a whole layout.
std::string Describe(const TrayMenuNode& node) {
  std::string out = std::to_string(node.id) + "{";
  for (std::size_t i = 0; i < node.properties.size(); ++i) {
    const auto& [name, value] = node.properties[i];
    out += (i ? "," : "") + name + "=";
    if (const bool* b = std::get_if<bool>(&value))
      out += *b ? "true" : "false";
    else
      out += std::get<std::string>(value);
  }
  out += "}";
  if (!node.children.empty()) {
    out += "[";
    for (std::size_t i = 0; i < node.children.size(); ++i)
      out += (i ? " " : "") + Describe(node.children[i]);
    out += "]";
  }
  return out;
}

TEST(TrayMenu, LayoutFollowsTheParentTheDepthAndTheNamesAsked) {
  const struct {
    int parent;
    int depth;
    std::vector<std::string> names;
    const char* layout;  // empty: no such item
  } cases[] = {
      {0,
       -1,
       {},
       "0{children-display=submenu}[1{label=Show,enabled=true,visible=true} "
       "2{label=Quit,enabled=true,visible=true}]"},
      {0,
       1,
       {},
       "0{children-display=submenu}[1{label=Show,enabled=true,visible=true} "
       "2{label=Quit,enabled=true,visible=true}]"},
      {0, -7, {"label"}, "0{}[1{label=Show} 2{label=Quit}]"},
      // Depth 0 is the item alone.
      {0, 0, {}, "0{children-display=submenu}"},
      {1, -1, {}, "1{label=Show,enabled=true,visible=true}"},
      {2, 5, {"enabled", "nonsense"}, "2{enabled=true}"},
      {2, -1, {"nonsense"}, "2{}"},
      {3, -1, {}, ""},
      {-1, -1, {}, ""},
  };
  for (const auto& c : cases) {
    const auto layout = TrayMenuLayout(c.parent, c.depth, c.names);
    EXPECT_EQ(layout ? Describe(*layout) : std::string(), c.layout)
        << c.parent << " depth " << c.depth;
  }
}

TEST(TrayMenu, AnOverlongListOfNamesIsReadOnlyAsFarAsTheLimit) {
  std::vector<std::string> names(kTrayMenuMaxNames, "x");
  names.push_back("label");  // beyond the limit: not looked at
  EXPECT_EQ(Describe(*TrayMenuLayout(1, 0, names)), "1{}");
  names[kTrayMenuMaxNames - 1] = "label";
  EXPECT_EQ(Describe(*TrayMenuLayout(1, 0, names)), "1{label=Show}");
}

TEST(TrayMenu, GroupPropertiesKeepTheOrderAskedAndLeaveOutUnknownAndRepeatedIds) {
  const struct {
    std::vector<int> ids;
    std::vector<int> answered;
  } cases[] = {
      {{}, {}},
      {{2, 1}, {2, 1}},
      {{1, 9, 1, 0, -3}, {1, 0}},
      {{5}, {}},
  };
  for (const auto& c : cases) {
    std::vector<int> answered;
    for (const auto& [id, properties] : TrayMenuGroupProperties(c.ids, {"label"})) {
      answered.push_back(id);
      EXPECT_EQ(properties.size(), id == 0 ? 0u : 1u) << id;
    }
    EXPECT_EQ(answered, c.answered);
  }
  std::vector<int> many(kTrayMenuMaxIds, 7);
  many.push_back(1);
  EXPECT_TRUE(TrayMenuGroupProperties(many, {}).empty());
}

TEST(TrayMenu, OnlyAClickOnAnEntryIsACommand) {
  const struct {
    int id;
    const char* event;
    TrayCommand command;
  } cases[] = {
      {kTrayMenuShow, "clicked", TrayCommand::kShow},
      {kTrayMenuQuit, "clicked", TrayCommand::kQuit},
      {kTrayMenuQuit, "hovered", TrayCommand::kNone},
      {kTrayMenuQuit, "opened", TrayCommand::kNone},
      {kTrayMenuQuit, "Clicked", TrayCommand::kNone},
      {kTrayMenuQuit, "", TrayCommand::kNone},
      {kTrayMenuRoot, "clicked", TrayCommand::kNone},
      {3, "clicked", TrayCommand::kNone},
      {-1, "clicked", TrayCommand::kNone},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TrayMenuEvent(c.id, c.event), c.command) << c.id << " " << c.event;
}

TEST(TrayText, IsTrimmedCleanedBoundedValidAndNeverEmpty) {
  const std::string longest(kTrayMaxText, 'a');
  const struct {
    std::string text, fallback, shown;
  } cases[] = {
      {"Shop", "copy", "Shop"},
      {"  Shop \t", "copy", "Shop"},
      {"Two\nlines", "copy", "Two lines"},
      {"", "copy", "copy"},
      {" \x01 ", "copy", "copy"},
      {"", "", ""},
      {"bad \xC3( end", "", "bad \xEF\xBF\xBD( end"},
      {"caf\xC3\xA9", "", "caf\xC3\xA9"},
      {longest + "b", "", longest},
      // A two-byte character across the limit is left out whole.
      {std::string(kTrayMaxText - 1, 'a') + "\xC3\xA9", "", std::string(kTrayMaxText - 1, 'a')},
  };
  for (const auto& c : cases) EXPECT_EQ(TrayText(c.text, c.fallback), c.shown) << c.text;
}

TEST(TrayPixmap, RgbaRowsBecomeArgbInNetworkOrder) {
  // Two pixels a row, with two bytes of padding after each row.
  const std::string rgba(
      "\x10\x20\x30\x40"
      "\x50\x60\x70\x80"
      "PP"
      "\xA0\xB0\xC0\xD0"
      "\x01\x02\x03\x04"
      "PP",
      20);
  const auto pixmap = TrayPixmapOf(rgba, 2, 2, 10, 4);
  ASSERT_TRUE(pixmap);
  EXPECT_EQ(pixmap->width, 2);
  EXPECT_EQ(pixmap->height, 2);
  EXPECT_EQ(pixmap->argb, std::string("\x40\x10\x20\x30"
                                      "\x80\x50\x60\x70"
                                      "\xD0\xA0\xB0\xC0"
                                      "\x04\x01\x02\x03",
                                      16));
  // Without alpha every pixel is opaque; the last row needs no padding.
  const auto rgb = TrayPixmapOf(std::string("\x01\x02\x03\x04\x05\x06", 6), 1, 2, 3, 3);
  ASSERT_TRUE(rgb);
  EXPECT_EQ(rgb->argb, std::string("\xFF\x01\x02\x03\xFF\x04\x05\x06", 8));
}

TEST(TrayPixmap, SizesThatDoNotFitTheBytesAreRefused) {
  const std::string bytes(4 * 4 * 4, '\x7f');
  const struct {
    int width, height, rowstride, channels;
    bool made;
  } cases[] = {
      {4, 4, 16, 4, true},
      {4, 4, 16, 3, true},   // rows wider than needed
      {4, 4, 15, 4, false},  // a row shorter than its pixels
      {4, 5, 16, 4, false},  // more rows than bytes
      {0, 4, 16, 4, false},
      {4, 0, 16, 4, false},
      {-1, 4, 16, 4, false},
      {4, 4, -16, 4, false},
      {4, 4, 16, 2, false},
      {4, 4, 16, 5, false},
      {kTrayMaxIconSide + 1, 1, 4 * (kTrayMaxIconSide + 1), 4, false},
  };
  for (const auto& c : cases) {
    const auto pixmap = TrayPixmapOf(bytes, c.width, c.height, c.rowstride, c.channels);
    EXPECT_EQ(pixmap.has_value(), c.made) << c.width << "x" << c.height << " " << c.rowstride;
    if (pixmap) {
      EXPECT_EQ(pixmap->argb.size(), static_cast<std::size_t>(c.width * c.height * 4));
    }
  }
  const std::string side(kTrayMaxIconSide * kTrayMaxIconSide * 4, '\0');
  EXPECT_TRUE(TrayPixmapOf(side, kTrayMaxIconSide, kTrayMaxIconSide, kTrayMaxIconSide * 4, 4));
}

TEST(ColorScheme, ThePortalsValueTheKeyAndTheToolkitsOwnPreference) {
  EXPECT_EQ(ColorSchemeOfPortalValue(0), ColorScheme::kNoPreference);
  EXPECT_EQ(ColorSchemeOfPortalValue(1), ColorScheme::kDark);
  EXPECT_EQ(ColorSchemeOfPortalValue(2), ColorScheme::kLight);
  EXPECT_EQ(ColorSchemeOfPortalValue(3), ColorScheme::kNoPreference);
  EXPECT_EQ(ColorSchemeOfPortalValue(0xFFFFFFFF), ColorScheme::kNoPreference);
  const struct {
    std::optional<bool> key;
    std::optional<ColorScheme> desktop;
    bool toolkit;
    bool dark;
  } cases[] = {
      // The key wins over everything.
      {true, ColorScheme::kLight, false, true},
      {false, ColorScheme::kDark, true, false},
      // Unset: the desktop's preference when it has one.
      {std::nullopt, ColorScheme::kDark, false, true},
      {std::nullopt, ColorScheme::kLight, true, false},
      // No preference, or no portal: the toolkit's own.
      {std::nullopt, ColorScheme::kNoPreference, true, true},
      {std::nullopt, ColorScheme::kNoPreference, false, false},
      {std::nullopt, std::nullopt, true, true},
      {std::nullopt, std::nullopt, false, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PrefersDark(c.key, c.desktop, c.toolkit), c.dark)
        << (c.key ? (*c.key ? "1" : "0") : "unset") << " "
        << (c.desktop ? static_cast<int>(*c.desktop) : -1) << " " << c.toolkit;
}

}  // namespace
}  // namespace wb
