"""Starts the built daemon on a private board root and a free port."""

import os
import shutil
import signal
import socket
import subprocess
import tempfile
import time

from lgcp_client import Connection

BINARY = os.environ.get("TARVOX_BIN", "")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Daemon:
    """One daemon process; `stop()` ends it and returns its exit status."""

    def __init__(self, *args, config=None):
        self.root = tempfile.mkdtemp(prefix="tarvox-e2e-")
        for folder in ("dev/misc", "var/run", "var/log", "var/monitoring", "usr/local/etc"):
            os.makedirs(os.path.join(self.root, folder), exist_ok=True)
        if config is not None:
            with open(self.path("/usr/local/etc/server.conf"), "w") as f:
                f.write(config)
        self.port = free_port()
        env = dict(os.environ, TARVOX_ROOT=self.root)
        self.out = open(os.path.join(self.root, "stdout"), "w+")
        self.err = open(os.path.join(self.root, "stderr"), "w+")
        self.proc = subprocess.Popen([BINARY, "--port", str(self.port), *args], env=env,
                                     stdout=self.out, stderr=self.err, stdin=subprocess.DEVNULL)
        self.wait_listening()

    def path(self, board_path):
        return os.path.join(self.root, board_path.lstrip("/"))

    def wait_listening(self, seconds=20.0):
        deadline = time.time() + seconds
        while time.time() < deadline:
            if self.proc.poll() is not None:
                raise RuntimeError("daemon exited with %d: %s" % (self.proc.returncode, self.stderr()))
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=1).close()
                # The probe counted as a controller that left; let the daemon see it go.
                time.sleep(0.2)
                return
            except OSError:
                time.sleep(0.05)
        raise RuntimeError("daemon did not listen on port %d" % self.port)

    def connect(self):
        return Connection(self.port)

    def signal(self, signo):
        self.proc.send_signal(signo)

    def stdout(self):
        self.out.flush()
        with open(self.out.name) as f:
            return f.read()

    def stderr(self):
        self.err.flush()
        with open(self.err.name) as f:
            return f.read()

    def stop(self, timeout=20.0):
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
            raise

    def cleanup(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        self.out.close()
        self.err.close()
        shutil.rmtree(self.root, ignore_errors=True)


def run_once(*args, timeout=20.0):
    """Runs the binary with arguments that end it at once; (status, stdout, stderr)."""
    root = tempfile.mkdtemp(prefix="tarvox-e2e-")
    try:
        proc = subprocess.run([BINARY, *args], env=dict(os.environ, TARVOX_ROOT=root), capture_output=True,
                              text=True, timeout=timeout, stdin=subprocess.DEVNULL)
        return proc.returncode, proc.stdout, proc.stderr
    finally:
        shutil.rmtree(root, ignore_errors=True)
