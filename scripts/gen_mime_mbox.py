#!/usr/bin/env python3
# A mailbox of MIME mail for timing the message parser (bench/parse_bench): UTF-8 texts in
# quoted-printable and base64, HTML alternatives and base64 attachments, in equal shares.
#   scripts/gen_mime_mbox.py OUT.mbox BYTES
import email.policy, random, sys
from email.message import EmailMessage
random.seed(3)
words = "Grüße aus Köln Καλησπέρα привет mail archive the quick brown fox jumps over lazy dog".split()
pol = email.policy.SMTP.clone(linesep="\n")
target = int(sys.argv[2]); size = 0; n = 0
with open(sys.argv[1], "wb") as f:
    while size < target:
        m = EmailMessage(); n += 1
        m["From"] = "Bob <bob@example.org>"; m["To"] = "me@example.org"
        m["Subject"] = "Nachricht %d %s" % (n, random.choice(words))
        m["Date"] = "Sat, 3 Feb 2001 10:00:00 +0100"
        body = "\n".join(" ".join(random.choice(words) for _ in range(12)) for _ in range(random.randint(5, 60))) + "\n"
        k = n % 4
        if k == 0:
            m.set_content(body, cte="quoted-printable")
        elif k == 1:
            m.set_content(body, cte="base64")
        elif k == 2:
            m.set_content(body); m.add_alternative("<html><body><p>" + body.replace("\n", "<br>") + "</p></body></html>", subtype="html")
        else:
            m.set_content(body)
            m.add_attachment(random.randbytes(random.randint(1000, 60000)), maintype="application", subtype="octet-stream", filename="datei %d.bin" % n)
        b = b"From bob@example.org Sat Feb  3 10:00:00 2001\n" + m.as_bytes(policy=pol).replace(b"\nFrom ", b"\n>From ") + b"\n"
        f.write(b); size += len(b)
print(n, "messages", size, "bytes")
