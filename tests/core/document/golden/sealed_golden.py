#!/usr/bin/env python3
"""The sealed document format (300) written and read from its published layout alone, with
PyNaCl's bindings of the same cryptography library, sharing no code with the program.

    python3 sealed_golden.py make          rewrites the golden sealed-*.kyq files next to itself
    python3 sealed_golden.py read FILE     password on the first line of standard input; prints
                                           the owner, then one line per record:
                                           title TAB user name TAB password TAB year TAB month TAB day
Exit status 4 when the file does not authenticate, 3 when its header is refused.
"""
import os
import struct
import sys

from nacl import bindings as nb
from nacl import exceptions as nacl_errors

HERE = os.path.dirname(os.path.abspath(__file__))


def text(s):
    b = s.encode("utf-8")
    return struct.pack("<I", len(b)) + b


def seal(owner, password, records, ops, mem_kib, salt, nonce):
    key = nb.crypto_pwhash_alg(32, password.encode("utf-8"), salt, ops, mem_kib * 1024,
                               nb.crypto_pwhash_ALG_ARGON2ID13)
    plain = struct.pack("<I", len(records))
    for title, user, pw, year, month, day in records:
        plain += text(title) + text(user) + text(pw) + struct.pack("<hBB", year, month, day)
    name = owner.encode("utf-8")
    header = struct.pack("<iBBHII", 300, 1, 1, 0, ops, mem_kib) + salt + nonce
    header += struct.pack("<I", len(name)) + name + struct.pack("<I", len(plain) + 16)
    return header + nb.crypto_aead_xchacha20poly1305_ietf_encrypt(plain, header, nonce, key)


def unseal(data, password):
    number, kdf, cipher, reserved, ops, mem_kib = struct.unpack_from("<iBBHII", data, 0)
    if number != 300 or kdf != 1 or cipher != 1 or reserved != 0:
        raise ValueError("not a sealed header")
    if not (1 <= ops <= 32 and 8192 <= mem_kib <= 1048576):
        raise ValueError("cost out of range")
    salt, nonce = data[16:32], data[32:56]
    (name_len,) = struct.unpack_from("<I", data, 56)
    owner = data[60:60 + name_len].decode("utf-8")
    (c_len,) = struct.unpack_from("<I", data, 60 + name_len)
    if 64 + name_len + c_len != len(data) or c_len < 20:
        raise ValueError("sizes do not add up")
    key = nb.crypto_pwhash_alg(32, password.encode("utf-8"), salt, ops, mem_kib * 1024,
                               nb.crypto_pwhash_ALG_ARGON2ID13)
    plain = nb.crypto_aead_xchacha20poly1305_ietf_decrypt(data[64 + name_len:], data[:64 + name_len], nonce, key)
    (count,) = struct.unpack_from("<I", plain, 0)
    at, records = 4, []
    for _ in range(count):
        fields = []
        for _ in range(3):
            (n,) = struct.unpack_from("<I", plain, at)
            fields.append(plain[at + 4:at + 4 + n].decode("utf-8"))
            at += 4 + n
        fields += struct.unpack_from("<hBB", plain, at)
        at += 4
        records.append(fields)
    if at != len(plain):
        raise ValueError("bytes after the last record")
    return owner, records


GOLDEN = {
    "sealed-three-records.kyq": ("张三", "密钥k", [
        ("Bank银行", "zhang", "p@ss中文", 2024, 2, 29),
        ("Mail", "", "", 1999, 12, 31),
        ("论坛", "用户名", "a password longer than sixteen", -1, 0, 255),
    ]),
    "sealed-empty.kyq": ("Li", "pw", []),
}


def make():
    for i, (name, (owner, password, records)) in enumerate(sorted(GOLDEN.items())):
        # Fixed salt and nonce keep the committed bytes stable; the lowest accepted cost
        # keeps the tests fast.
        salt = bytes(range(16 * i, 16 * i + 16))
        nonce = bytes(range(100 + i, 124 + i))
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(seal(owner, password, records, 1, 8192, salt, nonce))


def read(path):
    password = sys.stdin.readline().rstrip("\n")
    with open(path, "rb") as f:
        data = f.read()
    try:
        owner, records = unseal(data, password)
    except nacl_errors.CryptoError:
        sys.exit(4)
    except (ValueError, struct.error, UnicodeDecodeError):
        sys.exit(3)
    out = [owner] + ["\t".join(str(v) for v in r) for r in records]
    sys.stdout.buffer.write(("\n".join(out) + "\n").encode("utf-8"))


if __name__ == "__main__":
    if sys.argv[1:] == ["make"]:
        make()
    elif len(sys.argv) == 3 and sys.argv[1] == "read":
        read(sys.argv[2])
    else:
        sys.exit(__doc__)
