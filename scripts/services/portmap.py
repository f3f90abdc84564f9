#!/usr/bin/env python3
"""A portmapper for one test NFS server, on its own loopback address.

The NFS client asks port 111 of the server's address where the mount and NFS programs listen;
this answers from the ports given on the command line. The server registers itself through a
local socket at start and gets a yes without anything being recorded.

usage: portmap.py ADDRESS SOCKET NFS_PORT MOUNT_PORT
"""
import os
import socket
import socketserver
import struct
import sys
import threading

PORTMAP, NFS, MOUNT = 100000, 100003, 100005
TCP = 6


def uaddr(address, port):
    return "%s.%d.%d" % (address, port >> 8, port & 0xFF)


class Rpc(socketserver.BaseRequestHandler):
    def read(self, size):
        data = b""
        while len(data) < size:
            chunk = self.request.recv(size - len(data))
            if not chunk:
                raise EOFError
            data += chunk
        return data

    def handle(self):
        try:
            while True:
                record = b""
                last = False
                while not last:
                    (mark,) = struct.unpack(">I", self.read(4))
                    last = bool(mark & 0x80000000)
                    record += self.read(mark & 0x7FFFFFFF)
                reply = self.answer(record)
                if reply is not None:
                    self.request.sendall(struct.pack(">I", 0x80000000 | len(reply)) + reply)
        except (EOFError, ConnectionError, struct.error):
            pass

    def answer(self, call):
        xid, kind, _, prog, vers, proc = struct.unpack(">6I", call[:24])
        if kind != 0:
            return None
        offset = 24
        for _ in range(2):  # credentials and verifier
            _, length = struct.unpack(">2I", call[offset:offset + 8])
            offset += 8 + (length + 3) // 4 * 4
        args = call[offset:]
        head = struct.pack(">6I", xid, 1, 0, 0, 0, 0)
        if prog != PORTMAP:
            return struct.pack(">6I", xid, 1, 0, 0, 0, 1)  # program unavailable
        ports = self.server.ports
        if proc == 0:
            return head
        if proc in (1, 2):  # set, unset
            return head + struct.pack(">I", 1)
        if proc == 3 and vers == 2:  # getport
            wanted, _, protocol, _ = struct.unpack(">4I", args[:16])
            port = ports.get(wanted, 0) if protocol == TCP else 0
            return head + struct.pack(">I", port)
        if proc == 3:  # getaddr
            (wanted,) = struct.unpack(">I", args[:4])
            text = uaddr(self.server.address, ports[wanted]).encode() if wanted in ports else b""
            return head + struct.pack(">I", len(text)) + text + b"\0" * (-len(text) % 4)
        return struct.pack(">6I", xid, 1, 0, 0, 0, 3)  # procedure unavailable


class TcpServer(socketserver.ThreadingTCPServer):
    allow_reuse_address = True
    daemon_threads = True


class UnixServer(socketserver.ThreadingUnixStreamServer):
    daemon_threads = True


def main():
    address, path, nfs_port, mount_port = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
    ports = {NFS: nfs_port, MOUNT: mount_port, PORTMAP: 111}
    if os.path.exists(path):
        os.unlink(path)
    servers = [TcpServer((address, 111), Rpc), UnixServer(path, Rpc)]
    for server in servers:
        server.ports, server.address = ports, address
        threading.Thread(target=server.serve_forever, daemon=True).start()
    try:
        threading.Event().wait()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
