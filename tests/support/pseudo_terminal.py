"""A pseudo-terminal for the tests that run a program as a person at a terminal meets it.

The tests keep both ends: they type on the master end and read what the terminal shows there,
while the programs they start have the slave end as their controlling terminal.
"""
import fcntl
import os
import resource
import select
import struct
import subprocess
import termios
import time


class PseudoTerminal:
    """A pseudo-terminal, optionally of a given width, with the processes started on it."""

    def __init__(self, columns=None):
        self.master, self.slave = os.openpty()
        if columns is not None:
            fcntl.ioctl(self.slave, termios.TIOCSWINSZ, struct.pack("HHHH", 24, columns, 0, 0))
        self.output = b""
        self.processes = []

    def close(self):
        """Ends the processes started on the terminal that still run (a failed check can leave
        one waiting) and closes both ends."""
        for process in self.processes:
            if process.poll() is None:
                process.kill()
                process.wait()
        os.close(self.master)
        os.close(self.slave)

    def start(self, args, cwd, env=None, stdout=None):
        """Starts a process in a session of its own with this terminal as its controlling
        terminal, so that keys such as Ctrl-C reach it as they would from a keyboard. Its
        output goes to the terminal unless `stdout` says otherwise."""
        def take_terminal():
            fcntl.ioctl(0, termios.TIOCSCTTY, 0)
            resource.setrlimit(resource.RLIMIT_CORE, (0, 0))  # SIGQUIT leaves no core file
        process = subprocess.Popen(args, cwd=cwd, env=env, stdin=self.slave,
                                   stdout=self.slave if stdout is None else stdout, stderr=self.slave,
                                   start_new_session=True, preexec_fn=take_terminal)
        self.processes.append(process)
        return process

    def pump(self, seconds):
        """Reads what the terminal shows for up to `seconds`."""
        ready, _, _ = select.select([self.master], [], [], seconds)
        if ready:
            try:
                self.output += os.read(self.master, 65536)
            except OSError:
                pass

    def wait_for(self, text, timeout):
        """Waits until the terminal has shown `text`; fails after `timeout` seconds, or as soon
        as the processes started on the terminal have ended without showing it."""
        deadline = time.monotonic() + timeout
        while text not in self.output:
            ended = bool(self.processes) and all(p.poll() is not None for p in self.processes)
            if time.monotonic() > deadline or ended:
                self.pump(0.1)
                if text in self.output:
                    return
                raise AssertionError("the terminal never showed %r; it shows %r" % (text, self.output[-400:]))
            self.pump(0.02)

    def wait_for_exit(self, process, timeout, settle=0.1):
        """Waits until `process` ends, reading the terminal meanwhile and for up to `settle`
        seconds after, and returns its exit status. A run still going after `timeout` seconds
        is killed and fails the check."""
        deadline = time.monotonic() + timeout
        while process.poll() is None:
            if time.monotonic() > deadline:
                process.kill()
                process.wait()
                raise AssertionError("the run did not end; the terminal shows %r" % self.output[-400:])
            self.pump(0.05)
        self.pump(settle)
        return process.returncode
