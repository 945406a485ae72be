#!/usr/bin/python3
"""The compiler on a real pseudo-terminal, as a person at a terminal meets it.

Run by CTest with NORVANE_COMPILER (the compiler), NORVANE_SCENE_TOOL (norvane-scene) and
NORVANE_TEST_TMP (a scratch folder) in the environment.
"""
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import termios
import time
import unittest

sys.dont_write_bytecode = True  # no compiled copy of the helper beside the sources
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "support"))
from pseudo_terminal import PseudoTerminal

COMPILER = os.environ.get("NORVANE_COMPILER", "")
SCENE_TOOL = os.environ.get("NORVANE_SCENE_TOOL", "")
TIMEOUT = 60.0

UTF8_ENV = dict(os.environ, LC_ALL="C.UTF-8", LANG="C.UTF-8")


class ConsoleTerminal(PseudoTerminal):
    """A pseudo-terminal whose both ends this process keeps, so that the terminal's settings
    can be read before, during and after a run."""

    def settings(self):
        """What `stty -g` prints for the terminal."""
        return subprocess.run(["stty", "-g"], stdin=self.slave, capture_output=True, check=True).stdout

    def wait_for_key_wait(self, process):
        """Waits until the run reads its key: the terminal is no longer in line mode."""
        deadline = time.monotonic() + TIMEOUT
        while termios.tcgetattr(self.slave)[3] & termios.ICANON:
            if process.poll() is not None or time.monotonic() > deadline:
                raise AssertionError("the run never waited for a key; the terminal shows %r" % self.output[-400:])
            self.pump(0.02)
        self.pump(0.05)

    def typed_line(self):
        """The line the terminal hands to the next reader once Enter is pressed: what the run
        left unread."""
        os.write(self.master, b"\n")
        ready, _, _ = select.select([self.slave], [], [], 5)
        return os.read(self.slave, 1024) if ready else b"<nothing>"


class TerminalTest(unittest.TestCase):
    def setUp(self):
        self.assertTrue(os.access(COMPILER, os.X_OK), "NORVANE_COMPILER is not set to the compiler")
        base = os.environ.get("NORVANE_TEST_TMP") or None
        if base:
            os.makedirs(base, exist_ok=True)
        self.folder = tempfile.mkdtemp(prefix="terminal-", dir=base)
        self.terminal = ConsoleTerminal()
        self.scene = os.path.join(self.folder, "scene.3ds")
        subprocess.run([SCENE_TOOL, "arena", "--seed", "3", "--faces", "200", self.scene], check=True,
                       stdout=subprocess.DEVNULL)

    def tearDown(self):
        self.terminal.close()
        shutil.rmtree(self.folder, ignore_errors=True)

    def start_and_wait(self, env=UTF8_ENV, stdout=None):
        process = self.terminal.start([COMPILER, "scene.3ds"], self.folder, env, stdout)
        self.terminal.wait_for_key_wait(process)
        return process

    def test_one_key_without_enter_ends_the_run_and_is_not_echoed(self):
        before = self.terminal.settings()
        process = self.start_and_wait()
        shown = len(self.terminal.output)
        os.write(self.terminal.master, b"k")
        self.assertEqual(self.terminal.wait_for_exit(process, 10), 0)
        self.assertNotIn(b"k", self.terminal.output[shown:], "the key was echoed")
        self.assertEqual(self.terminal.settings(), before)
        self.assertTrue(os.path.exists(os.path.join(self.folder, "scene.bsp")))

    def test_keys_of_several_bytes_are_read_whole(self):
        # An arrow sends an escape sequence, a letter beyond ASCII its UTF-8 bytes: nothing of
        # either may be left for the shell to take as typed text.
        for key in [b"\x1b[A", b"\x1bOP", b"\x1b[15~", "\u00e9".encode(), b"q"]:
            with self.subTest(key=key):
                process = self.start_and_wait()
                os.write(self.terminal.master, key)
                self.assertEqual(self.terminal.wait_for_exit(process, 10), 0)
                self.assertEqual(self.terminal.typed_line(), b"\n")

    def test_interruptions_during_the_wait_put_the_terminal_back(self):
        before = self.terminal.settings()
        for name, interrupt in [("Ctrl-C", b"\x03"), ("Ctrl-\\", b"\x1c"), ("SIGTERM", signal.SIGTERM),
                                ("SIGHUP", signal.SIGHUP)]:
            with self.subTest(interrupt=name):
                process = self.start_and_wait()
                if isinstance(interrupt, bytes):
                    os.write(self.terminal.master, interrupt)
                else:
                    process.send_signal(interrupt)
                status = self.terminal.wait_for_exit(process, 10)
                expected = {b"\x03": signal.SIGINT, b"\x1c": signal.SIGQUIT}.get(interrupt, interrupt)
                self.assertEqual(status, -expected, "the run should end by the signal it was sent")
                self.assertEqual(self.terminal.settings(), before)

    def test_output_elsewhere_leaves_a_note_that_the_run_waits(self):
        log = os.path.join(self.folder, "log.txt")
        with open(log, "wb") as out:
            process = self.start_and_wait(stdout=out)
        self.assertIn(b"norvane: waiting for a key press to end the run\r\n", self.terminal.output)
        os.write(self.terminal.master, b" ")
        self.assertEqual(self.terminal.wait_for_exit(process, 10), 0)
        with open(log, "rb") as f:
            text = f.read()
        # The log holds the console's own code page 437 bytes and nothing of the note.
        self.assertIn(b"\xcc\xcd Creating output file\n", text)
        self.assertNotIn(b"\xe2\x95", text)
        self.assertNotIn(b"waiting", text)

    def test_user_bytes_pass_unchanged_while_the_boxes_become_utf8(self):
        # 0xBA, 0xBC and 0xC9 are the bytes that code page 437 draws as ║ ╝ ╔.
        name = b"\xba\xbc\xc9.3ds"
        os.rename(self.scene, os.path.join(self.folder.encode(), name))
        process = self.terminal.start([COMPILER.encode(), name], self.folder, UTF8_ENV)
        self.terminal.wait_for_key_wait(process)
        os.write(self.terminal.master, b"k")
        self.assertEqual(self.terminal.wait_for_exit(process, TIMEOUT), 0)
        shown = self.terminal.output
        self.assertIn(b"Loading file \xba\xbc\xc9.3ds .. Done", shown)
        self.assertIn("\u2554\u2550\u2550".encode(), shown)  # the logo's ╔══
        self.assertIn("\u2560\u2550 Creating output file".encode(), shown)
        for box in b"\xc8\xcb\xcc\xcd":
            self.assertNotIn(bytes([box]), shown, "a code page 437 box byte reached the terminal")
        self.assertTrue(os.path.exists(os.path.join(self.folder.encode(), b"\xba\xbc\xc9.bsp")))

if __name__ == "__main__":
    unittest.main(verbosity=2)
