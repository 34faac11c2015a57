"""Start and stop a private headless LibreOffice and talk to it through UNO.

Used by build_workbook.py, present_csv.py and the tests.  Each Office
instance owns one soffice process (started in its own process group with a
throw-away profile) and only ever stops that process.

Needs the system Python with the `uno` module (Debian: python3-uno).
"""

import os
import shutil
import signal
import subprocess
import tempfile
import time
import uuid

import uno
from com.sun.star.beans import PropertyValue
from com.sun.star.connection import NoConnectException

# com.sun.star.document.MacroExecMode.ALWAYS_EXECUTE_NO_WARN
ALWAYS_EXECUTE_NO_WARN = 4
# soffice asks to be started again after it created a fresh profile
RESTART_EXIT_CODE = 81


def props(**kwargs):
    """Tuple of PropertyValue from keyword arguments."""
    out = []
    for name, value in kwargs.items():
        p = PropertyValue()
        p.Name = name
        p.Value = value
        out.append(p)
    return tuple(out)


def file_url(path):
    return uno.systemPathToFileUrl(os.path.abspath(path))


def find_soffice():
    for name in ("soffice", "libreoffice"):
        found = shutil.which(name)
        if found:
            return found
    raise RuntimeError("soffice not found (install libreoffice-calc-nogui)")


class Office:
    """A headless LibreOffice reached through a named pipe.

    Use as a context manager:

        with Office() as office:
            doc = office.load("x.xls")
    """

    def __init__(self, start_timeout=90.0):
        self.start_timeout = start_timeout
        self.proc = None
        self.ctx = None
        self.desktop = None
        self.profile_dir = None
        self.pipe_name = "tq7_%s" % uuid.uuid4().hex

    # -- lifecycle ---------------------------------------------------------

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *exc):
        self.stop()
        return False

    def _spawn(self):
        cmd = [
            find_soffice(),
            "--headless", "--invisible", "--norestore", "--nologo",
            "--nodefault", "--nolockcheck",
            "-env:UserInstallation=" + file_url(self.profile_dir),
            "--accept=pipe,name=%s;urp;StarOffice.ComponentContext"
            % self.pipe_name,
        ]
        # Own process group: stop() can then end exactly what we started.
        return subprocess.Popen(
            cmd, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL, start_new_session=True)

    def start(self):
        self.profile_dir = tempfile.mkdtemp(prefix="tq7_lo_profile_")
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext(
            "com.sun.star.bridge.UnoUrlResolver", local)
        url = ("uno:pipe,name=%s;urp;StarOffice.ComponentContext"
               % self.pipe_name)
        restarts = 0
        self.proc = self._spawn()
        deadline = time.monotonic() + self.start_timeout
        try:
            while True:
                try:
                    self.ctx = resolver.resolve(url)
                    break
                except NoConnectException:
                    pass
                rc = self.proc.poll()
                if rc is not None:
                    if rc == RESTART_EXIT_CODE and restarts < 3:
                        restarts += 1
                        self._kill_group()
                        self.proc = self._spawn()
                    else:
                        raise RuntimeError(
                            "soffice exited with code %s before accepting "
                            "connections" % rc)
                if time.monotonic() > deadline:
                    raise RuntimeError("soffice did not accept a connection")
                time.sleep(0.25)
            self.desktop = self.ctx.ServiceManager.createInstanceWithContext(
                "com.sun.star.frame.Desktop", self.ctx)
        except BaseException:
            self.stop()
            raise

    def _kill_group(self):
        if self.proc is None:
            return
        try:
            os.killpg(self.proc.pid, signal.SIGKILL)
        except (ProcessLookupError, PermissionError):
            pass
        try:
            self.proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            pass

    def stop(self):
        """Terminate our soffice (politely, then by force) and drop the profile."""
        if self.desktop is not None:
            try:
                self.desktop.terminate()
            except Exception:
                pass  # the bridge goes away while terminating
        self.desktop = None
        self.ctx = None
        if self.proc is not None:
            try:
                self.proc.wait(timeout=30)
            except subprocess.TimeoutExpired:
                pass
            # Also catches helpers left in our group after the main one ended.
            self._kill_group()
            self.proc = None
        if self.profile_dir:
            shutil.rmtree(self.profile_dir, ignore_errors=True)
            self.profile_dir = None

    # -- documents -----------------------------------------------------------

    def new_calc(self):
        return self.desktop.loadComponentFromURL(
            "private:factory/scalc", "_blank", 0, props(Hidden=True))

    def load(self, path, **extra):
        args = dict(Hidden=True, MacroExecutionMode=ALWAYS_EXECUTE_NO_WARN)
        args.update(extra)
        doc = self.desktop.loadComponentFromURL(
            file_url(path), "_blank", 0, props(**args))
        if doc is None:
            raise RuntimeError("LibreOffice could not open %s" % path)
        return doc


def close_doc(doc):
    """Close a document without storing it."""
    try:
        doc.close(True)
    except Exception:
        try:
            doc.dispose()
        except Exception:
            pass
