/* The least a title writer can do, as a yardstick for the program's own cost: five work
 * ticks a second, each reading the active window and its title, /proc/stat and
 * /proc/meminfo; once a second a title is written (into a window of its own, so that it
 * does not fight the program over the focused window).
 *
 *   bench_floor [SECONDS]   runs until SIGTERM or for SECONDS; prints its tick count */
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <xcb/xcb.h>

static volatile sig_atomic_t stop;
static void on_term(int sig) { (void)sig; stop = 1; }

static xcb_atom_t atom(xcb_connection_t *c, const char *name) {
  xcb_intern_atom_reply_t *r =
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, (uint16_t)strlen(name), name), NULL);
  xcb_atom_t a = r ? r->atom : XCB_ATOM_NONE;
  free(r);
  return a;
}

static size_t read_file(const char *path, char *buffer, size_t size) {
  FILE *f = fopen(path, "r");
  if (!f) return 0;
  size_t n = fread(buffer, 1, size - 1, f);
  buffer[n] = 0;
  fclose(f);
  return n;
}

int main(int argc, char **argv) {
  double seconds = argc > 1 ? atof(argv[1]) : 0;
  signal(SIGTERM, on_term);
  signal(SIGINT, on_term);
  xcb_connection_t *c = xcb_connect(NULL, NULL);
  if (xcb_connection_has_error(c)) {
    fprintf(stderr, "bench_floor: cannot connect to the X server\n");
    return 1;
  }
  xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  xcb_atom_t active = atom(c, "_NET_ACTIVE_WINDOW");
  xcb_atom_t net_name = atom(c, "_NET_WM_NAME");
  xcb_atom_t utf8 = atom(c, "UTF8_STRING");
  xcb_window_t own = xcb_generate_id(c);
  xcb_create_window(c, XCB_COPY_FROM_PARENT, own, root, 0, 0, 10, 10, 0,
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, NULL);

  static char proc[16384];
  char title[128];
  long ticks = 0, checksum = 0;
  struct timespec next;
  clock_gettime(CLOCK_MONOTONIC, &next);
  while (!stop && (seconds <= 0 || ticks < (long)(seconds * 5))) {
    next.tv_nsec += 200000000L;
    if (next.tv_nsec >= 1000000000L) {
      next.tv_nsec -= 1000000000L;
      next.tv_sec += 1;
    }
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, NULL);
    ++ticks;

    checksum += (long)read_file("/proc/stat", proc, sizeof proc);
    checksum += (long)read_file("/proc/meminfo", proc, sizeof proc);
    xcb_get_property_reply_t *r = xcb_get_property_reply(
        c, xcb_get_property(c, 0, root, active, XCB_ATOM_WINDOW, 0, 1), NULL);
    xcb_window_t window = XCB_NONE;
    if (r && xcb_get_property_value_length(r) >= 4) {
      window = *(xcb_window_t *)xcb_get_property_value(r);
    }
    free(r);
    if (window != XCB_NONE) {
      xcb_generic_error_t *error = NULL;
      r = xcb_get_property_reply(
          c, xcb_get_property(c, 0, window, net_name, XCB_ATOM_ANY, 0, 1u << 24), &error);
      if (r) checksum += xcb_get_property_value_length(r);
      free(r);
      free(error);
    }
    if (ticks % 5 == 0) {
      int n = snprintf(title, sizeof title, "floor %ld", ticks / 5);
      xcb_change_property(c, XCB_PROP_MODE_REPLACE, own, net_name, utf8, 8, (uint32_t)n, title);
      xcb_change_property(c, XCB_PROP_MODE_REPLACE, own, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                          (uint32_t)n, title);
      xcb_flush(c);
    }
    xcb_generic_event_t *e;
    while ((e = xcb_poll_for_event(c)) != NULL) free(e);
  }
  printf("%ld %ld\n", ticks, checksum);
  xcb_disconnect(c);
  return 0;
}
