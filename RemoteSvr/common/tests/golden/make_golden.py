#!/usr/bin/env python3
# Makes the golden enciphered record for record_cipher_test.cpp without any of
# our C++ code: the record is laid out here by hand and its fields enciphered
# by libcrypto's BF_set_key and BF_cbc_encrypt, called through ctypes.
# Run once: python3 make_golden.py > enciphered_record.hex
import ctypes
import struct

crypto = ctypes.CDLL("libcrypto.so.3")
FIXED_IV = bytes.fromhex("9c4e27b163f08a15")


def bf_cbc(key: bytes, data: bytes, iv: bytes = FIXED_IV) -> bytes:
    schedule = ctypes.create_string_buffer(4 * (18 + 1024))
    crypto.BF_set_key(schedule, len(key), key)
    chain = ctypes.create_string_buffer(iv, 8)
    out = ctypes.create_string_buffer(len(data))
    crypto.BF_cbc_encrypt(data, out, ctypes.c_long(len(data)), schedule, chain, 1)
    return out.raw


def field(text: str, width: int = 256) -> bytes:
    raw = text.encode("utf-8")
    assert len(raw) < width
    return raw + bytes(width - len(raw))


DOMAIN = "CORP.EXAMPLE.ORG"
USER = "j.doe"
PASSWORD = "N3w-Pässwörd!"
QUESTIONS = ["Name of your first pet?", "City you were born in?", "Favourite teacher?"]
HINTS = ["furry", "", "maths"]
ANSWERS = ["Rex", "md5:0190-9850-D23C-B04F-96D6-7D3F-E128-727F", "Mrs Ångström"]


def slots(texts):
    return b"".join(field(t) for t in texts) + bytes(256 * (5 - len(texts)))


domain = field(DOMAIN)
header = struct.pack("<5I", 5148, 0x2A4B4E56, 0, 1, 0) + struct.pack("<2I", 1, 0)
record = (header + domain
          + bf_cbc(domain, field(USER))
          + bf_cbc(domain, field(PASSWORD))
          + bf_cbc(domain, slots(QUESTIONS))
          + bf_cbc(domain, slots(HINTS))
          + bf_cbc(domain, slots(ANSWERS))
          + bytes(512))
assert len(record) == 5148
hex_text = record.hex()
for i in range(0, len(hex_text), 64):
    print(hex_text[i:i + 64])
