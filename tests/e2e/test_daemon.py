"""End-to-end tests of the daemon: one controller over TCP on loopback."""

import os
import shutil
import signal
import socket
import struct
import subprocess
import tempfile
import time
import unittest

from daemon import BINARY, Daemon, free_port, run_once
from lgcp_client import (create_map_body, decode_message, encode_command, encode_response,
                         encode_signal_activated, tpkt)

USAGE = ("Usage:\n"
         " tarvox -Dh\n"
         "  -D --daemon                      run as daemon\n"
         "  -p --port                        use this port\n"
         "     --disable-clock               disable clock control\n"
         "     --version                     print version\n"
         "  -h --help                        display this information\n"
         "\n")
TAG = "T240205-1126"


class DaemonTest(unittest.TestCase):
    def setUp(self):
        self.daemon = Daemon()
        self.conn = self.daemon.connect()
        # Until the daemon has answered, the connection may still wait in the
        # listen queue rather than be the attached controller.
        self.assertEqual(self.ask("ping")["response"], "success")

    def tearDown(self):
        self.conn.close()
        self.daemon.cleanup()

    def ask(self, *args, **kwargs):
        return self.conn.request(encode_command(*args, **kwargs))

    def expect_silence(self, seconds=0.5):
        try:
            frame = self.conn.receive(timeout=seconds)
        except socket.timeout:
            return
        self.fail("unexpected frame %r" % (frame and decode_message(frame)))


class Commands(DaemonTest):
    def test_ping_with_and_without_seq_and_slot(self):
        self.assertEqual(self.ask("ping"), {"seq": None, "slot": None, "kind": "response", "response": "success"})
        self.assertEqual(self.ask("ping", seq=7), {"seq": 7, "slot": None, "kind": "response", "response": "success"})
        self.assertEqual(self.ask("ping", seq=-3, slot=3),
                         {"seq": -3, "slot": 3, "kind": "response", "response": "success"})
        # seq is kept from the last message that had one only for deferred answers
        self.assertEqual(self.ask("ping")["seq"], None)

    def test_slot_above_1023_is_refused_without_slot_field(self):
        answer = self.ask("destroy", seq=1, slot=1024)
        self.assertEqual(answer, {"seq": 1, "slot": None, "kind": "response", "response": "error",
                                  "cause": "invalidSlot"})

    def test_commands_no_service_takes(self):
        self.assertEqual(self.ask("disconnect", seq=2)["cause"], "unexpectedMsgType")
        self.assertEqual(self.ask("query", seq=3, slot=4),
                         {"seq": 3, "slot": 4, "kind": "response", "response": "error",
                          "cause": "unexpectedMsgType"})

    def test_response_or_signal_from_the_controller(self):
        self.conn.send(encode_response(seq=9))
        self.assertEqual(decode_message(self.conn.receive()),
                         {"seq": 9, "slot": None, "kind": "response", "response": "error",
                          "cause": "unexpectedMsgType"})
        self.conn.send(encode_signal_activated())
        self.assertEqual(decode_message(self.conn.receive())["cause"], "unexpectedMsgType")

    def test_query_is_answered_then_resources_follow(self):
        self.assertEqual(self.ask("query", seq=11), {"seq": 11, "slot": None, "kind": "response",
                                                     "response": "success"})
        report = decode_message(self.conn.receive())
        self.assertEqual(report, {"seq": None, "slot": None, "kind": "signal", "signal": "query"})

    def test_create_that_no_factory_accepts(self):
        answer = self.ask("create", seq=12, slot=5, body=create_map_body)
        self.assertEqual(answer, {"seq": 12, "slot": 5, "kind": "response", "response": "error",
                                  "cause": "insufficientResources"})
        self.assertEqual(self.ask("destroy", seq=13, slot=5)["cause"], "slotNotExists")

    def test_undecodable_body_gets_no_answer(self):
        self.conn.send(b"\xff\xff\xff")
        self.expect_silence()
        self.assertEqual(self.ask("ping", seq=1)["response"], "success")
        self.assertIn("receive fail: decode error!", self.daemon.stderr())


class Framing(DaemonTest):
    def test_frame_in_single_bytes(self):
        for byte in tpkt(encode_command("ping", seq=21)):
            self.conn.send_raw(bytes([byte]))
            time.sleep(0.01)
        self.assertEqual(decode_message(self.conn.receive())["seq"], 21)

    def test_two_frames_in_one_send(self):
        self.conn.send_raw(tpkt(encode_command("ping", seq=1)) + tpkt(encode_command("ping", seq=2)))
        self.assertEqual(decode_message(self.conn.receive())["seq"], 1)
        self.assertEqual(decode_message(self.conn.receive())["seq"], 2)

    def test_many_frames_in_one_send_are_all_answered_at_once(self):
        self.conn.send_raw(b"".join(tpkt(encode_command("ping", seq=i)) for i in range(64)))
        start = time.time()
        seqs = [decode_message(self.conn.receive())["seq"] for _ in range(64)]
        self.assertEqual(seqs, list(range(64)))
        # Answers held back while a read is handled leave with its last one,
        # not after the kernel's 200 ms limit for held-back data.
        self.assertLess(time.time() - start, 0.15)

    def test_stray_byte_before_a_frame(self):
        self.conn.send_raw(b"\x00" + tpkt(encode_command("ping", seq=31)))
        self.assertEqual(decode_message(self.conn.receive())["seq"], 31)

    def test_incomplete_frame_is_discarded_after_three_seconds(self):
        self.conn.send_raw(struct.pack(">BBH", 3, 0, 10) + b"\x06\x00\x00")
        time.sleep(3.6)
        self.assertEqual(self.ask("ping", seq=41)["seq"], 41)


class Controllers(DaemonTest):
    def test_second_controller_is_refused_while_the_first_stays_served(self):
        second = self.daemon.connect()
        try:
            second.sock.settimeout(5)
            self.assertEqual(second.sock.recv(1), b"")
        finally:
            second.close()
        self.assertEqual(self.ask("ping", seq=51)["seq"], 51)


class Signals(DaemonTest):
    def test_sighup_reports_resources(self):
        self.daemon.signal(signal.SIGHUP)
        self.assertEqual(decode_message(self.conn.receive()),
                         {"seq": None, "slot": None, "kind": "signal", "signal": "query"})
        self.assertIn("update hardware resources", self.daemon.stderr())

    def test_sigusr2_writes_the_status_dump(self):
        self.daemon.signal(signal.SIGUSR2)
        path = self.daemon.path("/var/log/server-status")
        deadline = time.time() + 5
        while time.time() < deadline and not os.path.exists(path):
            time.sleep(0.05)
        time.sleep(0.2)
        with open(path) as f:
            lines = f.read().split("\n")
        self.assertTrue(lines[0].startswith("server status information."))
        self.assertEqual(lines[1], "version : " + TAG)
        self.assertTrue(lines[2].startswith("dpc transition measurement (min/max/cur/counter): "))
        self.assertIn("+" + "-" * 40 + "+" + "-" * 30 + "+", "\n".join(lines))

    def test_sigterm_ends_the_connection_and_the_process(self):
        pid_file = self.daemon.path("/var/run/server.pid")
        with open(pid_file) as f:
            self.assertEqual(f.read(), str(self.daemon.proc.pid))
        self.daemon.signal(signal.SIGTERM)
        self.assertIsNone(self.conn.receive(timeout=10))
        self.assertEqual(self.daemon.stop(), 0)
        self.assertFalse(os.path.exists(pid_file))
        self.assertIn("Starting server [%s], port=%d\n" % (TAG, self.daemon.port), self.daemon.stdout())


class StartUp(unittest.TestCase):
    def test_stop_signal_during_start_up_still_stops_the_daemon(self):
        # A FIFO in place of the pid file holds the daemon in its start-up,
        # after the signal handlers are installed and before the loop runs.
        root = tempfile.mkdtemp(prefix="tarvox-e2e-")
        try:
            os.makedirs(os.path.join(root, "var/run"))
            os.mkfifo(os.path.join(root, "var/run/server.pid"))
            proc = subprocess.Popen([BINARY, "--port", str(free_port())], env=dict(os.environ, TARVOX_ROOT=root),
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
            time.sleep(0.5)
            self.assertIsNone(proc.poll())
            proc.send_signal(signal.SIGTERM)
            try:
                self.assertEqual(proc.wait(10), 0)
            finally:
                if proc.poll() is None:
                    proc.kill()
                    proc.wait()
        finally:
            shutil.rmtree(root, ignore_errors=True)


class CommandLine(unittest.TestCase):
    def test_usage_and_version(self):
        self.assertEqual(run_once("--help"), (0, USAGE, ""))
        self.assertEqual(run_once("-h", "--version"), (0, USAGE, ""))
        status, out, _ = run_once("--version")
        self.assertEqual((status, out), (2, "server version: %s\n" % TAG))
        status, out, err = run_once("-p", "5000")
        self.assertEqual((status, out), (2, USAGE))
        self.assertIn("invalid option", err)
        status, out, err = run_once("--bogus")
        self.assertEqual((status, out), (2, USAGE))

    def test_port_must_be_a_whole_number_in_range(self):
        for bad in ("abc", "0", "65536", "20001x", "-1"):
            status, out, _ = run_once("--port", bad)
            self.assertEqual((status, out), (2, USAGE), bad)


if __name__ == "__main__":
    unittest.main()
