#!/bin/sh
# Stands in for the Quillary converter in the tests. Writes its arguments, one a line, to
# $FAKE_ARGS; with $FAKE_WAIT set, creates $FAKE_WAIT.started and waits for $FAKE_WAIT.go;
# copies $FAKE_QLA_CSV to the file named by "/d:<path>"; exits with $FAKE_RC (default 0).
out=""
for a in "$@"; do
    case "$a" in /d:*) out="${a#/d:}" ;; esac
done
[ -n "$FAKE_ARGS" ] && printf '%s\n' "$@" > "$FAKE_ARGS"
if [ -n "$FAKE_WAIT" ]; then
    : > "$FAKE_WAIT.started"
    while [ ! -e "$FAKE_WAIT.go" ]; do sleep 0.01; done
fi
[ -n "$FAKE_QLA_CSV" ] && cp "$FAKE_QLA_CSV" "$out"
exit "${FAKE_RC:-0}"
