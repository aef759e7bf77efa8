#!/usr/bin/env bash
# A real HTTP proxy for the tests: tinyproxy on a free loopback port, with Basic
# authentication when a user and password are given ("proxy_server.sh [USER PASSWORD]").
#
# Everything lives in a fresh folder: the configuration written here and the proxy's log.
# Prints "PORT <port>" once the proxy answers, and stops it and removes the folder when
# its standard input closes, so the test process that started it never leaves it behind.
set -euo pipefail
source "$(dirname "$0")/daemon_common.sh"

TINYPROXY=$(command -v tinyproxy || echo /usr/bin/tinyproxy)
daemon_folder /tmp/tpXXXXXX
port=$(free_ports 1)

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

if ! daemon_ready port_answers "$port"; then
  echo "ERROR tinyproxy did not start: $(tail -5 "$base/tinyproxy.log" | tr '\n' ' ')"
  exit 1
fi

echo "PORT $port"
serve_until_stdin_closes
