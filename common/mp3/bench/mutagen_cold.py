"""Reads one MP3 file's length with mutagen, cold: the file is dropped from
the page cache before each read. Prints the mean seconds per read and the
length mutagen found.

    python3 mutagen_cold.py FILE READS
"""
import os
import sys
import time

import mutagen.mp3


def main():
    path, reads = sys.argv[1], int(sys.argv[2])
    total = 0.0
    length = 0.0
    for _ in range(reads):
        fd = os.open(path, os.O_RDONLY)
        os.posix_fadvise(fd, 0, 0, os.POSIX_FADV_DONTNEED)
        os.close(fd)
        start = time.perf_counter()
        length = mutagen.mp3.MP3(path).info.length
        total += time.perf_counter() - start
    print(f"{total / reads:.9f} {length:.3f}")


if __name__ == "__main__":
    main()
