// Waiting for a server connection's socket, with poll.
#include <poll.h>

#include <cerrno>

#include "platform/dao/PgDatabase.h"

namespace dao {

int WaitForSocket(int socket, bool write, int milliseconds) {
  if (socket < 0) {
    return -1;
  }
  pollfd entry{};
  entry.fd = socket;
  entry.events = write ? POLLOUT : POLLIN;
  for (;;) {
    const int ready = poll(&entry, 1, milliseconds);
    if (ready >= 0 || errno != EINTR) {
      return ready;
    }
  }
}

}  // namespace dao
