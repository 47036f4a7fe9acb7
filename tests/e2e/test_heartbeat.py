"""The slow case: a controller silent for 120000 ms after a command is dropped."""

import time
import unittest

from daemon import Daemon
from lgcp_client import encode_command


class Heartbeat(unittest.TestCase):
    def test_silent_controller_is_dropped_after_two_minutes(self):
        daemon = Daemon()
        try:
            conn = daemon.connect()
            conn.skip = {"trunkStatus"}  # the board's reports do not keep the controller alive
            self.assertEqual(conn.request(encode_command("query", seq=1))["response"], "success")
            conn.receive()  # the resource report
            start = time.time()
            self.assertIsNone(conn.receive(timeout=150))
            elapsed = time.time() - start
            self.assertGreater(elapsed, 119)
            self.assertLess(elapsed, 140)  # slack for a loaded machine or a sanitizer build
            self.assertIn("heartbeat timeout!!!", daemon.stderr())
            conn.close()
            self.assertEqual(daemon.stop(), 0)
        finally:
            daemon.cleanup()


if __name__ == "__main__":
    unittest.main()
