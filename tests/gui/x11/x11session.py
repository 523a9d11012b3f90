"""Runs the real desktop program on a private X server with a window manager and drives it with
synthesised key and mouse events, as a user would."""

import ctypes
import os
import re
import select
import shutil
import subprocess
import tempfile
import time

SCREEN_WIDTH = 1280
SCREEN_HEIGHT = 1024
MAIN_CAPTION = "Velmora Cravent QP40231 CAN TO MODBUS TCP Slave"
# How long a window may take to open or close before the test fails: generous, since a busy
# machine is slow and a deadline only decides when to give up, never how fast a pass must be.
WAIT = 30.0


class Shot:
    """A picture of the whole screen, read from a binary PPM."""

    def __init__(self, data):
        header = re.match(rb"P6\s+(\d+)\s+(\d+)\s+(\d+)\s", data)
        if not header or int(header.group(3)) != 255:
            raise ValueError("not an 8-bit binary PPM")
        self.width, self.height = int(header.group(1)), int(header.group(2))
        self.pixels = data[header.end():]

    def pixel(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.pixels[i:i + 3])

    def region(self, x, y, width, height):
        """The rows of a rectangle, each a bytes object, for comparing regions between shots."""
        return [self.pixels[3 * ((y + row) * self.width + x):3 * ((y + row) * self.width + x + width)]
                for row in range(height)]

    def count(self, x, y, width, height, colour, tolerance=0):
        """How many pixels of the rectangle have the colour, within the tolerance per channel."""
        found = 0
        for row in self.region(x, y, width, height):
            for i in range(0, len(row), 3):
                if all(abs(row[i + c] - colour[c]) <= tolerance for c in range(3)):
                    found += 1
        return found


class StartFailure(Exception):
    """The X server or the window manager did not come up: worth another start."""


class XClient:
    """A connection of our own to the X server through libX11, for what the command-line clients
    cannot ask: who owns a selection, and waiting for the server's events instead of polling."""

    _ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
    _PROPERTY_CHANGE_MASK = 1 << 22
    _STRUCTURE_NOTIFY_MASK = 1 << 17
    _XA_WINDOW = 33

    def __init__(self, name, watch_root=True):
        x = self._x = ctypes.CDLL("libX11.so.6")
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XDefaultRootWindow.restype = ctypes.c_ulong
        x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x.XInternAtom.restype = ctypes.c_ulong
        x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        x.XGetSelectionOwner.restype = ctypes.c_ulong
        x.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        x.XGetWindowProperty.argtypes = [
            ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_long, ctypes.c_long,
            ctypes.c_int, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
            ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_ulong),
            ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_void_p)]
        x.XFree.argtypes = [ctypes.c_void_p]
        x.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
        x.XFlush.argtypes = [ctypes.c_void_p]
        x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        x.XPending.argtypes = [ctypes.c_void_p]
        x.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
        x.XConnectionNumber.argtypes = [ctypes.c_void_p]
        x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        # A window that went away between two questions is an answer ("not ready"), not the
        # end of the process, which is what Xlib's own error handler makes of it.
        self._on_error = self._ERROR_HANDLER(lambda display, event: 0)
        x.XSetErrorHandler(self._on_error)
        self._display = x.XOpenDisplay(name.encode())
        if not self._display:
            raise StartFailure(f"cannot connect to display {name}")
        self.root = x.XDefaultRootWindow(self._display)
        if watch_root:
            x.XSelectInput(self._display, self.root,
                           self._PROPERTY_CHANGE_MASK | self._STRUCTURE_NOTIFY_MASK)
            x.XFlush(self._display)
        self._event = ctypes.create_string_buffer(192)  # sizeof(XEvent)

    def close(self):
        if self._display:
            self._x.XCloseDisplay(self._display)
            self._display = None

    def _atom(self, name):
        return self._x.XInternAtom(self._display, name.encode(), 0)

    def _window_property(self, wid, name):
        """The window held in a WINDOW property, 0 when there is none (or no such window)."""
        kind, size, count, after = ctypes.c_ulong(), ctypes.c_int(), ctypes.c_ulong(), ctypes.c_ulong()
        data = ctypes.c_void_p()
        status = self._x.XGetWindowProperty(self._display, wid, self._atom(name), 0, 1, 0,
                                            self._XA_WINDOW, ctypes.byref(kind), ctypes.byref(size),
                                            ctypes.byref(count), ctypes.byref(after), ctypes.byref(data))
        self._x.XSync(self._display, 0)  # an error about a gone window arrives now, not later
        try:
            if status != 0 or kind.value != self._XA_WINDOW or size.value != 32 or count.value < 1:
                return 0
            return ctypes.cast(data, ctypes.POINTER(ctypes.c_ulong))[0]
        finally:
            if data:
                self._x.XFree(data)

    def window_manager_ready(self):
        """Whether a window manager has taken over the screen: it owns WM_S0 (ICCCM) and its
        check window names itself (EWMH). openbox sets both once it manages the screen."""
        if not self._x.XGetSelectionOwner(self._display, self._atom("WM_S0")):
            return False
        check = self._window_property(self.root, "_NET_SUPPORTING_WM_CHECK")
        return check != 0 and self._window_property(check, "_NET_SUPPORTING_WM_CHECK") == check

    def cursor_image(self):
        """The pointer's cursor as the server shows it now (XFixes): size, hot spot and pixels."""
        fixes = self._fixes()
        image = fixes.XFixesGetCursorImage(self._display)
        if not image:
            return None
        try:
            c = image.contents
            pixels = tuple(c.pixels[i] for i in range(c.width * c.height))
            return (c.width, c.height, c.xhot, c.yhot, pixels)
        finally:
            self._x.XFree(image)

    def _fixes(self):
        if getattr(self, "_xfixes", None) is None:
            class CursorImage(ctypes.Structure):
                _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short),
                            ("width", ctypes.c_ushort), ("height", ctypes.c_ushort),
                            ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                            ("cursor_serial", ctypes.c_ulong), ("pixels", ctypes.POINTER(ctypes.c_ulong)),
                            ("atom", ctypes.c_ulong), ("name", ctypes.c_char_p)]
            fixes = ctypes.CDLL("libXfixes.so.3")
            fixes.XFixesQueryVersion.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int),
                                                 ctypes.POINTER(ctypes.c_int)]
            fixes.XFixesGetCursorImage.restype = ctypes.POINTER(CursorImage)
            fixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
            major, minor = ctypes.c_int(6), ctypes.c_int(0)
            if not fixes.XFixesQueryVersion(self._display, ctypes.byref(major), ctypes.byref(minor)):
                raise RuntimeError("the X server lacks the XFixes extension")
            self._xfixes = fixes
        return self._xfixes

    def wait_for_events(self, timeout):
        """Returns once the root window reports a change, or at the timeout; drains the events."""
        if not self._x.XPending(self._display):
            select.select([self._x.XConnectionNumber(self._display)], [], [], max(timeout, 0))
        while self._x.XPending(self._display):
            self._x.XNextEvent(self._display, self._event)


class Session:
    """One X server with openbox and one running `cravent` with a program folder of its own."""

    # Under load (a build beside the tests on two cores) a start takes seconds; one that has not
    # finished within these deadlines is stuck, and a fresh start is the remedy. Only the start of
    # the server and the window manager is retried: what a test asserts is asked once.
    START_ATTEMPTS = 3
    SERVER_DEADLINE = 60.0
    WM_DEADLINE = 60.0
    APP_DEADLINE = 90.0

    def __init__(self, cravent, app_dir=None, wrapper=()):
        """`wrapper` runs the program, given as its arguments (a network namespace, for one)."""
        self.app_dir = app_dir or tempfile.mkdtemp(prefix="cravent-x11-")
        self._own_dir = app_dir is None
        self.start_failures = []
        self._client = None
        try:
            self._start_display()
            self._start_app([*wrapper, cravent])
        except BaseException:
            self.close()
            raise

    def _start_display(self):
        for _ in range(self.START_ATTEMPTS):
            try:
                self._start_server()
                self._start_window_manager()
                return
            except StartFailure as failure:
                self.start_failures.append(str(failure))
                self._stop("wm", "xvfb")
        raise RuntimeError(f"the X server with openbox did not start in {self.START_ATTEMPTS} "
                           f"attempts: {'; '.join(self.start_failures)}")

    def _start_server(self):
        read_fd, write_fd = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0",
             f"{SCREEN_WIDTH}x{SCREEN_HEIGHT}x24", "-nolisten", "tcp"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        # Xvfb writes its display number once it accepts clients.
        with os.fdopen(read_fd) as pipe:
            ready, _, _ = select.select([pipe], [], [], self.SERVER_DEADLINE)
            number = pipe.readline().strip() if ready else ""
        if not number:
            raise StartFailure("Xvfb ended before it gave a display" if ready else
                               f"Xvfb gave no display within {self.SERVER_DEADLINE:.0f} s")
        self.env = dict(os.environ, DISPLAY=":" + number, QT_QPA_PLATFORM="xcb", LC_ALL="C.UTF-8")
        self.env.pop("WAYLAND_DISPLAY", None)

    def _start_window_manager(self):
        client = XClient(self.env["DISPLAY"])
        messages = tempfile.TemporaryFile()
        try:
            self.wm = subprocess.Popen(["openbox", "--sm-disable"], env=self.env,
                                       stdout=subprocess.DEVNULL, stderr=messages)
            end = time.monotonic() + self.WM_DEADLINE
            while not client.window_manager_ready():
                if self.wm.poll() is not None:
                    messages.seek(0)
                    reason = messages.read().decode(errors="replace").strip()
                    raise StartFailure(f"openbox ended with status {self.wm.returncode}: {reason}")
                if time.monotonic() >= end:
                    raise StartFailure(f"openbox did not take the screen within {self.WM_DEADLINE:.0f} s")
                client.wait_for_events(min(0.5, end - time.monotonic()))
        finally:
            client.close()
            messages.close()

    def _start_app(self, command):
        self._app_messages = tempfile.TemporaryFile()
        self.app = subprocess.Popen([*command, "--app-dir", self.app_dir], env=self.env,
                                    stdout=subprocess.DEVNULL, stderr=self._app_messages)

        def main_window():
            if self.app.poll() is not None:  # the program under test is not restarted
                self._app_messages.seek(0)
                raise AssertionError(f"the program ended with status {self.app.returncode} before "
                                     f"its main window opened: {self._app_messages.read().decode(errors='replace')}")
            return next((w for w, t in self.windows() if t and t.startswith(MAIN_CAPTION)), None)
        try:
            self.main = self._wait(main_window, "the main window did not open", self.APP_DEADLINE)
        except AssertionError as failure:
            # What the program said and which windows were up tell a hung start from a slow one.
            self._app_messages.seek(0)
            said = self._app_messages.read().decode(errors="replace").strip()
            raise AssertionError(f"{failure}; the program said: {said or '(nothing)'}; windows: "
                                 f"{self.windows()}") from None

    def close(self):
        if self._client is not None:
            self._client.close()
            self._client = None
        self._stop("app", "wm", "xvfb")
        if self._own_dir:
            shutil.rmtree(self.app_dir, ignore_errors=True)

    def _stop(self, *names):
        for name in names:
            process = getattr(self, name, None)
            if process is None:
                continue
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(5)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
            setattr(self, name, None)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    # X clients ---------------------------------------------------------------------------------

    def _x(self, *command, check=False):
        result = subprocess.run(command, env=self.env, capture_output=True, text=True, timeout=20)
        if check and result.returncode != 0:
            raise RuntimeError(f"{command[0]} failed: {result.stderr.strip()}")
        return result.stdout

    @staticmethod
    def _wait(condition, message, timeout=WAIT):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            value = condition()
            if value:
                return value
            time.sleep(0.05)
        raise AssertionError(message)

    def settle(self, seconds=0.3):
        time.sleep(seconds)

    # Windows -----------------------------------------------------------------------------------

    def windows(self):
        """Mapped top-level client windows with their titles (_NET_WM_NAME), topmost last."""
        out = self._x("xprop", "-root", "_NET_CLIENT_LIST_STACKING")
        ids = re.findall(r"0x[0-9a-f]+", out)
        return [(int(w, 16), self.title(int(w, 16))) for w in ids
                if "IsViewable" in self._x("xwininfo", "-id", w)]

    def window(self, caption, timeout=WAIT):
        """The mapped window whose _NET_WM_NAME is exactly the caption."""
        def find():
            for wid, title in self.windows():
                if title == caption:
                    return wid
            return None
        try:
            wid = self._wait(find, "", timeout)
        except AssertionError:
            raise AssertionError(f"no window titled {caption!r}; mapped: {[t for _, t in self.windows()]}")
        # Keys sent before the window manager has activated the window would go to another one.
        try:
            self._wait(lambda: self.active() == wid, "", 5.0)
        except AssertionError:
            pass
        return wid

    def gone(self, caption, timeout=WAIT):
        self._wait(lambda: all(t != caption for _, t in self.windows()),
                   f"window {caption!r} did not close", timeout)

    def title(self, wid):
        out = self._x("xprop", "-id", str(wid), "-notype", "_NET_WM_NAME")
        match = re.search(r'= "(.*)"\s*$', out)
        return re.sub(r'\\(.)', r'\1', match.group(1)) if match else None

    def geometry(self, wid):
        """Position and size of the client area on the screen: (x, y, width, height)."""
        out = self._x("xwininfo", "-id", str(wid))
        value = lambda key: int(re.search(key + r":\s+(-?\d+)", out).group(1))
        return (value("Absolute upper-left X"), value("Absolute upper-left Y"),
                value("Width"), value("Height"))

    def settled_geometry(self, wid):
        """The geometry once the window manager has finished placing the window."""
        last = self.geometry(wid)
        for _ in range(20):
            time.sleep(0.15)
            now = self.geometry(wid)
            if now == last:
                return now
            last = now
        return last

    def set_title(self, wid, title):
        """Sets the caption the window manager shows, as the program would."""
        self._x("xprop", "-id", str(wid), "-f", "_NET_WM_NAME", "8u", "-set", "_NET_WM_NAME", title,
                check=True)
        self._wait(lambda: self.title(wid) == title, f"the caption did not become {title!r}")

    def title_text(self, wid):
        """The caption as the window manager drew it, once the drawing has settled: the number of
        white pixels of the title bar's text and their width from the first column to the last."""
        def reading():
            x, y, w, _ = self.geometry(wid)
            top, left, right, _ = self.frame_extents(wid)
            rows = self.shot().region(x - left, y - top, w + left + right, top)
            columns = [i // 3 for row in rows for i in range(0, len(row), 3)
                       if min(row[i:i + 3]) >= 250]
            return (len(columns), max(columns) - min(columns) + 1) if columns else (0, 0)
        last = reading()
        end = time.monotonic() + WAIT
        while time.monotonic() < end:
            time.sleep(0.1)
            now = reading()
            if now == last and now[0] > 0:
                return now
            last = now
        raise AssertionError(f"the title bar of window {wid} showed no settled caption")

    def cursor(self):
        """The pointer's cursor image as the server shows it now."""
        if self._client is None:
            self._client = XClient(self.env["DISPLAY"], watch_root=False)
        return self._client.cursor_image()

    def active(self):
        out = self._x("xdotool", "getactivewindow")
        return int(out.strip()) if out.strip() else None

    # Input -------------------------------------------------------------------------------------

    def key(self, *keys):
        for k in keys:
            self._x("xdotool", "key", "--clearmodifiers", k, check=True)
            time.sleep(0.06)

    def type(self, text):
        self._x("xdotool", "type", "--delay", "30", text, check=True)
        time.sleep(0.1)

    def click(self, wid, x, y):
        """A left click at (x, y) of the window's client area."""
        left, top, _, _ = self.geometry(wid)
        # Without --sync: xdotool would wait for ever for a pointer that is already there.
        self._x("xdotool", "mousemove", str(left + x), str(top + y), check=True)
        time.sleep(0.1)
        self._x("xdotool", "click", "1", check=True)
        time.sleep(0.15)

    def hover(self, wid, x, y):
        left, top, _, _ = self.geometry(wid)
        self._x("xdotool", "mousemove", str(left + x), str(top + y), check=True)
        time.sleep(0.15)

    def minimise(self, wid):
        self._x("xdotool", "windowminimize", "--sync", str(wid), check=True)
        self.settle()

    def restore(self, wid):
        self._x("xdotool", "windowactivate", "--sync", str(wid))
        self.settle()

    def close_request(self, wid):
        """The window manager's close request, as the title bar's close button sends it."""
        self._x("xdotool", "windowactivate", "--sync", str(wid))
        self.key("alt+F4")

    # Pictures ----------------------------------------------------------------------------------

    def _ppm(self, *xwd_args):
        xwd = subprocess.run(["xwd", "-silent", *xwd_args], env=self.env, capture_output=True,
                             timeout=20, check=True).stdout
        ppm = subprocess.run(["xwdtopnm"], input=xwd, capture_output=True, timeout=20,
                             check=True).stdout
        # The server's 16-bit channels become the 8-bit ones the colour tables speak of.
        return subprocess.run(["pamdepth", "255"], input=ppm, capture_output=True, timeout=20,
                              check=True).stdout

    def shot(self):
        """The whole screen."""
        return Shot(self._ppm("-root"))

    def window_shot(self, wid):
        """The client area of one window, as the window holds it. (Under Xvfb the screen's copy
        of some small dialogs stays black although the dialogs draw; the window's own copy is
        what they drew.)"""
        return Shot(self._ppm("-id", str(wid)))

    def save_png(self, wid, path):
        """Saves the window with the window manager's frame around it as a PNG."""
        x, y, w, h = self.geometry(wid)
        top, left, right, bottom = self.frame_extents(wid)
        frame = subprocess.run(["pamcut", str(x - left), str(y - top), str(w + left + right),
                                str(h + top + bottom)], input=self._ppm("-root"),
                               capture_output=True, check=True).stdout
        with tempfile.NamedTemporaryFile(suffix=".ppm") as client:
            client.write(self._ppm("-id", str(wid)))
            client.flush()
            whole = subprocess.run(["pnmpaste", client.name, str(left), str(top)], input=frame,
                                   capture_output=True, check=True).stdout
        png = subprocess.run(["pnmtopng", "-compression", "9"], input=whole, capture_output=True,
                             check=True).stdout
        with open(path, "wb") as f:
            f.write(png)

    def frame_extents(self, wid):
        """(top, left, right, bottom) of the window manager's frame."""
        out = self._x("xprop", "-id", str(wid), "_NET_FRAME_EXTENTS")
        numbers = [int(n) for n in re.findall(r"\d+", out.split("=")[-1])] if "=" in out else []
        if len(numbers) != 4:
            return (0, 0, 0, 0)
        left, right, top, bottom = numbers
        return (top, left, right, bottom)
