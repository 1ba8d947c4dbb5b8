#!/usr/bin/python3
"""Many small files through the transfer queue, beside lftp mirror, ftplib and a curl loop.

Uses the private vsftpd of ftp_throughput.py on 127.0.0.1 and downloads --count files of
--size KiB with --threads workers (the queue's MaxThread, lftp's mirror --parallel, the
threads of ftplib_items.py), and one curl process per file, one after the other. lftp keeps
its connections; ftplib_items.py, like the queue, opens one per file, so it shows what the
server allows for that sequence. Prints wall seconds per client and the queue's ratio to
each peer measured in the same run; every copy is checked byte for byte.

    queue_manyfiles.py --driver build/bench/bench/tarnel-queuedl [--count 1000] [--size 4] [--threads 4] [--repeat 2]
"""
import argparse
import filecmp
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from ftp_throughput import start_private_vsftpd, timed  # noqa: E402


def commands(client, args, port, target):
    if client == "queue":
        return [[args.driver, "127.0.0.1", str(port), "anonymous", "bench@", "pub/many",  # relative: this vsftpd does not chroot
                 str(args.count), target, str(args.threads)]]
    if client == "lftp":
        script = ("set ftp:passive-mode on; set ftp:prefer-epsv no; set net:max-retries 1; "
                  "open -u anonymous,bench@ -p %d 127.0.0.1; mirror --parallel=%d pub/many %s"
                  % (port, args.threads, target))
        return [["lftp", "-c", script]]
    if client == "ftplib":
        return [[sys.executable, os.path.join(os.path.dirname(os.path.abspath(__file__)), "ftplib_items.py"),
                 "127.0.0.1", str(port), "anonymous", "bench@", "pub/many", str(args.count), target,
                 str(args.threads)]]
    if client == "curl":
        os.makedirs(target, exist_ok=True)
        return [["curl", "-s", "-S", "--disable-epsv", "-o", os.path.join(target, "f%d" % i),
                 "ftp://127.0.0.1:%d/pub/many/f%d" % (port, i)] for i in range(args.count)]
    raise ValueError(client)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--driver", required=True, help="the tarnel-queuedl driver")
    parser.add_argument("--count", type=int, default=1000)
    parser.add_argument("--size", type=int, default=4, help="KiB per file")
    parser.add_argument("--threads", type=int, default=4)
    parser.add_argument("--repeat", type=int, default=2, help="runs per client; the best one counts")
    args = parser.parse_args()
    clients = ["queue", "lftp", "ftplib", "curl"]

    work = tempfile.mkdtemp(prefix="tarnel-qbench-")
    vsftpd = None
    try:
        root = os.path.join(work, "root")
        many = os.path.join(root, "pub", "many")
        os.makedirs(many)
        for i in range(args.count):
            name = os.path.join(many, "f%d" % i)
            with open(name, "wb") as f:
                f.write(os.urandom(args.size << 10))
            os.chmod(name, 0o644)  # anonymous downloads need world-readable files
        vsftpd, port = start_private_vsftpd(work, root, "max_clients=0\nmax_per_ip=0\n")

        best = {}
        for _ in range(args.repeat):
            for client in clients:  # interleaved, so drift hits every client alike
                target = os.path.join(work, "out-" + client)
                shutil.rmtree(target, ignore_errors=True)
                seconds = cpu = 0.0
                for cmd in commands(client, args, port, target):
                    s, c = timed(cmd)
                    seconds += s
                    cpu += c
                names = ["f%d" % i for i in range(args.count)]
                match, mismatch, errors = filecmp.cmpfiles(many, target, names, shallow=False)
                if mismatch or errors:
                    raise RuntimeError("%s: %d files differ, %d missing" % (client, len(mismatch), len(errors)))
                if client not in best or seconds < best[client][0]:
                    best[client] = (seconds, cpu)

        print("%d files of %d KiB, %d in parallel (curl: one process per file, in turn)"
              % (args.count, args.size, args.threads))
        print("%-6s %10s %10s %10s" % ("client", "seconds", "files/s", "CPU s"))
        for client in clients:
            seconds, cpu = best[client]
            print("%-6s %10.2f %10.1f %10.2f" % (client, seconds, args.count / seconds, cpu))
        print()
        q = best["queue"][0]
        for peer in ("lftp", "ftplib", "curl"):
            print("queue vs %-6s time ratio %.2f (<1 is faster)" % (peer, q / best[peer][0]))
    finally:
        if vsftpd:
            vsftpd.terminate()
            vsftpd.wait(5)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
