#!/usr/bin/env python3
"""A minimal controller for tarvox: TPKT framing and just enough aligned PER
to build the envelope of a few commands and read the daemon's answers.

Run by hand against a daemon started with scripts/run.sh:

    python3 tests/e2e/lgcp_client.py --port 20001 ping
    python3 tests/e2e/lgcp_client.py --port 20001 --seq 5 query
"""

import argparse
import socket
import struct
import sys

# Alternative indexes of LGCP::Command (15 root alternatives, extensible).
COMMANDS = {
    "query": 0, "testBpc": 1, "connect": 2, "disconnect": 3, "create": 4,
    "destroy": 5, "activate": 6, "deactivate": 7, "userData": 8, "ioctl": 9,
    "trunkCfg": 10, "clockCfg": 11, "ping": 12, "display": 13, "protoZeri": 14,
}
ERROR_CAUSES = [
    "invalidParams", "insufficientResources", "invalidSlot", "slotNotExists",
    "unexpectedMsgType", "internal", "unsupported", "reconnectionFail",
    "disconnectFail", "connectFail", "busError", "slotIdBusy", "destroyInProgress",
]
SIGNALS = [
    "query", "tonec", "number", "modemProceeding", "modemInformation", "activated",
    "deactivated", "abort", "userData", "receiver", "transmitter", "trunkStatus",
    "ioctl", "loadAvg", "cas", "rtpExt", "vad", "power", "protoZeri", "sd", "bss",
    "rtp", "selcal",
]


class BitWriter:
    def __init__(self):
        self.bits = []

    def bit(self, b):
        self.bits.append(1 if b else 0)

    def uint(self, value, width):
        for i in reversed(range(width)):
            self.bit((value >> i) & 1)

    def align(self):
        while len(self.bits) % 8:
            self.bits.append(0)

    def octets(self, data):
        self.align()
        for byte in data:
            self.uint(byte, 8)

    def unconstrained_int(self, value):
        length = 1
        while not -(1 << (8 * length - 1)) <= value < (1 << (8 * length - 1)):
            length += 1
        self.octets(bytes([length]) + value.to_bytes(length, "big", signed=True))

    def tobytes(self):
        self.align()
        return bytes(int("".join(map(str, self.bits[i:i + 8])), 2) for i in range(0, len(self.bits), 8))


class BitReader:
    def __init__(self, data):
        self.data = data
        self.pos = 0

    def bit(self):
        if self.pos >= 8 * len(self.data):
            raise ValueError("message ends early")
        b = (self.data[self.pos // 8] >> (7 - self.pos % 8)) & 1
        self.pos += 1
        return b

    def uint(self, width):
        v = 0
        for _ in range(width):
            v = (v << 1) | self.bit()
        return v

    def align(self):
        self.pos = (self.pos + 7) // 8 * 8

    def octet(self):
        self.align()
        return self.uint(8)

    def unconstrained_int(self):
        length = self.octet()
        raw = bytes(self.octet() for _ in range(length))
        return int.from_bytes(raw, "big", signed=True)

    def small_number(self):
        if self.bit() == 0:
            return self.uint(6)
        self.align()
        return self.octet()


def encode_command(name, seq=None, slot=None, body=None):
    """The envelope of one command; `body` writes the alternative's value."""
    w = BitWriter()
    w.bit(seq is not None)
    w.bit(slot is not None)
    if seq is not None:
        w.unconstrained_int(seq)
    if slot is not None:
        w.align()
        w.uint(slot, 16)
    w.uint(0, 2)                 # PDU: command
    w.bit(0)                     # Command: root alternative
    w.uint(COMMANDS[name], 4)
    if body:
        body(w)
    return w.tobytes()


def create_map_body(w):
    """create with CreateParams `map`, no transmitter and no receiver."""
    w.bit(0)                     # CreateParams: root alternative
    w.uint(9, 5)                 # map (index 9 of 19)
    w.uint(0, 2)                 # MapParams: no optional field


def test_bpc_body(bus, seed, mode, start, length):
    """testBpc with BpcTestParams; mode "read", "write" or "disconnect"."""
    def body(w):
        w.uint(bus, 4)
        w.unconstrained_int(seed)
        w.uint(["read", "write", "disconnect"].index(mode), 2)
        w.uint(start, 7)
        w.uint(length, 7)
    return body


def clock_cfg_body(internal, bext_disabled, source):
    """clockCfg with ClockCfg {clkSel0, bextEn, source}."""
    def body(w):
        w.bit(internal)
        w.bit(bext_disabled)
        w.unconstrained_int(source)
    return body


def trunk_cfg_body(trunk, master):
    """trunkCfg with TrunkCfg {trunk, mode slave(0) or master(1)}."""
    def body(w):
        w.unconstrained_int(trunk)
        w.bit(master)
    return body


CAS_COMMANDS = ["open", "close", "set", "get"]


def ioctl_cas_body(trunk, timeslot, cmd, value=None):
    """ioctl with IoctlParams `cas`: CasCommand {channel {path, timeslot}, cmd}."""
    def body(w):
        w.bit(0)                 # IoctlParams: root alternative
        w.uint(15, 6)            # cas (index 15 of 38)
        w.unconstrained_int(trunk)
        w.unconstrained_int(timeslot)
        w.uint(CAS_COMMANDS.index(cmd), 2)
        if cmd in ("open", "set"):
            w.unconstrained_int(value)
    return body


def ioctl_dtmf_disable_body(w):
    """ioctl with IoctlParams `dtmf-disable` (NULL), a slot's request."""
    w.bit(0)
    w.uint(14, 6)


def encode_response(success=True, seq=None):
    """A response sent the wrong way, from controller to daemon."""
    w = BitWriter()
    w.bit(seq is not None)
    w.bit(0)
    if seq is not None:
        w.unconstrained_int(seq)
    w.uint(1, 2)                 # PDU: response
    w.bit(0 if success else 1)
    if not success:
        w.bit(0)
        w.uint(ERROR_CAUSES.index("internal"), 4)
    return w.tobytes()


def encode_signal_activated():
    """A signal sent the wrong way: `activated` (NULL)."""
    w = BitWriter()
    w.uint(0, 2)
    w.uint(2, 2)                 # PDU: signal
    w.bit(0)
    w.uint(SIGNALS.index("activated"), 5)
    return w.tobytes()


def decode_message(data):
    """The envelope of a message from the daemon, as a dict."""
    r = BitReader(data)
    has_seq, has_slot = r.bit(), r.bit()
    out = {"seq": None, "slot": None}
    if has_seq:
        out["seq"] = r.unconstrained_int()
    if has_slot:
        r.align()
        out["slot"] = r.uint(16)
    pdu = r.uint(2)
    if pdu == 1:
        out["kind"] = "response"
        if r.bit() == 0:
            out["response"] = "success"
        else:
            out["response"] = "error"
            if r.bit():
                out["cause"] = "extension %d" % r.small_number()
            else:
                out["cause"] = ERROR_CAUSES[r.uint(4)]
    elif pdu == 2:
        out["kind"] = "signal"
        if r.bit():
            out["signal"] = "extension %d" % r.small_number()
        else:
            out["signal"] = SIGNALS[r.uint(5)]
            if out["signal"] == "trunkStatus":
                out["status"] = decode_trunk_status(r)
            elif out["signal"] == "cas":
                out["cas"] = tuple(r.unconstrained_int() for _ in range(4))  # trunk, timeslot, rx, tx
    else:
        out["kind"] = "command"
    return out


TRUNK_STATES = ["normal", "lossBF", "lossCarrier", "ais", "rai", "unknown", "disabled"]


def decode_trunk_status(r):
    """TrunkStatus as (type, trunk, state, slips)."""
    if r.bit():
        raise ValueError("TrunkStatus with extensions")
    trunk = r.unconstrained_int()
    state = TRUNK_STATES[r.uint(3)]
    slips, _, _, _, _ = (r.unconstrained_int() for _ in range(5))
    name_length = r.octet()
    r.pos += 8 * name_length     # name, octet-aligned characters
    r.bit()                      # clockMaster
    if r.bit():
        raise ValueError("TrunkType extension")
    kind = ["e1", "bri"][r.uint(1)]
    return (kind, trunk, state, slips)


def tpkt(body):
    return struct.pack(">BBH", 3, 0, len(body) + 4) + body


class Connection:
    """One controller connection with frame reassembly."""

    def __init__(self, port, host="127.0.0.1", timeout=5.0, skip=()):
        self.sock = socket.create_connection((host, port), timeout=timeout)
        self.sock.settimeout(timeout)
        self.buffer = b""
        # Signals the board sends on its own every second, left out of receive().
        self.skip = set(skip)

    def close(self):
        self.sock.close()

    def send_raw(self, data):
        self.sock.sendall(data)

    def send(self, body):
        self.send_raw(tpkt(body))

    def receive(self, timeout=None):
        """The body of the next frame; None at end of stream."""
        if timeout is not None:
            self.sock.settimeout(timeout)
        while True:
            if len(self.buffer) >= 4:
                length = struct.unpack(">H", self.buffer[2:4])[0]
                if self.buffer[0] != 3 or length < 4:
                    raise ValueError("bad TPKT header %r" % self.buffer[:4])
                if len(self.buffer) >= length:
                    body, self.buffer = self.buffer[4:length], self.buffer[length:]
                    if self.skip and decode_message(body).get("signal") in self.skip:
                        continue
                    return body
            chunk = self.sock.recv(65536)
            if not chunk:
                return None
            self.buffer += chunk

    def request(self, body):
        self.send(body)
        return decode_message(self.receive())


def main(argv):
    parser = argparse.ArgumentParser(description="Send one command to tarvox and print what comes back.")
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=20001)
    parser.add_argument("--seq", type=int)
    parser.add_argument("--slot", type=int)
    parser.add_argument("--wait", type=float, default=0.5, help="seconds to wait for signals after the response")
    parser.add_argument("command", choices=["ping", "query", "create-map", "destroy"])
    args = parser.parse_args(argv)
    name, body = {"ping": ("ping", None), "query": ("query", None),
                  "create-map": ("create", create_map_body), "destroy": ("destroy", None)}[args.command]
    conn = Connection(args.port, args.host)
    print(conn.request(encode_command(name, args.seq, args.slot, body)))
    try:
        while True:
            frame = conn.receive(timeout=args.wait)
            if frame is None:
                break
            print(decode_message(frame))
    except socket.timeout:
        pass
    conn.close()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
