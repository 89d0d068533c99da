#include "model/permission_prompts.h"

#include <utility>

namespace wb {

void PermissionPrompts::Configure(std::string startOrigin, AllowList allow) {
  startOrigin_ = std::move(startOrigin);
  allow_ = std::move(allow);
}

std::optional<bool> PermissionPrompts::Known(const std::string& origin,
                                             const std::vector<PermissionKind>& kinds) const {
  return Known(Request{origin, {}, kinds});
}

std::optional<bool> PermissionPrompts::Known(const Request& request) const {
  return KnownFor(request.origin, PermissionGrantNames(request));
}

std::optional<bool> PermissionPrompts::KnownFor(const std::string& origin,
                                                const std::vector<std::string>& grantNames) const {
  if (grantNames.empty() || !AnswersKeptFor(origin)) return false;
  bool allAllowed = true;
  for (const std::string& name : grantNames) {
    const std::string stored =
        ToUtf8(store_.Read(CopyKey::kPermissions, FromUtf8(PermissionValueName(origin, name))));
    if (stored == "block") return false;
    // The key's list holds permission kinds only, so no scheme's name is ever found in it.
    const std::optional<PermissionKind> kind = PermissionKindNamed(name);
    const bool granted =
        stored == "allow" || (origin == startOrigin_ && kind && allow_.Holds(*kind));
    if (!granted) allAllowed = false;
  }
  if (allAllowed) return true;
  return std::nullopt;
}

void PermissionPrompts::Ask(const Request& request, std::function<void(bool allow)> answer) {
  if (const auto known = Known(request)) {
    answer(*known);
    return;
  }
  for (auto& w : waiting_) {
    if (w.request.origin == request.origin && w.request.kinds == request.kinds &&
        w.request.scheme == request.scheme) {
      w.answers.push_back(std::move(answer));
      return;
    }
  }
  if (waiting_.size() >= kMaxWaiting) {
    answer(false);
    return;
  }
  waiting_.push_back({request, {}});
  waiting_.back().answers.push_back(std::move(answer));
  if (waiting_.size() == 1 && onChanged) onChanged();
}

void PermissionPrompts::Answer(bool allow) {
  if (waiting_.empty()) return;
  Waiting answered = std::move(waiting_.front());
  waiting_.pop_front();
  std::vector<VarChange> changes;
  for (const std::string& name : PermissionGrantNames(answered.request))
    changes.push_back({FromUtf8(PermissionValueName(answered.request.origin, name)),
                       allow ? u"allow" : u"block"});
  // The page gets the answer whether or not it can be kept; the store's owner says why not.
  if (!changes.empty()) (void)store_.Write(CopyKey::kPermissions, changes);
  for (auto& a : answered.answers) a(allow);
  if (onChanged) onChanged();
}

void PermissionPrompts::PageLeft() {
  if (waiting_.empty()) return;
  std::deque<Waiting> refused = std::move(waiting_);
  waiting_.clear();
  for (auto& w : refused)
    for (auto& a : w.answers) a(false);
  if (onChanged) onChanged();
}

}  // namespace wb
