#!/usr/bin/python3
"""Reads one mail file with Python's email package and prints what a mail reader would show, as
JSON: subject, from, to (addresses), date (ISO 8601 with offset), message_id, body, charset."""
import email
import email.policy
import json
import sys

with open(sys.argv[1], "rb") as f:
    msg = email.message_from_binary_file(f, policy=email.policy.default)
out = {
    "subject": str(msg["subject"]),
    "from": msg["from"].addresses[0].addr_spec,
    "from_name": msg["from"].addresses[0].display_name,
    "to": [a.addr_spec for a in msg["to"].addresses],
    "date": msg["date"].datetime.isoformat(),
    "message_id": str(msg["message-id"]),
    "charset": msg.get_content_charset(),
    "body": msg.get_content(),
    "defects": len(msg.defects),
}
print(json.dumps(out, ensure_ascii=False))
