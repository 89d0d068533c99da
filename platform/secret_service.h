#pragma once
// Whether the system's secret service, where programs keep passwords, answers on the session
// bus (the name org.freedesktop.secrets): the name has an owner, or the bus can start one.
#include <glib.h>

#include <memory>

namespace wb {

class SecretServiceWatch {
 public:
  // Starts asking the session bus, without waiting: the answers come in the main loop of the
  // thread. Without a session bus there is no service.
  SecretServiceWatch();
  ~SecretServiceWatch();
  SecretServiceWatch(const SecretServiceWatch&) = delete;
  SecretServiceWatch& operator=(const SecretServiceWatch&) = delete;

  // Whether the service answers, as far as the bus has told: the name's owner is followed as
  // it comes and goes, and whether the bus can start one is asked once. False until the bus
  // has answered.
  bool Answers() const;
  // Whether the bus has answered both.
  bool Known() const;

  struct State;

 private:
  std::shared_ptr<State> state_;
  guint watch_ = 0;
};

// The program's watch, started by the first call.
SecretServiceWatch& SecretService();

}  // namespace wb
