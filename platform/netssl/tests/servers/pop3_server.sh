#!/usr/bin/env bash
# A real POP3 server for the tests: Dovecot on free loopback ports, POP3 and POP3S.
#
# Must run as root (Dovecot drops to the mail user itself). Everything lives in a fresh
# short folder (long paths break Dovecot's sockets): the configuration, a certificate made
# here with the openssl command, the passwd-file of the users and their maildirs (owned by
# uid 65534). Prints "PORT <pop3> <pop3s> <folder>" once both ports answer, and stops
# Dovecot and removes the folder when its standard input closes, so the test process that
# started it never leaves it behind.
#
# The tests add users by appending "user:{PLAIN}password:65534:65534::<folder>/mail/user::"
# lines to <folder>/passwd (Dovecot rereads the file when it changes) and messages by
# writing files into <folder>/mail/<user>/Maildir/new, owned by 65534.
set -euo pipefail
source "$(dirname "$0")/daemon_common.sh"

if [ "$(id -u)" -ne 0 ]; then
  echo "ERROR pop3_server.sh must run as root" >&2
  exit 1
fi
DOVECOT=$(command -v dovecot || echo /usr/sbin/dovecot)

daemon_folder /tmp/dvXXXXXX

chmod 755 "$base"
mkdir -p "$base/run" "$base/state" "$base/mail"
chmod 755 "$base/mail"
chown 65534:65534 "$base/mail"
: > "$base/passwd"
chmod 644 "$base/passwd"

openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes \
  -keyout "$base/key.pem" -out "$base/cert.pem" -days 2 -subj /CN=localhost \
  -addext "subjectAltName=DNS:localhost,IP:127.0.0.1" >/dev/null 2>&1

# Dovecot answers on both ports: its own greeting on the plain one (so that a port taken
# by another process in the meantime is not mistaken for ours).
dovecot_ready() {
  local greeting=""
  kill -0 "$pid" 2>/dev/null || return 1
  port_answers "$pop3s" || return 1
  exec 4<>"/dev/tcp/127.0.0.1/$pop3" 2>/dev/null || return 1
  read -r -t 2 greeting <&4 || true
  exec 4>&-
  [[ "$greeting" == "+OK Dovecot"* ]]
}

# Two ports that were free a moment ago; on a clash with another process Dovecot stops,
# and the start is tried again with new ports.
for attempt in 1 2 3; do
  read -r pop3 pop3s < <(free_ports 2)

cat > "$base/dovecot.conf" <<CONF
protocols = pop3
listen = 127.0.0.1
base_dir = $base/run
state_dir = $base/state
log_path = $base/dovecot.log
auth_mechanisms = plain login
auth_failure_delay = 0
disable_plaintext_auth = no
ssl = yes
ssl_cert = <$base/cert.pem
ssl_key = <$base/key.pem
mail_location = maildir:~/Maildir
first_valid_uid = 65534
last_valid_uid = 65534
first_valid_gid = 65534
passdb {
  driver = passwd-file
  args = scheme=PLAIN username_format=%u $base/passwd
}
userdb {
  driver = passwd-file
  args = username_format=%u $base/passwd
}
service pop3-login {
  inet_listener pop3 {
    address = 127.0.0.1
    port = $pop3
  }
  inet_listener pop3s {
    address = 127.0.0.1
    port = $pop3s
    ssl = yes
  }
}
# No growing delay after the failed logins that the tests make on purpose.
service anvil {
  unix_listener anvil-auth-penalty {
    mode = 0
  }
}
service imap-login {
  inet_listener imap {
    port = 0
  }
  inet_listener imaps {
    port = 0
  }
}
CONF

  "$DOVECOT" -F -c "$base/dovecot.conf" </dev/null >>"$base/dovecot.log" 2>&1 &
  pid=$!
  ready=0
  if daemon_ready dovecot_ready; then
    ready=1
    break
  fi
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  pid=""
done
if [ "$ready" -ne 1 ]; then
  echo "ERROR dovecot did not start: $(tail -5 "$base/dovecot.log" | tr '\n' ' ')"
  exit 1
fi

echo "PORT $pop3 $pop3s $base"
serve_until_stdin_closes
