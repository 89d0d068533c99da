#pragma once
// The application's one standard error display. Errors that the design raises are
// exceptions; whichever handler they escape from, they end up here, are shown in a message
// box, and the window carries on.
#include <functional>
#include <string>

#include "support/text.h"

namespace wb {

// Installs the exception handler of the main loop. Call once, after GTK is initialised.
void InstallErrorDisplay();

// Shows a message as the error display does. For errors that arrive in engine callbacks,
// where an exception could not travel back through C code.
void ShowError(const Text& message);

// The message of the exception being handled (inside a catch block), as the error display
// shows it.
std::string CurrentExceptionMessage();

// Replaces the message box, for tests. An empty function restores the message box.
void SetErrorSink(std::function<void(const std::string& message)> sink);

}  // namespace wb
