"""kalvenor-cli reads a long column from standard input in constant memory:
a million values take no more than a few thousand would."""

import subprocess
import sys
import threading
import time

LIMIT_KB = 15_000  # reading all first takes over 40 MB

cli = sys.argv[1]
proc = subprocess.Popen([cli, "--mach", "-", "--csv"], stdin=subprocess.PIPE, stdout=subprocess.DEVNULL)
chunk = "".join(f"{1 + i / 1e5}\n" for i in range(100_000)).encode()


def feed():
    for _ in range(10):
        proc.stdin.write(chunk)
    proc.stdin.close()


def high_water():
    """The peak resident memory so far, from /proc: what the child had
    before it became kalvenor-cli does not count, as in getrusage."""
    try:
        with open(f"/proc/{proc.pid}/status") as status:
            for line in status:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


feeder = threading.Thread(target=feed)
feeder.start()
peak = 0
while proc.poll() is None:
    peak = max(peak, high_water())
    time.sleep(0.01)
feeder.join()
print(f"exit {proc.returncode}, peak {peak} KB for a million values")
sys.exit(0 if proc.returncode == 0 and 0 < peak < LIMIT_KB else 1)
