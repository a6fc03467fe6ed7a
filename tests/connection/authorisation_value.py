#!/usr/bin/python3
# Computes the authorisation value from the written rules alone: the password lower-cased one
# UTF-16 unit at a time and hashed, then the hash followed by the challenge bytes widened with
# sign extension, hashed. Usage: authorisation_value.py PASSWORD CHALLENGE_HEX
import hashlib
import sys


def md5_hex(text):
    return hashlib.md5(text.encode("utf-8", "surrogatepass")).hexdigest()


def lower_unit(unit):
    ch = chr(unit)
    lowered = ch if 0xD800 <= unit <= 0xDFFF else ch.lower()
    return lowered if len(lowered) == 1 else ch


units = sys.argv[1].encode("utf-16-le", "surrogatepass")
lowered = b"".join(lower_unit(int.from_bytes(units[i:i + 2], "little")).encode(
    "utf-16-le", "surrogatepass") for i in range(0, len(units), 2))
password_hash = md5_hex(lowered.decode("utf-16-le", "surrogatepass"))
widened = "".join(chr(b | 0xFF00) if b >= 0x80 else chr(b) for b in bytes.fromhex(sys.argv[2]))
print(md5_hex(password_hash + widened))
