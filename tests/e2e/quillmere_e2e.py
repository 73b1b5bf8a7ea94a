"""Drives the built Quillmere application from outside, as a user would.

Every test gets its own X server (Xvfb on a free display), a window manager
(openbox) so that windows carry a real title bar with a close button, a fresh
home folder and a fresh temporary folder. The application is started as its own
process and is reached only through X input (xdotool), the clipboard (xclip),
screenshots (ImageMagick's import) and the files it leaves on disk.

Every wait polls its condition with a bounded time-out and, when the time-out
fires, names the condition it was waiting for. Every process started here is
ended again, whatever happens to the test.
"""

import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ElementTree

SCREEN_WIDTH = 1280
SCREEN_HEIGHT = 1024

FORM_WIDTH = 600
FORM_HEIGHT = 544

SETTINGS_KEYS = ("AppleID", "Password", "Team", "KeychainProfile")

REQUIRED_TOOLS = ("Xvfb", "openbox", "xdotool", "xclip", "xwininfo", "xprop", "xdpyinfo", "import")


class E2EFailure (Exception):
    pass


def fail (message):
    raise E2EFailure (message)


def check (condition, message):
    if not condition:
        fail (message)


def log (message):
    print (message, flush=True)


def wait_for (description, predicate, timeout=20.0, interval=0.1):
    """Polls predicate until it returns something true; returns that value."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            fail ("timed out after %.0f s waiting for: %s" % (timeout, description))
        time.sleep (interval)


#==============================================================================
# Widget centres, relative to the form's top-left corner, for the form's
# starting width of 600 (x, y, width, height from the form's layout).
def _centre (x, y, w, h):
    return (x + w // 2, y + h // 2)


W = FORM_WIDTH

WIDGETS = {
    "appleIdEditor":            _centre (128, 16, W - 176, 24),
    "appPasswordEditor":        _centre (128, 48, W - 176, 24),
    "teamEditor":               _centre (128, 80, W - 176, 24),
    "keychainProfileEditor":    _centre (128, 112, W - 176, 24),
    "productNameEditor":        _centre (120, 160, W - 168, 24),
    "appPathEditor":            _centre (88, 200, W - 232, 24),
    "appBrowseButton":          _centre (W - 104, 200, 88, 24),
    "appClearButton":           _centre (W - 136, 200, 24, 24),
    "auPathEditor":             _centre (88, 248, W - 232, 24),
    "auBrowseButton":           _centre (W - 104, 248, 88, 24),
    "vst3PathEditor":           _centre (88, 296, W - 232, 24),
    "vst3BrowseButton":         _centre (W - 104, 296, 88, 24),
    "vstPathEditor":            _centre (88, 352, W - 232, 24),
    "vstBrowseButton":          _centre (W - 104, 352, 88, 24),
    "resourcesPathEditor":      _centre (88, 400, W - 232, 24),
    "resourcesBrowseButton":    _centre (W - 104, 400, 88, 24),
    "createButton":             _centre (W // 2 - 84, 448, 168, 24),
    "notarizationCommandEditor": _centre (112, 496, W - 256, 24),
    "copyButton":               _centre (W - 136, 496, 88, 24),
    "background":               (8, 536),
}

REMEMBERED_EDITORS = (("AppleID", "appleIdEditor"),
                      ("Password", "appPasswordEditor"),
                      ("Team", "teamEditor"),
                      ("KeychainProfile", "keychainProfileEditor"))


#==============================================================================
def regex_escape (text):
    """Escapes a literal for xdotool's (POSIX extended) regular expressions."""
    return "".join ("\\" + c if c in ".^$*+?()[]{}|\\" else c for c in text)


def build_dir_from_app (app_path):
    # <build>/Quillmere_artefacts/<Config>/Quillmere
    return os.path.dirname (os.path.dirname (os.path.dirname (os.path.abspath (app_path))))


def settings_file (home):
    # JUCE's PropertiesFile on Linux: ~/<folderName>/<applicationName><suffix>.
    return os.path.join (home, "Vostrand", "Quillmere", "Quillmere.settings")


def read_settings (path):
    """The key/value pairs of a JUCE XML properties file, in file order."""
    check (os.path.isfile (path), "settings file missing: " + path)
    try:
        root = ElementTree.parse (path).getroot()
    except ElementTree.ParseError as e:
        fail ("settings file %s is not well-formed XML: %s" % (path, e))
    check (root.tag == "PROPERTIES", "settings file root is <%s>, expected <PROPERTIES>" % root.tag)
    values = {}
    for child in root:
        check (child.tag == "VALUE", "unexpected element <%s> in settings file" % child.tag)
        check ("name" in child.attrib and "val" in child.attrib,
               "VALUE element without name/val in settings file: %r" % child.attrib)
        values[child.attrib["name"]] = child.attrib["val"]
    return values


def file_fingerprint (path):
    st = os.stat (path)
    with open (path, "rb") as f:
        data = f.read()
    return (st.st_ino, st.st_mtime_ns, st.st_size, data)


def path_without (names, path):
    """PATH with every folder that holds one of the named programs replaced by a
    copy made of symbolic links to everything else in it (so that, say, JUCE's
    file chooser cannot find zenity or kdialog and shows its own dialog)."""
    shadow_root = None
    parts = []
    for folder in path.split (os.pathsep):
        if folder and any (os.path.exists (os.path.join (folder, n)) for n in names):
            if shadow_root is None:
                shadow_root = tempfile.mkdtemp (prefix="quillmere-e2e-path-")
            shadow = os.path.join (shadow_root, str (len (parts)))
            os.mkdir (shadow)
            for entry in os.listdir (folder):
                if entry not in names:
                    os.symlink (os.path.join (folder, entry), os.path.join (shadow, entry))
            parts.append (shadow)
        else:
            parts.append (folder)
    return os.pathsep.join (parts)


#==============================================================================
class Processes:
    """Every process this test started, so that each can be ended by its id."""

    def __init__ (self):
        self.children = []

    def start (self, args, **kwargs):
        p = subprocess.Popen (args, **kwargs)
        self.children.append (p)
        return p

    def end (self, p, grace=5.0):
        if p.poll() is None:
            try:
                p.terminate()
                p.wait (timeout=grace)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait (timeout=grace)
            except ProcessLookupError:
                pass
        if p in self.children:
            self.children.remove (p)

    def end_all (self):
        for p in reversed (list (self.children)):
            self.end (p)


class XSession:
    """An Xvfb display of its own, with openbox as its window manager."""

    def __init__ (self, workdir, processes, window_manager=True):
        self.workdir = workdir
        self.processes = processes
        self.display = None
        self.xvfb = None
        self.wm = None
        self._start_xvfb()
        if window_manager:
            self._start_openbox()

    def _start_xvfb (self):
        check (shutil.which ("Xvfb") is not None, "Xvfb is not installed (scripts/install-deps.sh installs it)")
        read_end, write_end = os.pipe()
        self.xvfb = self.processes.start (
            ["Xvfb", "-displayfd", str (write_end), "-screen", "0",
             "%dx%dx24" % (SCREEN_WIDTH, SCREEN_HEIGHT), "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL,
            stderr=open (os.path.join (self.workdir, "xvfb.log"), "w"))
        os.close (write_end)

        number = b""
        deadline = time.monotonic() + 20
        while not number.endswith (b"\n"):
            if time.monotonic() > deadline or self.xvfb.poll() is not None:
                fail ("timed out waiting for: Xvfb to report its display number")
            chunk = os.read (read_end, 16)
            if not chunk:
                break
            number += chunk
        os.close (read_end)
        check (number.strip().isdigit(), "Xvfb reported no display number")
        self.display = ":" + number.strip().decode()
        wait_for ("the X server on display %s to answer" % self.display,
                  lambda: self.run (["xdpyinfo"], check_status=False).returncode == 0)
        log ("X server on display " + self.display)

    def _start_openbox (self):
        check (shutil.which ("openbox") is not None, "openbox is not installed (scripts/install-deps.sh installs it)")
        wm_home = os.path.join (self.workdir, "wm-home")
        os.makedirs (wm_home, exist_ok=True)
        env = dict (os.environ, DISPLAY=self.display, HOME=wm_home)
        env.pop ("XDG_CONFIG_HOME", None)
        env.pop ("XDG_CACHE_HOME", None)
        self.wm = self.processes.start (["openbox", "--sm-disable"], env=env,
                                        stdout=subprocess.DEVNULL,
                                        stderr=open (os.path.join (self.workdir, "openbox.log"), "w"))
        wait_for ("openbox to manage display " + self.display,
                  lambda: "_NET_SUPPORTING_WM_CHECK(WINDOW)" in
                          self.run (["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], check_status=False).stdout)

    def env (self):
        return dict (os.environ, DISPLAY=self.display)

    def run (self, args, check_status=True, timeout=30, input_text=None):
        result = subprocess.run (args, env=self.env(), capture_output=True, text=True,
                                 timeout=timeout, input=input_text)
        if check_status and result.returncode != 0:
            fail ("%s failed (%d): %s" % (" ".join (args), result.returncode, result.stderr.strip()))
        return result

    #==========================================================================
    def windows (self, name_regex, pid=None):
        args = ["xdotool", "search", "--onlyvisible", "--name", name_regex]
        if pid is not None:
            args[2:2] = ["--all", "--pid", str (pid)]
        out = self.run (args, check_status=False).stdout
        return [int (w) for w in out.split()]

    def window_name (self, wid):
        return self.run (["xdotool", "getwindowname", str (wid)], check_status=False).stdout.rstrip ("\n")

    def geometry (self, wid, must_exist=True):
        """The window's own area (without decorations): x, y on the screen, width, height."""
        result = self.run (["xwininfo", "-id", str (wid)], check_status=must_exist)
        if result.returncode != 0:
            return None
        out = result.stdout
        def field (label):
            m = re.search (r"^\s*" + re.escape (label) + r":\s*(-?\d+)", out, re.M)
            check (m is not None, "xwininfo gave no %r for window %d" % (label, wid))
            return int (m.group (1))
        return (field ("Absolute upper-left X"), field ("Absolute upper-left Y"),
                field ("Width"), field ("Height"))

    def is_managed (self, wid):
        out = self.run (["xprop", "-id", str (wid), "WM_STATE"], check_status=False).stdout
        return "window state:" in out

    def frame_extents (self, wid):
        """left, right, top, bottom of the window manager's decorations."""
        out = self.run (["xprop", "-id", str (wid), "_NET_FRAME_EXTENTS"], check_status=False).stdout
        m = re.search (r"=\s*(\d+),\s*(\d+),\s*(\d+),\s*(\d+)", out)
        return tuple (int (v) for v in m.groups()) if m else (0, 0, 0, 0)

    def click (self, x, y, button=1):
        self.run (["xdotool", "mousemove", "--sync", str (x), str (y)])
        self.run (["xdotool", "click", str (button)])

    def type_text (self, text):
        self.run (["xdotool", "type", "--delay", "15", "--", text], timeout=120)

    def key (self, *keys):
        self.run (["xdotool", "key", "--delay", "30"] + list (keys))

    def activate (self, wid):
        self.run (["xdotool", "windowactivate", "--sync", str (wid)], check_status=False, timeout=10)

    def clipboard (self):
        r = self.run (["xclip", "-o", "-selection", "clipboard"], check_status=False, timeout=10)
        return r.stdout if r.returncode == 0 else None

    def set_clipboard (self, text):
        # xclip keeps serving the selection in the background until someone else takes it.
        p = self.processes.start (["xclip", "-i", "-selection", "clipboard", "-quiet"],
                                  env=self.env(), stdin=subprocess.PIPE,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, text=True)
        p.stdin.write (text)
        p.stdin.close()
        wait_for ("the clipboard to hold the test's marker text", lambda: self.clipboard() == text)
        return p

    def screenshot (self, path, wid=None):
        args = ["import", "-window", "root" if wid is None else str (wid), path]
        self.run (args, timeout=60)

    def close (self):
        if self.wm is not None:
            self.processes.end (self.wm)
        if self.xvfb is not None:
            self.processes.end (self.xvfb)


#==============================================================================
class App:
    """One running Quillmere process and its main window."""

    def __init__ (self, session, processes, app_path, home, tmpdir, name, args=(), extra_path=None, extra_env=None):
        self.session = session
        self.processes = processes
        self.name = name
        env = session.env()
        env.update (extra_env or {})
        env["HOME"] = home
        env["TMPDIR"] = tmpdir
        path = env.get ("PATH", os.defpath)
        if extra_path:
            path = path + os.pathsep + extra_path
        env["PATH"] = path_without (("zenity", "kdialog"), path)
        for k in ("XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_DESKTOP_DIR"):
            env.pop (k, None)
        self.log_path = os.path.join (os.path.dirname (home.rstrip ("/")) or ".", name + ".log")
        self.log_file = open (self.log_path, "w")
        self.process = processes.start ([app_path] + list (args), env=env, stdin=subprocess.DEVNULL,
                                        stdout=self.log_file, stderr=subprocess.STDOUT)
        # JUCE 7.0.5 maps a first, 128 x 128 window for a moment and then replaces
        # it by the one with the native title bar (on a loaded machine the first
        # one can stay for a second): wait for the window of the form's size, once
        # the window manager has framed it and it has stopped moving.
        self._last = None
        self._seen = "none"
        try:
            self.window = wait_for ("the window titled \"Quillmere\" of %s (pid %d) with a %d x %d content area"
                                    % (name, self.process.pid, FORM_WIDTH, FORM_HEIGHT), self._find_window)
        except E2EFailure as e:
            fail ("%s; windows of the process titled \"Quillmere\" seen last: %s" % (e, self._seen))
        log ("%s: pid %d, window %d" % (name, self.process.pid, self.window))

    def _find_window (self):
        if self.process.poll() is not None:
            fail ("%s exited with status %s before its window appeared; its output:\n%s"
                  % (self.name, self.process.returncode, self.output()))
        found = {}
        for wid in self.session.windows ("^Quillmere$", pid=self.process.pid):
            geometry = self.session.geometry (wid, must_exist=False)
            if geometry is not None:
                found[wid] = geometry
        self._seen = ", ".join ("%d at %d,%d sized %d x %d" % ((wid,) + g) for wid, g in found.items()) or "none"
        sized = [(wid, g) for wid, g in found.items() if g[2:] == (FORM_WIDTH, FORM_HEIGHT)]
        if len (sized) != 1:
            self._last = None
            return None
        wid, geometry = sized[0]
        if self.session.wm is not None and self.session.frame_extents (wid) == (0, 0, 0, 0):
            return None
        if self._last == sized[0]:
            return wid
        self._last = sized[0]
        return None

    def output (self):
        if not self.log_file.closed:
            self.log_file.flush()
        with open (self.log_path, errors="replace") as f:
            return f.read()

    def origin (self):
        x, y, _, _ = self.session.geometry (self.window)
        return x, y

    def point (self, widget):
        ox, oy = self.origin()
        dx, dy = WIDGETS[widget]
        return ox + dx, oy + dy

    def click (self, widget):
        x, y = self.point (widget)
        self.session.click (x, y)

    def has_focus (self):
        out = self.session.run (["xdotool", "getwindowfocus"], check_status=False).stdout.strip()
        return out.isdigit() and int (out) == self.window

    def fill (self, widget, text, replace=False):
        """Clicks into a field and types (over its whole text when replace is set)."""
        self.click (widget)
        wait_for ("the window of %s to have the keyboard focus after a click into %s" % (self.name, widget),
                  self.has_focus)
        if replace:
            self.session.key ("ctrl+a")
        self.session.type_text (text)

    def paste (self, widget, text):
        """Pastes text over the field's whole text, and waits until the field holds it."""
        holder = self.session.set_clipboard (text)
        self.click (widget)
        wait_for ("the window of %s to have the keyboard focus after a click into %s" % (self.name, widget),
                  self.has_focus)
        self.session.key ("ctrl+a", "ctrl+v")
        # The app fetches the clipboard while it handles the key; keep serving it until then.
        time.sleep (1.0)
        self.processes.end (holder)
        shown = self.read_field (widget)
        check (shown == text, "after pasting %d characters into %s it holds %d"
                              % (len (text), widget, len (shown)))

    def read_field (self, widget):
        """The field's text, through select-all and copy onto the clipboard."""
        marker = "<quillmere-e2e-marker>"
        holder = self.session.set_clipboard (marker)
        self.click (widget)
        self.session.key ("ctrl+a", "ctrl+c")
        text = wait_for ("the text of %s to reach the clipboard" % widget,
                         lambda: (lambda c: c if c is not None and c != marker else None) (self.session.clipboard()))
        self.processes.end (holder)
        return text

    #==========================================================================
    def find_window (self, title):
        """The visible windows of this process with exactly this title."""
        return self.session.windows ("^" + regex_escape (title) + "$", pid=self.process.pid)

    def wait_window (self, title, timeout=20):
        """A window of this process with this title, once the window manager
        manages it and it has stopped moving."""
        last = [None]
        def appeared():
            if self.process.poll() is not None:
                fail ("%s exited with status %s while waiting for the window %r; output:\n%s"
                      % (self.name, self.process.returncode, title, self.output()))
            found = self.find_window (title)
            if len (found) != 1:
                last[0] = None
                return None
            if self.session.wm is not None and not self.session.is_managed (found[0]):
                return None
            current = (found[0], self.session.geometry (found[0], must_exist=False))
            if current[1] is not None and current == last[0]:
                return found[0]
            last[0] = current
            return None
        return wait_for ("the window titled %r of %s to appear" % (title, self.name), appeared, timeout)

    def wait_window_gone (self, title, timeout=20):
        wait_for ("the window titled %r of %s to close" % (title, self.name),
                  lambda: not self.find_window (title), timeout)

    def window_has_focus (self, wid):
        out = self.session.run (["xdotool", "getwindowfocus"], check_status=False).stdout.strip()
        return out.isdigit() and int (out) == wid

    def choose_in_dialog (self, title, path, wait_gone=True):
        """Picks a folder in the framework's own chooser dialog, as a user does:
        types the folder's path into the "file:" box, presses Return to open the
        folder, then presses "Open"; and waits for the dialog to close, unless
        told not to (the dialog goes only once its answer has been handled)."""
        dialog = self.wait_window (title)
        x, y, w, h = self.session.geometry (dialog)
        # The dialog's "file:" box runs along its lower edge above the buttons;
        # "Open" is the right-most button in the bottom strip.
        self.session.click (x + w // 2, y + h - 63)
        wait_for ("the chooser %r to have the keyboard focus" % title, lambda: self.window_has_focus (dialog))
        self.session.key ("ctrl+a")
        self.session.type_text (path)
        self.session.key ("Return")
        self.session.click (x + w - 50, y + h - 25)
        if wait_gone:
            self.wait_window_gone (title)

    def cancel_dialog (self, title):
        """Presses "Cancel" in a chooser dialog: the button left of "Open"."""
        dialog = self.wait_window (title)
        x, y, w, h = self.session.geometry (dialog)
        self.session.click (x + w - 147, y + h - 25)
        self.wait_window_gone (title)

    def wait_output (self, text, timeout=20):
        wait_for ("%s to write %r; it wrote:\n%s" % (self.name, text, self.output()),
                  lambda: text in self.output(), timeout)

    def dismiss_dialog (self, title):
        """Closes a message box with its default button (Return)."""
        box = self.wait_window (title)
        self.session.activate (box)
        wait_for ("the dialog %r to have the keyboard focus" % title, lambda: self.window_has_focus (box))
        self.session.key ("Return")
        self.wait_window_gone (title)

    def close_button (self):
        """Where the window manager draws the close button: the right end of the title bar."""
        x, y, w, h = self.session.geometry (self.window)
        left, right, top, bottom = self.session.frame_extents (self.window)
        check (top > 0, "the window of %s has no title bar: is the window manager running?" % self.name)
        return x + w + right - 11, y - top + top // 2

    def press_close_button (self):
        x, y = self.close_button()
        self.session.click (x, y)

    def wait_exit (self, why, timeout=20):
        def exited():
            return self.process.poll() is not None
        wait_for ("%s (pid %d) to exit after %s" % (self.name, self.process.pid, why), exited, timeout)
        self.processes.end (self.process)
        self.log_file.close()
        return self.process.returncode

    def quit_with_close_button (self):
        self.press_close_button()
        status = self.wait_exit ("its close button was pressed")
        check (status == 0, "%s exited with status %d after its close button was pressed; output:\n%s"
                            % (self.name, status, self.output()))

    def quit_with_signal (self, sig):
        os.kill (self.process.pid, sig)
        status = self.wait_exit ("it was sent %s" % signal.Signals (sig).name)
        check (status == 0, "%s exited with status %d after %s (a negative status is the signal that "
                            "killed it); output:\n%s"
                            % (self.name, status, signal.Signals (sig).name, self.output()))


#==============================================================================
def main (test_body):
    """Runs test_body (context) with a fresh working folder and ends every
    process it started, also when the test is interrupted or times out."""
    if len (sys.argv) < 2:
        print ("usage: %s <path to the Quillmere binary> [working folder]" % sys.argv[0], file=sys.stderr)
        return 2

    app_path = os.path.abspath (sys.argv[1])
    processes = Processes()

    def on_signal (signum, frame):
        raise SystemExit (128 + signum)

    signal.signal (signal.SIGTERM, on_signal)
    signal.signal (signal.SIGINT, on_signal)
    signal.signal (signal.SIGHUP, on_signal)

    workdir = tempfile.mkdtemp (prefix="quillmere-e2e-")
    keep = False
    try:
        check (os.access (app_path, os.X_OK), "the application binary is missing: " + app_path)
        missing = [t for t in REQUIRED_TOOLS if shutil.which (t) is None]
        check (not missing, "missing tools (scripts/install-deps.sh installs them): " + ", ".join (missing))
        test_body (Context (app_path, workdir, processes))
        print ("PASSED", flush=True)
        return 0
    except E2EFailure as e:
        keep = True
        print ("FAILED: %s" % e, file=sys.stderr, flush=True)
        print ("(working folder kept: %s)" % workdir, file=sys.stderr)
        return 1
    finally:
        processes.end_all()
        if not keep:
            shutil.rmtree (workdir, ignore_errors=True)


class Context:
    def __init__ (self, app_path, workdir, processes):
        self.app_path = app_path
        self.workdir = workdir
        self.processes = processes
        self.build_dir = build_dir_from_app (app_path)
        self._count = 0

    def folder (self, name):
        path = os.path.join (self.workdir, name)
        os.makedirs (path, exist_ok=True)
        return path

    def session (self, window_manager=True):
        return XSession (self.workdir, self.processes, window_manager)

    def start_app (self, session, home, tmpdir=None, args=(), extra_path=None, extra_env=None):
        self._count += 1
        if tmpdir is None:
            tmpdir = self.folder ("tmp-%d" % self._count)
        return App (session, self.processes, self.app_path, home, tmpdir,
                    "run-%d" % self._count, args, extra_path, extra_env)
