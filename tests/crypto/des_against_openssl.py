#!/usr/bin/env python3
"""Checks `icoforge decrypt -a 1` against OpenSSL's DES on random keys and texts.

Our cipher numbers key bits least significant first, so OpenSSL gets the folded key with
every byte mirrored. Exits 77 (skipped) when openssl or its DES is not available.
"""
import os
import random
import subprocess
import sys
import tempfile


def mirrored_folded_key(key: bytes) -> bytes:
    folded = bytearray(8)
    for i, b in enumerate(key):
        folded[i % 8] ^= b
    return bytes(int(f"{b:08b}"[::-1], 2) for b in folded)


def openssl_des(block: bytes, key: bytes) -> bytes:
    return subprocess.run(
        ["openssl", "enc", "-des-ecb", "-K", key.hex(), "-nopad", "-provider", "legacy", "-provider", "default"],
        input=block, capture_output=True, check=True).stdout


def main() -> int:
    icoforge = sys.argv[1]
    try:
        openssl_des(bytes(8), bytes(8))
    except (OSError, subprocess.CalledProcessError):
        print("openssl with DES not available: skipped")
        return 77
    rng = random.Random(46)
    alphabet = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 -_.~!"
    failures = 0
    with tempfile.TemporaryDirectory() as folder:
        source, target = os.path.join(folder, "in.bin"), os.path.join(folder, "out.bin")
        for _ in range(40):
            key = "".join(rng.choice(alphabet) for _ in range(rng.randint(1, 20)))
            plain = bytes(rng.randrange(256) for _ in range(rng.randint(1, 60)))
            framed = len(plain).to_bytes(4, "little") + plain
            framed += bytes(-len(framed) % 8)
            with open(source, "wb") as f:
                f.write(openssl_des(framed, mirrored_folded_key(key.encode())))
            run = subprocess.run([icoforge, "decrypt", "-a", "1", "-k", key, source, target], capture_output=True)
            got = open(target, "rb").read() if run.returncode == 0 else None
            if got != plain:
                failures += 1
                print(f"key {key!r}: expected {plain.hex()}, got {got.hex() if got else run.stderr!r}")
            if os.path.exists(target):
                os.remove(target)
    print(f"{40 - failures} passed, {failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
