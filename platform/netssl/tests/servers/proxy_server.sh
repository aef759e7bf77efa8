#!/usr/bin/env bash
# A real HTTP proxy for the tests: tinyproxy on a free loopback port, with Basic
# authentication when a user and password are given ("proxy_server.sh [USER PASSWORD]").
#
# Everything lives in a fresh folder: the configuration written here and the proxy's log.
# Prints "PORT <port>" once the proxy answers, and stops it and removes the folder when
# its standard input closes, so the test process that started it never leaves it behind.
set -euo pipefail

TINYPROXY=$(command -v tinyproxy || echo /usr/bin/tinyproxy)
base=$(mktemp -d /tmp/tpXXXXXX)
pid=""
cleanup() {
  if [ -n "$pid" ]; then
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  rm -rf "$base"
}
trap cleanup EXIT

port=$(/usr/bin/python3 -c '
import socket
s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')

{
  echo "Port $port"
  echo "Listen 127.0.0.1"
  echo "Timeout 30"
  echo "MaxClients 20"
  echo "Allow 127.0.0.1"
  echo "DisableViaHeader Yes"
  echo "LogLevel Info"
  if [ "$(id -u)" -eq 0 ]; then
    echo "User nobody"
    echo "Group nogroup"
  fi
  if [ $# -ge 2 ]; then
    echo "BasicAuth $1 $2"
  fi
} > "$base/tinyproxy.conf"

"$TINYPROXY" -d -c "$base/tinyproxy.conf" </dev/null >>"$base/tinyproxy.log" 2>&1 &
pid=$!

ready=0
for _ in $(seq 1 100); do
  if ! kill -0 "$pid" 2>/dev/null; then break; fi
  if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
    ready=1
    break
  fi
  sleep 0.1
done
if [ "$ready" -ne 1 ]; then
  echo "ERROR tinyproxy did not start: $(tail -5 "$base/tinyproxy.log" | tr '\n' ' ')"
  exit 1
fi

echo "PORT $port"
# Runs until the test process closes our standard input (or dies).
cat >/dev/null || true
