#!/usr/bin/python3
"""The compiler on a real pseudo-terminal, as a person at a terminal meets it.

Run by CTest with NORVANE_COMPILER (the compiler), NORVANE_SCENE_TOOL (norvane-scene) and
NORVANE_TEST_TMP (a scratch folder) in the environment.
"""
import os
import select
import shutil
import subprocess
import tempfile
import termios
import fcntl
import time
import unittest

COMPILER = os.environ.get("NORVANE_COMPILER", "")
SCENE_TOOL = os.environ.get("NORVANE_SCENE_TOOL", "")
TIMEOUT = 60.0

UTF8_ENV = dict(os.environ, LC_ALL="C.UTF-8", LANG="C.UTF-8")


class Terminal:
    """A pseudo-terminal whose both ends this process keeps, so that the terminal's settings
    can be read before, during and after a run."""

    def __init__(self):
        self.master, self.slave = os.openpty()
        self.output = b""

    def close(self):
        os.close(self.master)
        os.close(self.slave)

    def settings(self):
        """What `stty -g` prints for the terminal."""
        return subprocess.run(["stty", "-g"], stdin=self.slave, capture_output=True, check=True).stdout

    def start(self, args, cwd, env, stdout=None):
        """Starts a process in a session of its own with this terminal as its controlling
        terminal, so that keys such as Ctrl-C reach it as they would from a keyboard."""
        def take_terminal():
            fcntl.ioctl(0, termios.TIOCSCTTY, 0)
        return subprocess.Popen(args, cwd=cwd, env=env, stdin=self.slave,
                                stdout=self.slave if stdout is None else stdout, stderr=self.slave,
                                start_new_session=True, preexec_fn=take_terminal)

    def pump(self, seconds):
        """Reads what the terminal shows for up to `seconds`."""
        ready, _, _ = select.select([self.master], [], [], seconds)
        if ready:
            try:
                self.output += os.read(self.master, 65536)
            except OSError:
                pass

    def read_until(self, text, process):
        deadline = time.monotonic() + TIMEOUT
        while text not in self.output:
            if time.monotonic() > deadline:
                raise AssertionError("the terminal never showed %r; it shows %r" % (text, self.output[-400:]))
            self.pump(0.05)
        return self.output

    def wait_for_exit(self, process, seconds=TIMEOUT):
        deadline = time.monotonic() + seconds
        while process.poll() is None:
            if time.monotonic() > deadline:
                process.kill()
                process.wait()
                raise AssertionError("the run did not end; the terminal shows %r" % self.output[-400:])
            self.pump(0.05)
        self.pump(0.1)
        return process.returncode


class TerminalTest(unittest.TestCase):
    def setUp(self):
        self.assertTrue(os.access(COMPILER, os.X_OK), "NORVANE_COMPILER is not set to the compiler")
        base = os.environ.get("NORVANE_TEST_TMP") or None
        if base:
            os.makedirs(base, exist_ok=True)
        self.folder = tempfile.mkdtemp(prefix="terminal-", dir=base)
        self.terminal = Terminal()
        self.scene = os.path.join(self.folder, "scene.3ds")
        subprocess.run([SCENE_TOOL, "arena", "--seed", "3", "--faces", "200", self.scene], check=True,
                       stdout=subprocess.DEVNULL)

    def tearDown(self):
        self.terminal.close()
        shutil.rmtree(self.folder, ignore_errors=True)

    def test_user_bytes_pass_unchanged_while_the_boxes_become_utf8(self):
        # 0xBA, 0xBC and 0xC9 are the bytes that code page 437 draws as ║ ╝ ╔.
        name = b"\xba\xbc\xc9.3ds"
        os.rename(self.scene, os.path.join(self.folder.encode(), name))
        process = self.terminal.start([COMPILER.encode(), name], self.folder, UTF8_ENV)
        shown = self.terminal.read_until("\u255a\u2550 Done\r\n".encode(), process)
        os.write(self.terminal.master, b"\n")
        self.assertEqual(self.terminal.wait_for_exit(process), 0)
        self.assertIn(b"Loading file \xba\xbc\xc9.3ds .. Done", shown)
        self.assertIn("\u2554\u2550\u2550".encode(), shown)  # the logo's ╔══
        self.assertIn("\u2560\u2550 Creating output file".encode(), shown)
        for box in b"\xc8\xcb\xcc\xcd":
            self.assertNotIn(bytes([box]), shown, "a code page 437 box byte reached the terminal")
        self.assertTrue(os.path.exists(os.path.join(self.folder.encode(), b"\xba\xbc\xc9.bsp")))


if __name__ == "__main__":
    unittest.main(verbosity=2)
