// ConnectionPoint: the list of event sinks connected to one source object.
//
// Sinks connect with Advise, which hands back a cookie (never 0) that Unadvise takes to
// disconnect. Fire calls every connected sink synchronously in connection order; it walks a
// copy of the list, so a sink may connect or disconnect sinks while an event runs without
// disturbing that event. An error escaping one sink does not reach the raiser and does not keep
// the event from the sinks after it, as a source ignores the results of its sinks' calls.
// The connection point holds a reference to each sink until it is disconnected or destroyed.
// Used on the owning object's thread only.
#pragma once

#include <cstdint>
#include <exception>
#include <utility>
#include <vector>

#include "platform/automation/AutomationError.h"
#include "platform/automation/Object.h"

namespace automation {

template <class Sink>
class ConnectionPoint {
 public:
  using Cookie = std::uint32_t;

  // Raises AutomationError (invalid argument) for an empty sink.
  Cookie Advise(const ObjectPtr<Sink>& sink) {
    if (!sink) {
      RaiseRuntimeError(kErrInvalidCall);
    }
    const Cookie cookie = ++mLastCookie;
    mSinks.emplace_back(cookie, sink);
    return cookie;
  }

  // False when the cookie names no current connection.
  bool Unadvise(Cookie cookie) {
    for (auto it = mSinks.begin(); it != mSinks.end(); ++it) {
      if (it->first == cookie) {
        mSinks.erase(it);
        return true;
      }
    }
    return false;
  }

  std::size_t GetConnectionCount() const { return mSinks.size(); }

  template <class Call>
  void Fire(Call&& call) const {
    const auto snapshot = mSinks;
    for (const auto& connection : snapshot) {
      try {
        call(*connection.second);
      } catch (const std::exception&) {
        // The sink's failure is its own; the source goes on with the next sink.
      }
    }
  }

 private:
  std::vector<std::pair<Cookie, ObjectPtr<Sink>>> mSinks;
  Cookie mLastCookie = 0;
};

}  // namespace automation
