// Waiting for a server connection's socket, with WSAPoll.
#include <winsock2.h>

#include "platform/dao/PgDatabase.h"

namespace dao {

int WaitForSocket(int socket, bool write, int milliseconds) {
  if (socket < 0) {
    return -1;
  }
  WSAPOLLFD entry{};
  entry.fd = static_cast<SOCKET>(socket);
  entry.events = write ? POLLWRNORM : POLLRDNORM;
  const int ready = WSAPoll(&entry, 1, milliseconds);
  return ready == SOCKET_ERROR ? -1 : ready;
}

}  // namespace dao
