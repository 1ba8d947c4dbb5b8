#!/usr/bin/python3
"""Download and upload throughput of the engine against curl and lftp.

Starts its own vsftpd on 127.0.0.1 (anonymous, uploads allowed, in a temporary folder),
moves a file of --size MiB (default 1024) down and up with each client, in passive and in
active mode, and prints throughput and client CPU seconds per GiB, with the engine's ratio
to each peer measured in the same run. Run as root (vsftpd); ./bench/run.sh builds the
driver bench/ftpxfer.cpp first and then runs this script.

    ftp_throughput.py --xfer build/bench/bench/tarnel-ftpxfer [--size 1024] [--repeat 2] [--only get|put]

With --limits, it instead downloads (passive) under each speed limit with the engine's limiter
and with lftp's net:limit-rate, about --seconds worth of data each, and prints how close each
stays to its limit.
"""
import argparse
import os
import resource
import shutil
import socket
import subprocess
import sys
import tempfile
import time

VSFTPD_CONF = """listen=YES
listen_ipv6=NO
listen_address=127.0.0.1
listen_port={port}
background=NO
run_as_launching_user=YES
anonymous_enable=YES
no_anon_password=YES
anon_root={root}
local_enable=NO
write_enable=YES
anon_upload_enable=YES
anon_other_write_enable=YES
anon_umask=022
allow_writeable_chroot=YES
pasv_enable=YES
pasv_address=127.0.0.1
port_enable=YES
connect_from_port_20=NO
seccomp_sandbox=NO
xferlog_enable=NO
dirmessage_enable=NO
secure_chroot_dir={empty}
"""


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_listening(port, deadline=10.0):
    end = time.time() + deadline
    while time.time() < end:
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=1) as s:
                s.recv(100)
                return True
        except OSError:
            time.sleep(0.05)
    return False


def start_private_vsftpd(work, root, extra_conf=""):
    """Starts vsftpd on 127.0.0.1 at a free port serving `root` to anonymous users with
    uploads allowed; its files go into `work`. Returns the process and the port."""
    empty = os.path.join(work, "empty")
    os.makedirs(empty, exist_ok=True)
    port = free_port()
    conf = os.path.join(work, "vsftpd.conf")
    with open(conf, "w") as f:
        f.write(VSFTPD_CONF.format(port=port, root=root, empty=empty) + extra_conf)
    os.chmod(conf, 0o600)
    proc = subprocess.Popen(["/usr/sbin/vsftpd", conf], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    if not wait_listening(port):
        proc.terminate()
        raise RuntimeError("vsftpd did not start: %s" % proc.stderr.read().decode(errors="replace"))
    return proc, port


def timed(cmd):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    result = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    seconds = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    if result.returncode != 0:
        raise RuntimeError("%s failed: %s" % (cmd[0], result.stderr.decode(errors="replace").strip()))
    return seconds, cpu


def client_command(client, xfer, port, mode, direction, remote, local):
    url = "ftp://127.0.0.1:%d/%s" % (port, remote)
    if client == "engine":
        return [xfer, direction, mode, "127.0.0.1", str(port), "anonymous", "bench@", remote, local]
    if client == "curl":
        cmd = ["curl", "-s", "-S"]
        cmd += ["--disable-epsv"] if mode == "passive" else ["-P", "127.0.0.1", "--disable-eprt"]
        return cmd + (["-o", local, url] if direction == "get" else ["-T", local, url])
    if client == "lftp":
        transfer = ("get %s -o %s" % (remote, local)) if direction == "get" else ("put %s -o %s" % (local, remote))
        script = ("set ftp:passive-mode %s; set ftp:prefer-epsv no; set net:max-retries 1; "
                  "set xfer:clobber yes; open -u anonymous,bench@ -p %d 127.0.0.1; %s"
                  % ("on" if mode == "passive" else "off", port, transfer))
        return ["lftp", "-c", script]
    raise ValueError(client)


def limited_downloads(args, limits, port, root, local):
    print("%-8s %12s %12s %8s" % ("client", "limit B/s", "got B/s", "ratio"))
    for limit in limits:
        size = limit * args.seconds
        name = "limit%d.bin" % limit
        with open(os.path.join(root, "pub", "big.bin"), "rb") as src, open(os.path.join(root, "pub", name), "wb") as dst:
            dst.write(src.read(size))
        target = os.path.join(local, name)
        for client in ("engine", "lftp"):
            cmd = client_command(client, args.xfer, port, "passive", "get", "pub/" + name, target)
            if client == "engine":
                cmd.append(str(limit))
            else:
                cmd[-1] = "set net:limit-rate %d; " % limit + cmd[-1]
            seconds, _ = timed(cmd)
            if os.path.getsize(target) != size:
                raise RuntimeError("%s moved %d bytes under limit %d" % (client, os.path.getsize(target), limit))
            os.remove(target)
            rate = size / seconds
            print("%-8s %12d %12.0f %8.3f" % (client, limit, rate, rate / limit))
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--xfer", required=True, help="the tarnel-ftpxfer driver")
    parser.add_argument("--size", type=int, default=1024, help="MiB per transfer")
    parser.add_argument("--repeat", type=int, default=2, help="runs per case; the best one counts")
    parser.add_argument("--only", choices=["get", "put"], help="one direction only")
    parser.add_argument("--limits", help="comma-separated bytes per second, e.g. 102400,1048576,10485760")
    parser.add_argument("--seconds", type=int, default=8, help="length of each limited download")
    args = parser.parse_args()
    if args.limits:
        limits = [int(x) for x in args.limits.split(",")]
        args.size = max(1, max(limits) * args.seconds >> 20)
    clients = ["engine", "curl", "lftp"]
    size = args.size << 20

    work = tempfile.mkdtemp(prefix="tarnel-bench-")
    vsftpd = None
    try:
        root = os.path.join(work, "root")
        pub = os.path.join(root, "pub")
        local = os.path.join(work, "local")
        for folder in (root, pub, local):
            os.makedirs(folder)
        os.chmod(pub, 0o777)
        source = os.path.join(pub, "big.bin")
        with open(source, "wb") as f:
            chunk = os.urandom(1 << 20)
            for _ in range(args.size):
                f.write(chunk)
        upload_source = os.path.join(local, "up.bin")
        shutil.copyfile(source, upload_source)

        vsftpd, port = start_private_vsftpd(work, root)

        if args.limits:
            return limited_downloads(args, limits, port, root, local)

        results = {}
        counter = 0
        directions = [args.only] if args.only else ["get", "put"]
        for direction in directions:
            for mode in ("passive", "active"):
                for _ in range(args.repeat):
                    for client in clients:  # interleaved, so drift hits every client alike
                        counter += 1
                        if direction == "get":
                            remote, target = "pub/big.bin", os.path.join(local, "down.bin")
                        else:
                            remote, target = "pub/up%d.bin" % counter, upload_source
                        seconds, cpu = timed(client_command(client, args.xfer, port, mode, direction, remote, target))
                        moved = os.path.getsize(target if direction == "get" else os.path.join(root, remote))
                        if moved != size:
                            raise RuntimeError("%s %s %s moved %d bytes" % (client, mode, direction, moved))
                        if direction == "get":
                            os.remove(target)
                        else:
                            os.remove(os.path.join(root, remote))
                        best = results.get((client, mode, direction))
                        if best is None or seconds < best[0]:
                            results[(client, mode, direction)] = (seconds, cpu)

        gib = size / float(1 << 30)
        print("%-8s %-8s %-4s %10s %12s" % ("client", "mode", "dir", "MiB/s", "CPU s/GiB"))
        for direction in directions:
            for mode in ("passive", "active"):
                for client in clients:
                    seconds, cpu = results[(client, mode, direction)]
                    print("%-8s %-8s %-4s %10.1f %12.3f" % (client, mode, direction, args.size / seconds, cpu / gib))
        print()
        print("engine ratio (throughput: >1 is faster; CPU: <1 is cheaper)")
        for direction in directions:
            for mode in ("passive", "active"):
                e_s, e_cpu = results[("engine", mode, direction)]
                for peer in ("curl", "lftp"):
                    p_s, p_cpu = results[(peer, mode, direction)]
                    print("  %-4s %-8s vs %-5s throughput %.2f  CPU %.2f"
                          % (direction, mode, peer, p_s / e_s, e_cpu / p_cpu if p_cpu > 0 else float("nan")))
    finally:
        if vsftpd:
            vsftpd.terminate()
            vsftpd.wait(5)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
