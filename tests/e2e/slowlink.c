/* A display over a slow link, as over ssh or on a loaded machine: forwards X connections
 * made to one Unix socket to another, holding everything the server sends back for a
 * fixed time. Requests pass at once.
 *
 *   slowlink LISTEN_SOCKET SERVER_SOCKET DELAY_MS
 *
 * Prints "ready" once LISTEN_SOCKET takes connections; runs until killed. */
#include <errno.h>
#include <pthread.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

static long delay_ms;

struct chunk {
  struct chunk* next;
  struct timespec due;
  size_t size;
  char data[];
};

/* One direction of one connection. */
struct pipe {
  int from, to;
  int delayed;
  pthread_mutex_t lock;
  pthread_cond_t ready;
  struct chunk *head, *tail;
  int closed;
};

static int write_all(int fd, const char* p, size_t n) {
  while (n > 0) {
    ssize_t k = write(fd, p, n);
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) return -1;
    p += k;
    n -= (size_t)k;
  }
  return 0;
}

static void* deliver(void* arg) {
  struct pipe* p = arg;
  for (;;) {
    pthread_mutex_lock(&p->lock);
    while (p->head == NULL && !p->closed) pthread_cond_wait(&p->ready, &p->lock);
    struct chunk* c = p->head;
    if (c == NULL) {
      pthread_mutex_unlock(&p->lock);
      break;
    }
    p->head = c->next;
    if (p->head == NULL) p->tail = NULL;
    pthread_mutex_unlock(&p->lock);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &c->due, NULL) == EINTR) {
    }
    int failed = write_all(p->to, c->data, c->size);
    free(c);
    if (failed) break;
  }
  shutdown(p->to, SHUT_WR);
  return NULL;
}

static void* forward(void* arg) {
  struct pipe* p = arg;
  pthread_t deliverer;
  if (p->delayed) pthread_create(&deliverer, NULL, deliver, p);
  char buffer[65536];
  for (;;) {
    ssize_t n = read(p->from, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    if (!p->delayed) {
      if (write_all(p->to, buffer, (size_t)n)) break;
      continue;
    }
    struct chunk* c = malloc(sizeof *c + (size_t)n);
    c->next = NULL;
    c->size = (size_t)n;
    memcpy(c->data, buffer, (size_t)n);
    clock_gettime(CLOCK_MONOTONIC, &c->due);
    c->due.tv_nsec += delay_ms * 1000000L;
    c->due.tv_sec += c->due.tv_nsec / 1000000000L;
    c->due.tv_nsec %= 1000000000L;
    pthread_mutex_lock(&p->lock);
    if (p->tail) p->tail->next = c; else p->head = c;
    p->tail = c;
    pthread_cond_signal(&p->ready);
    pthread_mutex_unlock(&p->lock);
  }
  if (p->delayed) {
    pthread_mutex_lock(&p->lock);
    p->closed = 1;
    pthread_cond_signal(&p->ready);
    pthread_mutex_unlock(&p->lock);
    pthread_join(deliverer, NULL);
  } else {
    shutdown(p->to, SHUT_WR);
  }
  return NULL;
}

static int unix_socket(const char* path, struct sockaddr_un* address) {
  memset(address, 0, sizeof *address);
  address->sun_family = AF_UNIX;
  if (strlen(path) >= sizeof address->sun_path) return -1;
  strcpy(address->sun_path, path);
  return socket(AF_UNIX, SOCK_STREAM, 0);
}

int main(int argc, char** argv) {
  if (argc != 4) {
    fprintf(stderr, "usage: slowlink LISTEN_SOCKET SERVER_SOCKET DELAY_MS\n");
    return 2;
  }
  delay_ms = atol(argv[3]);
  signal(SIGPIPE, SIG_IGN);
  struct sockaddr_un listen_address, server_address;
  int listener = unix_socket(argv[1], &listen_address);
  if (listener < 0 || bind(listener, (struct sockaddr*)&listen_address, sizeof listen_address) ||
      listen(listener, 16)) {
    perror("slowlink: listen");
    return 1;
  }
  printf("ready\n");
  fflush(stdout);
  for (;;) {
    int client = accept(listener, NULL, NULL);
    if (client < 0) {
      if (errno == EINTR) continue;
      perror("slowlink: accept");
      return 1;
    }
    int server = unix_socket(argv[2], &server_address);
    if (server < 0 ||
        connect(server, (struct sockaddr*)&server_address, sizeof server_address) != 0) {
      close(client);
      if (server >= 0) close(server);
      continue;
    }
    /* Lives as long as the process: a test makes a handful of connections. */
    struct pipe* up = calloc(1, sizeof *up);
    struct pipe* down = calloc(1, sizeof *down);
    *up = (struct pipe){.from = client, .to = server};
    *down = (struct pipe){.from = server, .to = client, .delayed = 1};
    pthread_mutex_init(&down->lock, NULL);
    pthread_cond_init(&down->ready, NULL);
    pthread_t a, b;
    pthread_create(&a, NULL, forward, up);
    pthread_create(&b, NULL, forward, down);
    pthread_detach(a);
    pthread_detach(b);
  }
}
