# Sourced by the test server scripts that run a real daemon (Dovecot, tinyproxy): a fresh
# folder for it, the clean-up when the script ends, free loopback ports, a bounded wait for
# the daemon to answer, and the wait for the test process to let it go.

# Makes the fresh folder $base from the mktemp template $1 and arms the clean-up: the
# daemon $pid (once set) is stopped and the folder removed whenever the script ends.
daemon_folder() {
  base=$(mktemp -d "$1")
  pid=""
  trap daemon_cleanup EXIT
}

daemon_cleanup() {
  if [ -n "$pid" ]; then
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  rm -rf "$base"
}

# Prints $1 loopback ports, on one line, that were free a moment ago.
free_ports() {
  /usr/bin/python3 -c '
import socket, sys
s = [socket.socket() for _ in range(int(sys.argv[1]))]
for x in s: x.bind(("127.0.0.1", 0))
print(*[x.getsockname()[1] for x in s])' "$1"
}

# True when something accepts connections on loopback port $1.
port_answers() {
  (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

# Waits up to 10 s, while the daemon $pid lives, for the command "$@" to succeed.
daemon_ready() {
  for _ in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || return 1
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

# Runs until the test process closes our standard input (or dies).
serve_until_stdin_closes() {
  cat >/dev/null || true
}
