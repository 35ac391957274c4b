#!/usr/bin/env python3
# Writes the setup package's data file: SIZE pseudo-random bytes from a fixed seed, the same
# on every build, so the package is as large as a real product's and barely compressible.
import random
import sys


def main() -> int:
    if len(sys.argv) != 3:
        print("usage: make_payload.py OUTPUT SIZE", file=sys.stderr)
        return 2
    output, size = sys.argv[1], int(sys.argv[2])
    with open(output, "wb") as out:
        out.write(random.Random(20240611).randbytes(size))
    return 0


if __name__ == "__main__":
    sys.exit(main())
