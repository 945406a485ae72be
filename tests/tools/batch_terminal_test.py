#!/usr/bin/python3
"""norvane-build on a real pseudo-terminal, as a person at a build machine's terminal meets it:
a line per scene and a bar redrawn in place below them, and Ctrl-C from the keyboard.

Run by CTest with NORVANE_BUILD (norvane-build), NORVANE_SCENE_TOOL (norvane-scene) and
NORVANE_TEST_TMP (a scratch folder) in the environment.
"""
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True  # no compiled copy of the helper beside the sources
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "support"))
from pseudo_terminal import PseudoTerminal

BUILD = os.environ.get("NORVANE_BUILD", "")
SCENE_TOOL = os.environ.get("NORVANE_SCENE_TOOL", "")
TIMEOUT = 120.0
BAR = re.compile(rb"\r(\[[#.]*\] )?(\d+)/(\d+) scenes[^\r\n]*")


class BuildTerminalTest(unittest.TestCase):
    def setUp(self):
        self.assertTrue(os.access(BUILD, os.X_OK), "NORVANE_BUILD is not set to norvane-build")
        base = os.environ.get("NORVANE_TEST_TMP") or None
        if base:
            os.makedirs(base, exist_ok=True)
        self.folder = tempfile.mkdtemp(prefix="build-terminal-", dir=base)
        self.terminals = []

    def tearDown(self):
        for terminal in self.terminals:
            terminal.close()
        shutil.rmtree(self.folder, ignore_errors=True)

    def terminal(self, columns):
        terminal = PseudoTerminal(columns)
        self.terminals.append(terminal)
        return terminal

    def scene(self, kind, seed, faces):
        name = "%s%d.3ds" % (kind, seed)
        subprocess.run([SCENE_TOOL, kind, "--seed", str(seed), "--faces", str(faces),
                        os.path.join(self.folder, name)], check=True, stdout=subprocess.DEVNULL)
        return name

    def scenes(self):
        names = [self.scene("rock", seed, 2000) for seed in (1, 2)]
        names += [self.scene("arena", 3, 300), self.scene("city", 4, 2000)]
        with open(os.path.join(self.folder, "broken.3ds"), "wb") as f:
            f.write(b"MM\x10\x00\x00\x00garbage")
        return names + ["broken.3ds"]

    def temporaries(self):
        return [n for n in os.listdir(self.folder) if n.endswith(".norvane-tmp")]

    def test_a_line_per_scene_above_a_bar_redrawn_in_place(self):
        names = self.scenes()
        terminal = self.terminal(100)
        process = terminal.start([BUILD, "-j", "2"] + names, self.folder)
        self.assertEqual(terminal.wait_for_exit(process, TIMEOUT, 0.2), 1, "the broken scene fails the batch")
        shown = terminal.output
        pictures = [m.group(0).rstrip(b" ") for m in BAR.finditer(shown)]
        self.assertGreater(len(pictures), len(names), "the bar is drawn again after every scene line")
        for picture in pictures:
            self.assertLess(len(picture) - 1, 100, "the bar never reaches the last column: %r" % picture)
        self.assertIn(b"compiling", b"".join(pictures), "the bar counts the scenes in flight")
        # Every scene's line once, each on a line of its own that the bar was cleared from.
        for name in names:
            pattern = (rb"\r *\r(ok      %s -> %s: \d+ nodes, \d+ faces, depth \d+, \d+\.\d\d s|"
                       rb"FAILED  %s: File not found / is damaged !)\r\n") % (
                           name.encode(), name[:-4].encode() + b".bsp", name.encode())
            self.assertEqual(len(re.findall(pattern, shown)), 1, "%s's line: %r" % (name, shown[-600:]))
        # The last picture stays, with the totals and the elapsed time, and ends the line.
        self.assertRegex(shown, rb"\r\[#{30}\] 5/5 scenes  1 failed  \d+:\d\d *\r\n$")
        for name in names[:-1]:
            self.assertTrue(os.path.exists(os.path.join(self.folder, name[:-4] + ".bsp")), name)

    def test_ctrl_c_stops_the_batch_and_leaves_whole_trees_only(self):
        names = [self.scene("rock", seed, 2000) for seed in range(1, 7)]
        reference = os.path.join(self.folder, "reference")
        os.mkdir(reference)
        subprocess.run([BUILD, "-q", "-o", reference] + names, cwd=self.folder, check=True)
        terminal = self.terminal(100)
        process = terminal.start([BUILD, "-j", "2"] + names, self.folder)
        terminal.wait_for(b"ok      ", TIMEOUT)  # the first scene is done, the others compile
        os.write(terminal.master, b"\x03")
        self.assertEqual(terminal.wait_for_exit(process, TIMEOUT, 0.2), -signal.SIGINT,
                         "the run ends as Ctrl-C ends it")
        self.assertIn(b"norvane-build: interrupted", terminal.output)
        self.assertEqual(self.temporaries(), [])
        finished = 0
        for name in names:
            tree = os.path.join(self.folder, name[:-4] + ".bsp")
            if os.path.exists(tree):
                finished += 1
                with open(tree, "rb") as a, open(os.path.join(reference, name[:-4] + ".bsp"), "rb") as b:
                    self.assertEqual(a.read(), b.read(), "%s is cut short" % tree)
        self.assertLess(finished, len(names), "the interrupt came after the batch")


if __name__ == "__main__":
    unittest.main(verbosity=2)
