#pragma once
// The page's requests for permissions and the person's answers. A request is answered from
// what the person answered before for that origin and kind, or from the "allow" key for the
// start address's origin; otherwise it waits for the person, one question on the bar at a time.
// Requests that nobody answered are refused when the page is left.
//
// The answers are kept in the copy's store under CopyKey::kPermissions (storage/copy_store.h):
// value name PermissionValueName(origin, kind or "external:SCHEME"), value "allow" or "block".
#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "storage/copy_store.h"
#include "support/permissions.h"

namespace wb {

class PermissionPrompts {
 public:
  using Request = PermissionRequest;

  // More waiting requests than this are refused at once: a page that asks in a loop gets no
  // queue without end.
  static constexpr std::size_t kMaxWaiting = 8;

  // The store must outlive the prompts.
  explicit PermissionPrompts(CopyStore& store) : store_(store) {}

  // The kinds of the "allow" key, granted to `startOrigin` without asking.
  void Configure(std::string startOrigin, AllowList allow);

  // The answer already known: true allow, false block; none when the person must be asked. A
  // request for several kinds is allowed only when each is; one blocked kind blocks it. Handing
  // an address to another program is never granted by the "allow" key: only the person's
  // answer for that origin and scheme decides it. An origin for which no answer is kept
  // (AnswersKeptFor: none, or a file page's) is refused, never asked.
  std::optional<bool> Known(const std::string& origin,
                            const std::vector<PermissionKind>& kinds) const;
  std::optional<bool> Known(const Request& request) const;

  // Answers `answer` now when the answer is known, else when the person answers. A request
  // equal to one waiting already waits with it.
  void Ask(const Request& request, std::function<void(bool allow)> answer);

  // The question on the bar, or null.
  const Request* Current() const { return waiting_.empty() ? nullptr : &waiting_.front().request; }

  // The person's answer to the current question: remembered for each of its kinds (or its
  // scheme), and given to the page; an answer the store refuses still answers the page (the
  // store's owner reports the refusal), and the next such request asks again. The next question, if
  // any, takes its place.
  void Answer(bool allow);

  // The page was left: every waiting request is refused, nothing is remembered.
  void PageLeft();

  // The question on the bar changed (a new one, or none).
  std::function<void()> onChanged;

 private:
  std::optional<bool> KnownFor(const std::string& origin,
                               const std::vector<std::string>& grantNames) const;

  struct Waiting {
    Request request;
    std::vector<std::function<void(bool)>> answers;
  };

  CopyStore& store_;
  std::string startOrigin_;
  AllowList allow_;
  std::deque<Waiting> waiting_;
};

}  // namespace wb
