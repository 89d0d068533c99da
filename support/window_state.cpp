#include "support/window_state.h"

#include "support/json_writer.h"

namespace wb {

std::string WindowStateJson(const WindowState& s) {
  JsonWriter w;
  w.BeginObject();
  w.Member("address", s.address).Member("status", s.status).Member("caption", s.caption);
  w.Member("history", s.history).Member("historyIndex", s.historyIndex);
  w.Member("recent", s.recent).Member("back", s.back).Member("forward", s.forward);
  w.Key("links").BeginArray();
  for (const auto& link : s.links) {
    w.BeginObject().Member("caption", link.caption).Member("address", link.address);
    w.Member("icon", link.icon).Member("name", link.name).EndObject();
  }
  w.EndArray();
  const auto& bars = s.bars;
  w.Key("bars").BeginObject().Member("menu", bars.menu).Member("navbar", bars.navbar);
  w.Member("address", bars.address).Member("linkbar", bars.linkbar);
  w.Member("strip", bars.strip).Member("statusbar", bars.statusbar).EndObject();
  w.Member("banner", s.banner);
  w.Key("error");
  if (s.error) {
    w.BeginObject().Member("kind", s.error->kind).Member("address", s.error->address);
    w.Member("detail", s.error->detail);
    if (s.error->kind == "certificate")
      w.Member("host", s.error->host).Member("fingerprint", s.error->fingerprint);
    w.EndObject();
  } else {
    w.Null();
  }
  w.Key("prompt");
  if (s.prompt)
    w.BeginObject().Member("origin", s.prompt->origin).Member("kind", s.prompt->kind).EndObject();
  else
    w.Null();
  w.Member("leave", s.leave);
  w.Key("children").BeginArray();
  for (const auto& child : s.children) {
    w.BeginObject().Member("address", child.address).Member("title", child.title);
    w.Member("visible", child.visible).Member("leave", child.leave).EndObject();
  }
  w.EndArray();
  w.Key("layout").BeginObject().Member("width", s.layout.width);
  w.Member("height", s.layout.height).Key("parts").BeginArray();
  for (const auto& part : s.layout.parts) {
    w.BeginObject().Member("name", part.name).Member("y", part.y);
    w.Member("width", part.width).Member("height", part.height).EndObject();
  }
  w.EndArray().EndObject();
  w.Key("find");
  if (s.find) {
    w.BeginObject().Member("text", s.find->text).Member("matches", s.find->matches);
    w.Member("current", s.find->current).EndObject();
  } else {
    w.Null();
  }
  w.Member("zoom", s.zoom);
  w.Key("badge");
  if (s.badge)
    w.Int(*s.badge);
  else
    w.Null();
  w.Key("tray").BeginObject().Member("registered", s.tray.registered);
  w.Member("hidden", s.tray.hidden).EndObject();
  w.Key("window").BeginObject().Member("maximized", s.window.maximized);
  w.Member("fullscreen", s.window.fullscreen).Member("above", s.window.above).EndObject();
  w.Key("info");
  if (s.info) {
    w.BeginObject().Member("visible", s.info->visible).Member("address", s.info->address);
    w.Member("interval", s.info->interval).Member("timer", s.info->timer).EndObject();
  } else {
    w.Null();
  }
  w.Key("icon").BeginObject();
  if (s.icon) {
    w.Member("width", s.icon->width).Member("height", s.icon->height);
    w.Member("pixels", s.icon->pixels);
  }
  w.EndObject();
  w.Key("about");
  if (s.about) {
    const WindowState::About& a = *s.about;
    w.BeginObject().Member("title", a.title).Member("version", a.version);
    w.Member("copyright", a.copyright).Key("contact").BeginArray();
    for (const Text& line : a.contact) w.String(line);
    w.EndArray().Member("homepage", a.homepage).Member("shop", a.shop);
    w.Member("support", a.support).Key("logo").BeginObject();
    w.Member("width", a.logoWidth).Member("height", a.logoHeight).EndObject().EndObject();
  } else {
    w.Null();
  }
  w.EndObject();
  return w.Result();
}

}  // namespace wb
