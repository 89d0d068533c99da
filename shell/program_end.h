#pragma once
// The polite end of the program from outside: logout, kill, the terminal it ran in closing.
// Nobody may be there to answer a question then, so the program ends without asking, from
// wherever it is: its main loop, or the loop of a box or file chooser that is open.
#include <functional>

namespace wb {

// Runs `end` on SIGTERM, SIGINT and SIGHUP, on the main loop, after every open question and
// box has been closed (CloseEveryQuestion), so the loops they run of their own return and the
// main loop can end. Should the program still run 1.5 seconds later (a page, a box or a library
// that keeps it), it exits then; a second signal exits at once. Call once, with the main loop.
void EndOnSignals(std::function<void()> end);

}  // namespace wb
