#!/usr/bin/python3
# Computes the authorisation value from the written rules alone: the password lower-cased and
# hashed, then the hash followed by the challenge bytes widened with sign extension, hashed.
# Usage: authorisation_value.py PASSWORD CHALLENGE_HEX
import hashlib
import sys


def md5_hex(text):
    return hashlib.md5(text.encode("utf-8", "surrogatepass")).hexdigest()


def lower_units(text):
    units = text.encode("utf-16-le", "surrogatepass")
    out = []
    for i in range(0, len(units), 2):
        unit = int.from_bytes(units[i:i + 2], "little")
        ch = chr(unit)
        lowered = ch.lower() if 0xD800 > unit or unit > 0xDFFF else ch
        out.append(lowered if len(lowered) == 1 else ch)
    return "".join(out)


password = sys.argv[1]
challenge = bytes.fromhex(sys.argv[2])
password_hash = md5_hex(lower_units(password))
widened = "".join(chr(b | 0xFF00) if b >= 0x80 else chr(b) for b in challenge)
print(md5_hex(password_hash + widened))
