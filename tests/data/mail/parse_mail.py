#!/usr/bin/python3
"""Reads one mail file with Python's email package and prints what a mail reader would show, as
JSON: the subject, the body and the number of defects found."""
import email
import email.policy
import json
import sys

with open(sys.argv[1], "rb") as f:
    msg = email.message_from_binary_file(f, policy=email.policy.default)
out = {
    "subject": str(msg["subject"]),
    "body": msg.get_content(),
    "defects": len(msg.defects),
}
print(json.dumps(out, ensure_ascii=False))
