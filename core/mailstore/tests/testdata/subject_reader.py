"""Prints the Subject of each message as Python's standard email package reads it.

The file named on the command line holds one message per line, in hex. For each message
one line is printed: the subject as UTF-8 in hex ("-" when there is none), the number of
defects the parser found in it, and the length of the longest line of the message.
"""
import email
import email.policy
import sys


def main():
    with open(sys.argv[1], encoding="ascii") as f:
        for line in f:
            raw = bytes.fromhex(line.strip())
            msg = email.message_from_bytes(raw, policy=email.policy.default)
            subject = msg["subject"]
            text = "-" if subject is None else (str(subject).encode("utf-8").hex() or "-")
            defects = 0 if subject is None else len(subject.defects)
            longest = max(len(l) for l in raw.split(b"\r\n"))
            print(text, defects, longest)


main()
