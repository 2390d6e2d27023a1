/* Drops files on an X window the way a file manager does, speaking the XDND
 * protocol (version 5) as the drag source: enter, position, drop, the
 * selection "text/uri-list" handed over on request, then waits for the
 * target's finish. Wine turns such a drop into the WM_DROPFILES message.
 * Usage: xdnd_drop WINDOW X Y FILE...  (window id, root coordinates over it,
 * absolute file paths). Exit status 0 when the target accepted the drop. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static Display *display;
static Window source, target;

static Atom A(const char *name) { return XInternAtom(display, name, False); }

static void Send(const char *type, long l1, long l2, long l3, long l4) {
  XEvent event;
  memset(&event, 0, sizeof event);
  event.xclient.type = ClientMessage;
  event.xclient.window = target;
  event.xclient.message_type = A(type);
  event.xclient.format = 32;
  event.xclient.data.l[0] = (long)source;
  event.xclient.data.l[1] = l1;
  event.xclient.data.l[2] = l2;
  event.xclient.data.l[3] = l3;
  event.xclient.data.l[4] = l4;
  XSendEvent(display, target, False, NoEventMask, &event);
  XFlush(display);
}

/* The next client message of `type` for the source (other events handled:
 * the target's request for the dropped files); 0 after 10 s without one. */
static XEvent *Await(const char *type, const char *uris) {
  static XEvent event;
  const time_t until = time(NULL) + 10;
  while (time(NULL) < until) {
    if (!XPending(display)) {
      struct timespec pause = {0, 10000000};
      nanosleep(&pause, NULL);
      continue;
    }
    XNextEvent(display, &event);
    if (event.type == SelectionRequest) {
      XSelectionRequestEvent *request = &event.xselectionrequest;
      XEvent reply;
      memset(&reply, 0, sizeof reply);
      reply.xselection.type = SelectionNotify;
      reply.xselection.requestor = request->requestor;
      reply.xselection.selection = request->selection;
      reply.xselection.target = request->target;
      reply.xselection.time = request->time;
      reply.xselection.property = None;
      if (request->target == A("text/uri-list")) {
        XChangeProperty(display, request->requestor, request->property, request->target, 8,
                        PropModeReplace, (const unsigned char *)uris, (int)strlen(uris));
        reply.xselection.property = request->property;
      }
      XSendEvent(display, request->requestor, False, NoEventMask, &reply);
      XFlush(display);
    } else if (event.type == ClientMessage && event.xclient.message_type == A(type)) {
      return &event;
    }
  }
  fprintf(stderr, "xdnd_drop: no %s from the target\n", type);
  return NULL;
}

int main(int argc, char *argv[]) {
  if (argc < 5) {
    fprintf(stderr, "usage: xdnd_drop WINDOW X Y FILE...\n");
    return 2;
  }
  display = XOpenDisplay(NULL);
  if (!display) return 1;
  target = (Window)strtoul(argv[1], NULL, 0);
  const long x = atol(argv[2]), y = atol(argv[3]);
  char uris[65536] = "";
  for (int i = 4; i < argc; ++i)
    snprintf(uris + strlen(uris), sizeof uris - strlen(uris), "file://%s\r\n", argv[i]);
  source = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
  XSetSelectionOwner(display, A("XdndSelection"), source, CurrentTime);
  Send("XdndEnter", 5L << 24, (long)A("text/uri-list"), 0, 0);
  Send("XdndPosition", 0, (x << 16) | y, CurrentTime, (long)A("XdndActionCopy"));
  XEvent *status = Await("XdndStatus", uris);
  if (!status || !(status->xclient.data.l[1] & 1)) {
    fprintf(stderr, "xdnd_drop: the target refused the files\n");
    Send("XdndLeave", 0, 0, 0, 0);
    return 1;
  }
  Send("XdndDrop", 0, CurrentTime, 0, 0);
  const int finished = Await("XdndFinished", uris) != NULL;
  XCloseDisplay(display);
  return finished ? 0 : 1;
}
