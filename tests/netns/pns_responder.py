#!/usr/bin/env python3
"""A PNS responder for the end-to-end tests: it runs in its own network
namespace, joined to the client's by a veth pair, and answers each request
as the test's script in the shared folder says.

  pns_responder.py --dir FOLDER --ready FILE

FOLDER/requests  one line per request seen: "<length> <hex bytes>"
FOLDER/script    the replies, one per line: "<request> <delay ms> <hex bytes>
                 [<copies>]"; request is the number of the request it
                 answers (counted in FOLDER/requests, from 1), or 0 for
                 every request. With copies, the datagram is sent that many
                 times, ten a millisecond (a flood a client must read through).
The test empties both files between exchanges.
"""
import argparse
import os
import socket
import threading
import time

PNS_PORT = 14717


def read_script(folder):
    replies = []
    try:
        with open(os.path.join(folder, "script")) as f:
            for line in f:
                parts = line.split()
                if len(parts) == 4:
                    replies.append((int(parts[0]), int(parts[1]), bytes.fromhex(parts[2]), int(parts[3])))
                elif len(parts) == 3:
                    replies.append((int(parts[0]), int(parts[1]), bytes.fromhex(parts[2]), 1))
                elif len(parts) == 2:  # an empty datagram
                    replies.append((int(parts[0]), int(parts[1]), b"", 1))
    except FileNotFoundError:
        pass
    return replies


def send(sock, reply, sender, copies):
    for i in range(copies):
        sock.sendto(reply, sender)
        if i % 10 == 9:
            time.sleep(0.001)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dir", required=True)
    parser.add_argument("--ready", required=True)
    args = parser.parse_args()

    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    sock.bind(("", PNS_PORT))
    with open(args.ready, "w") as f:
        f.write("ready\n")

    requests_path = os.path.join(args.dir, "requests")
    while True:
        data, sender = sock.recvfrom(4096)
        with open(requests_path, "a") as f:
            f.write("%d %s\n" % (len(data), data.hex()))
        with open(requests_path) as f:
            number = sum(1 for _ in f)
        for request, delay_ms, reply, copies in read_script(args.dir):
            if request in (0, number):
                timer = threading.Timer(delay_ms / 1000.0, send, args=(sock, reply, sender, copies))
                timer.daemon = True
                timer.start()


if __name__ == "__main__":
    main()
