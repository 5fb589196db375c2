/* A client window for the end-to-end tests, titled the way toolkits title theirs.
 *
 *   testwin [--dock] [--wm-name-only] [--compound-text] TITLE [SECOND_TITLE]
 *   testwin --props ID
 *   testwin --wm-ready SECONDS
 *   testwin --sample ID MS COUNT TEXT
 *
 * Prints the window id (0x...) once the window is mapped. SIGUSR1 sets SECOND_TITLE;
 * SIGUSR2 sets "TITLE #N", N counting the SIGUSR2 received (1, 2, ...); SIGTERM, SIGINT or the window manager's close end it. --wm-name-only sets only WM_NAME,
 * as older Xlib programs do; --compound-text sets only WM_NAME too, as COMPOUND_TEXT made of
 * the titles' bytes as given, as Xlib's XmbSetWMName does outside a UTF-8 locale; --dock
 * makes it a panel. --props prints window ID's WM_NAME and _NET_WM_NAME as the server holds
 * them, type and bytes in hex ("-" for a property the window lacks), for exact comparison.
 * --wm-ready ends with status 0 once the window manager has answered a request through its
 * event loop (frame extents asked for a window never mapped, so nothing on the screen
 * changes), 1 when it has not within SECONDS.
 * --retitle MS sets "TITLE #N" every MS milliseconds, as a page whose title ticks does;
 * --set-back sets TITLE back whenever anyone else changes _NET_WM_NAME, and prints on its end
 * "set back N in MS ms". --sample reads window ID's _NET_WM_NAME COUNT times, MS apart, and
 * prints how many of the samples held TEXT. */
#include <errno.h>
#include <poll.h>
#include <time.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/signalfd.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xcb_icccm.h>

static xcb_connection_t* c;

static xcb_atom_t atom(const char* name) {
  xcb_intern_atom_reply_t* r =
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, (uint16_t)strlen(name), name), NULL);
  xcb_atom_t a = r ? r->atom : XCB_ATOM_NONE;
  free(r);
  return a;
}

/* Latin-1 bytes of a UTF-8 text; 0 when it has characters beyond U+00FF. */
static int to_latin1(const char* s, char* out) {
  const unsigned char* p = (const unsigned char*)s;
  while (*p) {
    if (*p < 0x80) {
      *out++ = (char)*p++;
    } else if ((*p == 0xC2 || *p == 0xC3) && (p[1] & 0xC0) == 0x80) {
      *out++ = (char)(((p[0] & 3) << 6) | (p[1] & 0x3F));
      p += 2;
    } else {
      return 0;
    }
  }
  *out = 0;
  return 1;
}

static void set_title(xcb_window_t w, const char* title, int wm_name_only, int compound) {
  char* latin1 = malloc(strlen(title) + 1);
  if (compound) {
    xcb_icccm_set_wm_name(c, w, atom("COMPOUND_TEXT"), 8, (uint32_t)strlen(title), title);
    wm_name_only = 1;
  } else if (to_latin1(title, latin1)) {
    xcb_icccm_set_wm_name(c, w, XCB_ATOM_STRING, 8, (uint32_t)strlen(latin1), latin1);
  } else {
    xcb_icccm_set_wm_name(c, w, atom("UTF8_STRING"), 8, (uint32_t)strlen(title), title);
  }
  free(latin1);
  if (!wm_name_only) {
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, atom("_NET_WM_NAME"), atom("UTF8_STRING"), 8,
                        (uint32_t)strlen(title), title);
  }
  xcb_flush(c);
}

static void print_property(xcb_window_t w, const char* name) {
  xcb_get_property_reply_t* r =
      xcb_get_property_reply(c, xcb_get_property(c, 0, w, atom(name), XCB_ATOM_ANY, 0, 1u << 24),
                             NULL);
  printf("%s", name);
  if (r == NULL || r->type == XCB_ATOM_NONE) {
    printf(" -\n");
  } else {
    xcb_get_atom_name_reply_t* n = xcb_get_atom_name_reply(c, xcb_get_atom_name(c, r->type), NULL);
    printf(" %.*s/%u ", n ? xcb_get_atom_name_name_length(n) : 0, n ? xcb_get_atom_name_name(n) : "",
           r->format);
    free(n);
    const unsigned char* v = xcb_get_property_value(r);
    for (int k = 0; k < xcb_get_property_value_length(r); ++k) printf("%02x", v[k]);
    printf("\n");
  }
  free(r);
}

static int print_properties(const char* id) {
  c = xcb_connect(NULL, NULL);
  if (xcb_connection_has_error(c)) return 1;
  xcb_window_t w = (xcb_window_t)strtoul(id, NULL, 0);
  print_property(w, "WM_NAME");
  print_property(w, "_NET_WM_NAME");
  xcb_disconnect(c);
  return 0;
}

static long long now_ms(void);

static char* net_name(xcb_window_t w) {
  xcb_get_property_reply_t* r = xcb_get_property_reply(
      c, xcb_get_property(c, 0, w, atom("_NET_WM_NAME"), XCB_ATOM_ANY, 0, 1u << 16), NULL);
  int n = r ? xcb_get_property_value_length(r) : 0;
  char* text = malloc((size_t)n + 1);
  if (n > 0) memcpy(text, xcb_get_property_value(r), (size_t)n);
  text[n] = 0;
  free(r);
  return text;
}

static int sample(const char* id, int ms, int count, const char* text) {
  c = xcb_connect(NULL, NULL);
  if (xcb_connection_has_error(c)) return 1;
  xcb_window_t w = (xcb_window_t)strtoul(id, NULL, 0);
  int held = 0;
  /* MS apart on average, each gap drawn anew: samples on a fixed beat would keep one phase
   * to a window's retitles for the whole run and count either every answer's latency or
   * none of it. */
  srand((unsigned)getpid());
  struct timespec next;
  clock_gettime(CLOCK_MONOTONIC, &next);
  for (int k = 0; k < count; ++k) {
    char* title = net_name(w);
    held += strstr(title, text) != NULL;
    free(title);
    long long gap_us = ms * 500LL + rand() % (ms > 0 ? ms * 1000 : 1);
    next.tv_nsec += (long)(gap_us * 1000);
    next.tv_sec += next.tv_nsec / 1000000000L;
    next.tv_nsec %= 1000000000L;
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, NULL) == EINTR) {
    }
  }
  printf("%d\n", held);
  xcb_disconnect(c);
  return 0;
}

static long long now_ms(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (long long)t.tv_sec * 1000 + t.tv_nsec / 1000000;
}

/* The request goes again every 100 ms: a manager that took an event in and left it
 * unhandled (openbox 3.6 can, while it starts up) handles it on the next one. */
static int wait_for_wm(int seconds) {
  c = xcb_connect(NULL, NULL);
  if (xcb_connection_has_error(c)) return 1;
  xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  xcb_window_t w = xcb_generate_id(c);
  uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
  xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, 0, 0, 10, 10, 0,
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_EVENT_MASK, &mask);
  xcb_atom_t request = atom("_NET_REQUEST_FRAME_EXTENTS"), extents = atom("_NET_FRAME_EXTENTS");
  xcb_client_message_event_t message;
  memset(&message, 0, sizeof message);
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = w;
  message.type = request;
  long long deadline = now_ms() + seconds * 1000LL;
  int answered = 0;
  while (!answered && now_ms() < deadline && !xcb_connection_has_error(c)) {
    xcb_send_event(c, 0, screen->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   (const char*)&message);
    xcb_flush(c);
    struct pollfd fd = {xcb_get_file_descriptor(c), POLLIN, 0};
    poll(&fd, 1, 100);
    xcb_generic_event_t* e;
    while ((e = xcb_poll_for_event(c)) != NULL) {
      if ((e->response_type & 0x7F) == XCB_PROPERTY_NOTIFY &&
          ((xcb_property_notify_event_t*)e)->atom == extents) {
        answered = 1;
      }
      free(e);
    }
  }
  xcb_disconnect(c);
  return answered ? 0 : 1;
}

int main(int argc, char** argv) {
  int dock = 0, wm_name_only = 0, compound = 0, i = 1;
  unsigned renames = 0;
  if (argc == 3 && strcmp(argv[1], "--props") == 0) return print_properties(argv[2]);
  if (argc == 3 && strcmp(argv[1], "--wm-ready") == 0) return wait_for_wm(atoi(argv[2]));
  if (argc == 6 && strcmp(argv[1], "--sample") == 0)
    return sample(argv[2], atoi(argv[3]), atoi(argv[4]), argv[5]);
  int retitle_ms = 0, set_back = 0;
  for (; i < argc && strncmp(argv[i], "--", 2) == 0; ++i) {
    if (strcmp(argv[i], "--dock") == 0)
      dock = 1;
    else if (strcmp(argv[i], "--wm-name-only") == 0)
      wm_name_only = 1;
    else if (strcmp(argv[i], "--compound-text") == 0)
      compound = 1;
    else if (strcmp(argv[i], "--set-back") == 0)
      set_back = 1;
    else if (strcmp(argv[i], "--retitle") == 0 && i + 1 < argc)
      retitle_ms = atoi(argv[++i]);
  }
  if (i >= argc) {
    fprintf(stderr,
            "usage: testwin [--dock] [--wm-name-only] [--compound-text] TITLE [SECOND_TITLE]\n"
            "       testwin --props ID\n"
            "       testwin --wm-ready SECONDS\n");
    return 2;
  }
  const char* title = argv[i];
  const char* second = i + 1 < argc ? argv[i + 1] : title;

  sigset_t mask;
  sigemptyset(&mask);
  sigaddset(&mask, SIGUSR1);
  sigaddset(&mask, SIGUSR2);
  sigaddset(&mask, SIGTERM);
  sigaddset(&mask, SIGINT);
  sigprocmask(SIG_BLOCK, &mask, NULL);
  int sfd = signalfd(-1, &mask, 0);

  c = xcb_connect(NULL, NULL);
  if (xcb_connection_has_error(c)) {
    fprintf(stderr, "testwin: cannot connect to the X server\n");
    return 1;
  }
  xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  xcb_window_t w = xcb_generate_id(c);
  uint32_t values[] = {screen->white_pixel,
                       XCB_EVENT_MASK_STRUCTURE_NOTIFY |
                           (set_back ? XCB_EVENT_MASK_PROPERTY_CHANGE : 0)};
  xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, 0, 0, dock ? 300 : 240,
                    dock ? 24 : 120, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                    XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
  set_title(w, title, wm_name_only, compound);
  xcb_icccm_set_wm_class(c, w, 16, "testwin\0Testwin");
  xcb_icccm_wm_hints_t hints;
  xcb_icccm_wm_hints_set_none(&hints);
  xcb_icccm_wm_hints_set_input(&hints, 1);
  xcb_icccm_wm_hints_set_normal(&hints);
  xcb_icccm_set_wm_hints(c, w, &hints);
  xcb_atom_t delete_window = atom("WM_DELETE_WINDOW");
  xcb_icccm_set_wm_protocols(c, w, atom("WM_PROTOCOLS"), 1, &delete_window);
  if (dock) {
    xcb_atom_t type = atom("_NET_WM_WINDOW_TYPE_DOCK");
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32,
                        1, &type);
  }
  xcb_map_window(c, w);
  xcb_flush(c);
  printf("0x%x\n", w);
  fflush(stdout);

  struct pollfd fds[2] = {{xcb_get_file_descriptor(c), POLLIN, 0}, {sfd, POLLIN, 0}};
  const xcb_atom_t net_wm_name = atom("_NET_WM_NAME");
  const long long started = now_ms();
  long long next_retitle = started + retitle_ms;
  unsigned set_backs = 0;
  for (;;) {
    xcb_generic_event_t* e;
    while ((e = xcb_poll_for_event(c)) != NULL) {
      if ((e->response_type & 0x7F) == XCB_CLIENT_MESSAGE &&
          ((xcb_client_message_event_t*)e)->data.data32[0] == delete_window) {
        free(e);
        return 0;
      }
      if (set_back && (e->response_type & 0x7F) == XCB_PROPERTY_NOTIFY &&
          ((xcb_property_notify_event_t*)e)->atom == net_wm_name) {
        char* now = net_name(w);
        if (strcmp(now, title) != 0) {
          ++set_backs;
          set_title(w, title, wm_name_only, compound);
        }
        free(now);
      }
      free(e);
    }
    if (xcb_connection_has_error(c)) return 1;
    int timeout = -1;
    if (retitle_ms > 0) {
      long long wait = next_retitle - now_ms();
      if (wait <= 0) {
        char numbered[1024];
        snprintf(numbered, sizeof numbered, "%s #%u", title, ++renames);
        set_title(w, numbered, wm_name_only, compound);
        next_retitle += retitle_ms;
        continue;
      }
      timeout = (int)wait;
    }
    if (poll(fds, 2, timeout) <= 0) continue;
    if (fds[1].revents & POLLIN) {
      struct signalfd_siginfo info;
      if (read(sfd, &info, sizeof info) != sizeof info) continue;
      if (info.ssi_signo == SIGUSR1) {
        set_title(w, second, wm_name_only, compound);
      } else if (info.ssi_signo == SIGUSR2) {
        char numbered[1024];
        snprintf(numbered, sizeof numbered, "%s #%u", title, ++renames);
        set_title(w, numbered, wm_name_only, compound);
      } else {
        if (set_back) printf("set back %u in %lld ms\n", set_backs, now_ms() - started);
        fflush(stdout);
        xcb_disconnect(c);
        return 0;
      }
    }
  }
}
