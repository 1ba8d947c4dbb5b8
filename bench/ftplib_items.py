#!/usr/bin/python3
"""Peer for queue_manyfiles.py: the queue's per-item work with Python's ftplib.

Downloads f0 .. f<count-1> of one remote folder with --threads threads; every file gets a
connection of its own (connect, log-in, LIST of the file, TYPE I, passive RETR, QUIT), as a
queue item does, so the time shows what the server allows for that sequence.

    ftplib_items.py host port user password remote-folder count local-folder threads
"""
import ftplib
import os
import sys
import threading


def item(host, port, user, password, remote, local):
    ftp = ftplib.FTP()
    ftp.connect(host, port)
    ftp.login(user, password)
    ftp.set_pasv(True)
    ftp.retrlines("LIST " + remote, lambda line: None)
    ftp.voidcmd("TYPE I")
    with open(local, "wb") as f:
        ftp.retrbinary("RETR " + remote, f.write)
    ftp.quit()


def main():
    if len(sys.argv) != 9:
        print(__doc__.strip().splitlines()[-1].strip(), file=sys.stderr)
        return 2
    host, port, user, password, folder, count, target, threads = sys.argv[1:]
    os.makedirs(target, exist_ok=True)
    names = iter(range(int(count)))
    lock = threading.Lock()
    failures = []

    def worker():
        while True:
            with lock:
                i = next(names, None)
            if i is None:
                return
            try:
                item(host, int(port), user, password, "%s/f%d" % (folder, i), os.path.join(target, "f%d" % i))
            except (OSError, ftplib.Error) as e:
                failures.append("f%d: %s" % (i, e))

    pool = [threading.Thread(target=worker) for _ in range(int(threads))]
    for t in pool:
        t.start()
    for t in pool:
        t.join()
    if failures:
        print("%d failed; first: %s" % (len(failures), failures[0]), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
