#include "model/window_snapshot.h"

namespace wb {

WindowState ModelSnapshot(const WebFormModel& model, const PermissionPrompts& prompts,
                          const FindInPage& find, int zoomPercent) {
  WindowState s;
  s.address = model.AddrText();
  s.status = model.StatusText();
  s.history = model.HistoryList();
  s.historyIndex = model.HistoryIndex();
  s.recent = model.AddrItems();
  s.back = model.acBackUpdate();
  s.forward = model.acForwardUpdate();
  for (const auto& link : model.Links())
    s.links.push_back({link.caption, link.address, link.icon, link.name});
  s.error = model.PageErrorShown();
  if (const PermissionRequest* prompt = prompts.Current())
    s.prompt = WindowState::Prompt{prompt->origin, PermissionRequestText(*prompt)};
  if (find.IsOpen()) s.find = WindowState::Find{find.TextSought(), find.Matches(), find.Current()};
  s.zoom = zoomPercent;
  return s;
}

}  // namespace wb
