#!/usr/bin/env bash
# The mail servers of the end-to-end test: a real Postfix (SMTP with STARTTLS and AUTH) that
# delivers into maildirs and writes its own bounces, and a real Dovecot that serves the
# sender's mailbox over POP3 with STLS and lends Postfix its SASL authentication.
#
#   mail_servers.sh ACCEPTED_FILE
#
# Must run as root. ACCEPTED_FILE holds the addresses Postfix delivers to, one a line (blank
# lines and lines starting with # are skipped); every other address is accepted at RCPT and
# then bounced by Postfix itself to the sender, as a real provider does. The domains of the
# accepted addresses, plus the fixed ones below, are this server's own domains. The sender
# is sender@example.jp, password e2e-Pass1 (SMTP AUTH PLAIN/LOGIN after STARTTLS, POP3).
#
# Everything lives in one fresh short folder F (long paths break Dovecot's sockets):
#   F/ca.pem                                 the CA to trust (it signed the servers' cert)
#   F/mail/<domain>/<local>/Maildir/{new,cur,tmp}  one maildir per delivered address,
#                                            owned by uid/gid 65534
#   F/mail/example.jp/sender/Maildir/        the sender's mailbox: bounces, receipts,
#                                            replies; served by Dovecot over POP3
#   F/postfix/ (main.cf, master.cf, vmailbox), F/queue/, F/data/, F/postfix.log
#   F/dovecot/ (dovecot.conf, passwd, run/, state/), F/dovecot.log
#
# Prints exactly one line "READY <smtp_port> <pop3_port> <folder>" on stdout once Postfix
# greets and Dovecot says "+OK Dovecot"; everything else goes to stderr. Stops both servers
# and removes the folder when its standard input closes, or on SIGTERM/SIGINT. Several
# copies may run at once: each has its own folder and free ports.
set -euo pipefail
source "$(dirname "$0")/../../../platform/netssl/tests/servers/daemon_common.sh"

# Only the READY line goes to the caller; the rest of what we and our tools say is stderr.
exec 3>&1 1>&2

if [ "$(id -u)" -ne 0 ]; then
  echo "ERROR mail_servers.sh must run as root"
  exit 1
fi
if [ $# -ne 1 ] || [ ! -r "$1" ]; then
  echo "usage: mail_servers.sh ACCEPTED_FILE"
  exit 2
fi
accepted_file=$1
POSTFIX=$(command -v postfix || echo /usr/sbin/postfix)
DOVECOT=$(command -v dovecot || echo /usr/sbin/dovecot)
SENDER=sender@example.jp
PASSWORD=e2e-Pass1
MAIL_UID=65534

daemon_folder /tmp/e2XXXXXX
# daemon_common stops the one daemon in $pid (Dovecot); Postfix is ours to stop.
postfix_pid=""
cat_pid=""
stop_all() {
  [ -z "$cat_pid" ] || kill "$cat_pid" 2>/dev/null || true
  if [ -n "$postfix_pid" ]; then
    stop_postfix
  fi
  daemon_cleanup
}
# The start-fg wrapper only waits for Postfix's master: the master is the one to stop.
stop_postfix() {
  local master
  master=$(tr -d ' ' < "$base/queue/pid/master.pid" 2>/dev/null || true)
  "$POSTFIX" -c "$base/postfix" stop >/dev/null 2>&1 || true
  for _ in $(seq 1 50); do
    kill -0 "$postfix_pid" 2>/dev/null || { [ -n "$master" ] && kill -0 "$master" 2>/dev/null; } || break
    sleep 0.1
  done
  kill "$postfix_pid" 2>/dev/null || true
  [ -z "$master" ] || kill -9 "$master" 2>/dev/null || true
  wait "$postfix_pid" 2>/dev/null || true
  postfix_pid=""
}
trap stop_all EXIT
trap 'exit 143' TERM
trap 'exit 130' INT

chmod 755 "$base"
mkdir -p "$base/postfix" "$base/queue" "$base/dovecot/run" "$base/dovecot/state" "$base/mail"
chown "$MAIL_UID:$MAIL_UID" "$base/mail"

# --- Certificates: a CA made now, and the servers' certificate signed by it. -------------
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes \
  -keyout "$base/ca.key" -out "$base/ca.pem" -days 2 -subj "/CN=E2E Test CA" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
  >/dev/null 2>&1
openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes \
  -keyout "$base/key.pem" -out "$base/cert.csr" -subj /CN=localhost >/dev/null 2>&1
printf '%s\n' "subjectAltName=DNS:localhost,IP:127.0.0.1" "basicConstraints=CA:FALSE" \
  "keyUsage=critical,digitalSignature,keyEncipherment" "extendedKeyUsage=serverAuth" \
  > "$base/cert.ext"
openssl x509 -req -in "$base/cert.csr" -CA "$base/ca.pem" -CAkey "$base/ca.key" \
  -CAcreateserial -days 2 -extfile "$base/cert.ext" -out "$base/cert.pem" >/dev/null 2>&1
rm -f "$base/ca.key" "$base/cert.csr" "$base/cert.ext" "$base/ca.srl"
chmod 644 "$base/ca.pem" "$base/cert.pem"
chmod 600 "$base/key.pem"

# --- Mailboxes: the accepted addresses and the sender, as a texthash map. ----------------
# The map's value is the maildir below virtual_mailbox_base; the trailing slash makes it one.
/usr/bin/python3 - "$accepted_file" "$SENDER" "$base/postfix/vmailbox" \
  "$base/postfix/domains" <<'PY'
import sys
src, sender, map_path, domains_path = sys.argv[1:]
domains = ["example.jp", "example.com", "docomo.ne.jp", "ezweb.ne.jp",
           "softbank.ne.jp", "i.softbank.jp"]
addresses = {sender}
with open(src, encoding="utf-8", errors="strict") as f:
    for n, line in enumerate(f, 1):
        a = line.strip()
        if not a or a.startswith("#"):
            continue
        local, at, domain = a.rpartition("@")
        # The address becomes a path and a map key: refuse what could escape the mail folder
        # or split the map's line.
        if (not at or not local or not domain or "/" in a or any(c.isspace() for c in a)
                or local.startswith(".") or domain.startswith(".")):
            sys.exit(f"ERROR {src}:{n}: not a usable address: {a!r}")
        addresses.add(a.lower())
for a in addresses:
    d = a.rpartition("@")[2]
    if d not in domains:
        domains.append(d)
with open(map_path, "w") as f:
    for a in sorted(addresses):
        local, _, domain = a.rpartition("@")
        f.write(f"{a} {domain}/{local}/Maildir/\n")
with open(domains_path, "w") as f:
    f.write("\n".join(domains) + "\n")
PY
sender_home="$base/mail/example.jp/sender"
mkdir -p "$sender_home/Maildir/new" "$sender_home/Maildir/cur" "$sender_home/Maildir/tmp"
chown -R "$MAIL_UID:$MAIL_UID" "$base/mail"

# --- Dovecot: POP3 with STLS for the sender, and the SASL socket Postfix asks. -----------
printf '%s:{PLAIN}%s:%s:%s::%s::\n' "$SENDER" "$PASSWORD" "$MAIL_UID" "$MAIL_UID" \
  "$sender_home" > "$base/dovecot/passwd"
chmod 644 "$base/dovecot/passwd"

write_dovecot_conf() {
  cat > "$base/dovecot/dovecot.conf" <<CONF
protocols = pop3
listen = 127.0.0.1
base_dir = $base/dovecot/run
state_dir = $base/dovecot/state
log_path = $base/dovecot.log
auth_mechanisms = plain login
auth_failure_delay = 0
ssl = yes
ssl_cert = <$base/cert.pem
ssl_key = <$base/key.pem
mail_location = maildir:~/Maildir
first_valid_uid = $MAIL_UID
last_valid_uid = $MAIL_UID
first_valid_gid = $MAIL_UID
passdb {
  driver = passwd-file
  args = scheme=PLAIN username_format=%u $base/dovecot/passwd
}
userdb {
  driver = passwd-file
  args = username_format=%u $base/dovecot/passwd
}
service auth {
  unix_listener auth-postfix {
    mode = 0666
  }
}
service pop3-login {
  inet_listener pop3 {
    address = 127.0.0.1
    port = $pop3
  }
  inet_listener pop3s {
    port = 0
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
service anvil {
  unix_listener anvil-auth-penalty {
    mode = 0
  }
}
CONF
}

# --- Postfix: one smtpd on loopback, virtual maildirs, bounces by Postfix itself. ---------
write_postfix_conf() {
  local pf="$base/postfix"
  cat > "$pf/main.cf" <<CONF
compatibility_level = 3.6
queue_directory = $base/queue
data_directory = $base/data
maillog_file = $base/postfix.log
maillog_file_prefixes = $base
myhostname = mail.example.jp
mydomain = example.jp
myorigin = \$myhostname
mydestination =
local_recipient_maps =
alias_maps =
alias_database =
inet_interfaces = 127.0.0.1
inet_protocols = ipv4
mynetworks = 127.0.0.1/32
smtp_dns_support_level = disabled
lmtp_dns_support_level = disabled
smtpd_peername_lookup = no
smtputf8_enable = no
biff = no
append_dot_mydomain = no
# Mail for anywhere else never leaves this machine: it bounces at once.
default_transport = error:outside the test domains
relay_transport = error:outside the test domains

virtual_mailbox_domains = $(paste -sd, "$pf/domains" | sed 's/,/, /g')
virtual_mailbox_maps = texthash:$pf/vmailbox
virtual_mailbox_base = $base/mail
virtual_uid_maps = static:$MAIL_UID
virtual_gid_maps = static:$MAIL_UID
virtual_minimum_uid = $MAIL_UID
virtual_mailbox_limit = 0
mailbox_size_limit = 0
message_size_limit = 20971520
# Unknown recipients pass RCPT, so that Postfix writes the bounce to the sender.
smtpd_reject_unlisted_recipient = no
smtpd_relay_restrictions = permit_sasl_authenticated, reject_unauth_destination
smtpd_recipient_restrictions =

smtpd_tls_security_level = may
smtpd_tls_cert_file = $base/cert.pem
smtpd_tls_key_file = $base/key.pem
smtpd_tls_session_cache_database =
smtpd_sasl_auth_enable = yes
smtpd_sasl_type = dovecot
smtpd_sasl_path = $base/dovecot/run/auth-postfix
smtpd_tls_auth_only = yes

# Twenty thousand deliveries in a test's time: no pacing anywhere.
default_process_limit = 200
in_flow_delay = 0
smtpd_client_connection_count_limit = 0
smtpd_client_connection_rate_limit = 0
smtpd_client_message_rate_limit = 0
smtpd_client_recipient_rate_limit = 0
smtpd_error_sleep_time = 0
smtpd_soft_error_limit = 1000
smtpd_hard_error_limit = 1000
smtpd_recipient_limit = 100000
initial_destination_concurrency = 50
default_destination_concurrency_limit = 50
virtual_destination_concurrency_limit = 100
virtual_destination_recipient_limit = 1
qmgr_message_active_limit = 40000
qmgr_message_recipient_limit = 40000
queue_run_delay = 2s
minimal_backoff_time = 2s
maximal_backoff_time = 5s
delay_warning_time = 0
CONF
  cat > "$pf/master.cf" <<CONF
127.0.0.1:$smtp inet n -     n -    -    smtpd
pickup     fifo  n     -     n 60   1    pickup
cleanup    unix  n     -     n -    0    cleanup
qmgr       fifo  n     -     n 300  1    qmgr
tlsmgr     unix  -     -     n 1000? 1   tlsmgr
rewrite    unix  -     -     n -    -    trivial-rewrite
bounce     unix  -     -     n -    0    bounce
defer      unix  -     -     n -    0    bounce
trace      unix  -     -     n -    0    bounce
verify     unix  -     -     n -    1    verify
flush      unix  n     -     n 1000? 0   flush
proxymap   unix  -     -     n -    -    proxymap
proxywrite unix  -     -     n -    1    proxymap
smtp       unix  -     -     n -    -    smtp
relay      unix  -     -     n -    -    smtp
showq      unix  n     -     n -    -    showq
error      unix  -     -     n -    -    error
retry      unix  -     -     n -    -    error
discard    unix  -     -     n -    -    discard
virtual    unix  -     n     n -    -    virtual
anvil      unix  -     -     n -    1    anvil
scache     unix  -     -     n -    1    scache
postlog    unix-dgram n -    n -    1    postlogd
CONF
}

# A server answers with its own greeting on port $2 (so that a port another process took in
# the meantime is not mistaken for ours).
greets() {
  local port=$1 want=$2 greeting=""
  { exec 4<>"/dev/tcp/127.0.0.1/$port"; } 2>/dev/null || return 1
  read -r -t 2 greeting <&4 || true
  exec 4>&-
  [[ "$greeting" == "$want"* ]]
}
both_ready() {
  kill -0 "$postfix_pid" 2>/dev/null || return 1
  greets "$smtp" "220 mail.example.jp ESMTP" && greets "$pop3" "+OK Dovecot"
}

# Two ports that were free a moment ago; on a clash with another process a server stops,
# and the start is tried again with new ports.
ready=0
for attempt in 1 2 3; do
  read -r smtp pop3 < <(free_ports 2)
  write_dovecot_conf
  write_postfix_conf
  "$DOVECOT" -F -c "$base/dovecot/dovecot.conf" </dev/null >>"$base/dovecot.log" 2>&1 &
  pid=$!
  "$POSTFIX" -c "$base/postfix" start-fg </dev/null >>"$base/postfix.start.log" 2>&1 &
  postfix_pid=$!
  if daemon_ready both_ready; then
    ready=1
    break
  fi
  echo "mail servers: start $attempt failed, retrying"
  tail -5 "$base/postfix.start.log" "$base/postfix.log" "$base/dovecot.log" 2>/dev/null || true
  stop_pid=$pid pid=""
  kill "$stop_pid" 2>/dev/null || true
  wait "$stop_pid" 2>/dev/null || true
  stop_postfix
done
if [ "$ready" -ne 1 ]; then
  echo "ERROR the mail servers did not start"
  exit 1
fi

echo "READY $smtp $pop3 $base" >&3
exec 3>&-
# Wait for our standard input to close in the background, so that SIGTERM is handled at
# once instead of after the read returns.
cat <&0 >/dev/null &
cat_pid=$!
wait "$cat_pid" || true
