#!/usr/bin/env bash
# Run by run-in-netns.sh inside the namespace: throws malformed messages at
# the name server over UDP and TCP, then checks that it still answers. A
# crash or a hang of the server would make every other lookup test lie.
set -uo pipefail

server=127.0.0.1
send_udp() { printf "$1" >/dev/udp/$server/53; }
send_tcp() { printf "$1" >/dev/tcp/$server/53; }

cases=(
  ''                                                        # empty
  '\x12'                                                    # shorter than a header
  '\x12\x34\x01\x00\x00\x01\x00\x00\x00\x00\x00'            # one byte short of a header
  '\x12\x34\x01\x00\x00\x01\x00\x00\x00\x00\x00\x00'        # a header promising a question that is not there
  '\x12\x34\x01\x00\x00\x01\x00\x00\x00\x00\x00\x00\x3f\x61'  # a label running past the end
  '\x12\x34\x01\x00\x00\x01\x00\x00\x00\x00\x00\x00\xc0\x0c\x00\x01\x00\x01'  # a compression loop in the question
  '\x12\x34\x01\x00\x00\x01\x00\x00\x00\x00\x00\x00\x01\x61\x00\x00'  # the type cut off
  '\x12\x34\x01\x00\xff\xff\x00\x00\x00\x00\x00\x00\x01\x61\x00\x00\x01\x00\x01'  # 65535 questions
  '\x12\x34\x81\x80\x00\x01\x00\x01\x00\x00\x00\x00\x01\x61\x00\x00\x01\x00\x01'  # a response, not a query
  '\x12\x34\x79\x00\x00\x01\x00\x00\x00\x00\x00\x00\x01\x61\x00\x00\x01\x00\x01'  # opcode 15
)
for message in "${cases[@]}"; do
  send_udp "$message"
done
# TCP: a length prefix promising more than comes, a length too short for a
# header, and a connection closed at once.
send_tcp '\xff\xff\x12\x34'
send_tcp '\x00\x02\x12\x34'
send_tcp ''
# Random bytes, both ways.
for _ in $(seq 1 200); do
  head -c $((RANDOM % 600)) /dev/urandom >/dev/udp/$server/53
done
for _ in $(seq 1 20); do
  head -c $((RANDOM % 600)) /dev/urandom >/dev/tcp/$server/53 2>/dev/null
done

# getent asks the C library's resolver, which asks the server over UDP, or
# over TCP when RES_OPTIONS says use-vc.
for transport in udp tcp; do
  options=
  [ "$transport" = tcp ] && options=use-vc
  answer=$(RES_OPTIONS=$options getent hosts printer.zrtest)
  if [ "${answer%% *}" != "192.0.2.10" ]; then
    echo "FAIL: the name server does not answer over $transport after malformed messages (got: '$answer')"
    exit 1
  fi
done
echo "the name server still answers over UDP and TCP after malformed messages"
