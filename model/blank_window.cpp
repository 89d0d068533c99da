#include "model/blank_window.h"

namespace wb {

bool IsBlankAddress(const std::string& address) {
  return address.empty() || address == "about:blank";
}

BlankWindow::Step BlankWindow::Show() {
  if (shown_) return Step::kNone;
  shown_ = true;
  return Step::kShow;
}

BlankWindow::Step BlankWindow::Navigation(const std::string& address, bool inside) {
  if (!Waiting() || IsBlankAddress(address)) return Step::kNone;
  if (!inside) {
    state_ = State::kGone;
    return Step::kSendOut;
  }
  state_ = State::kLoading;
  return Step::kLoadHere;
}

BlankWindow::Step BlankWindow::Looked(bool written, std::int64_t nowMs) {
  if (state_ != State::kWaiting) return Step::kNone;
  if (written) {
    state_ = State::kWritten;
    return Show();
  }
  if (nowMs - createdMs_ < waitMs_) return Step::kNone;
  state_ = State::kGone;
  return Step::kClose;
}

BlankWindow::Step BlankWindow::ReadyToShow() {
  if (state_ == State::kChild) return Show();
  readyAsked_ = true;
  return Step::kNone;
}

BlankWindow::Step BlankWindow::Committed() {
  if (state_ != State::kLoading) return Step::kNone;
  state_ = State::kChild;
  return readyAsked_ ? Show() : Step::kNone;
}

BlankWindow::Step BlankWindow::Download() {
  if (state_ != State::kLoading) return Step::kNone;
  state_ = State::kGone;
  return shown_ ? Step::kDownloadInOpener : Step::kDownloadInOpenerAndClose;
}

}  // namespace wb
