/* A sound server that accepts every connection and never says a word: a client waits for its
 * greeting until its own time-out, as with a wedged server.
 *
 *   xr-mute-server SOCKET_PATH    runs until killed; the socket exists once it listens */
#include <stdio.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: xr-mute-server SOCKET_PATH\n");
    return 2;
  }
  struct sockaddr_un address;
  memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  if (strlen(argv[1]) >= sizeof address.sun_path) {
    fprintf(stderr, "xr-mute-server: socket path too long\n");
    return 2;
  }
  strcpy(address.sun_path, argv[1]);
  const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
  if (listener < 0 || bind(listener, (struct sockaddr*)&address, sizeof address) != 0 ||
      listen(listener, 64) != 0) {
    perror("xr-mute-server");
    return 1;
  }
  /* Accepted connections stay open and unread until the process ends. */
  for (;;) {
    if (accept(listener, NULL, NULL) < 0) sleep(1);
  }
}
