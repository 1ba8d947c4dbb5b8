#!/usr/bin/python3
"""tarnel-cli beside curl and lftp, in one run against the private vsftpd of ftp_throughput.py.

Cases (passive mode throughout): one file of --size MiB down and up; --count files of
--small KiB down and up with --parallel transfers at a time (tarnel-cli get/put of a folder
with --parallel, lftp mirror / mirror -R --parallel, curl -Z --parallel-max with one
URL per file). Every copy is checked; prints wall seconds, client CPU seconds and
tarnel-cli's ratio to each peer. Each case runs --repeat times, interleaved; the best counts.

    cli_compare.py --cli build/bench/src/cli/tarnel-cli [--size 1024] [--count 1000] [--small 4] [--parallel 4] [--repeat 2]
"""
import argparse
import filecmp
import os
import shutil
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from ftp_throughput import start_private_vsftpd, timed  # noqa: E402

LFTP_OPEN = "set ftp:passive-mode on; set ftp:prefer-epsv no; set net:max-retries 1; set xfer:clobber yes; " \
            "open -u anonymous,bench@ -p %d 127.0.0.1; "


def commands(client, case, a, port, root, local, tag):
    """The command of one run; `tag` keeps the remote targets of uploads apart."""
    url = "ftp://127.0.0.1:%d" % port
    # This vsftpd does not chroot: absolute paths are the real ones, relative ones start at root.
    big, many = os.path.join(root, "pub", "big.bin"), os.path.join(root, "pub", "many")
    up = os.path.join(root, "pub", "up-%s" % tag)
    if client == "tarnel":
        base = [a.cli]
        opts = ["--passive", "--overwrite", "--binary", "--retries", "1", "--parallel", str(a.parallel)]
        if case == "big get":
            return base + ["get"] + opts + [url + big, os.path.join(local, "big.bin")]
        if case == "big put":
            return base + ["put"] + opts + [os.path.join(local, "src.bin"), url + up + ".bin"]
        if case == "many get":
            return base + ["get"] + opts + [url + many + "/", os.path.join(local, "down-" + tag)]
        os.makedirs(up)
        os.chmod(up, 0o777)
        return base + ["put"] + opts + [os.path.join(local, "many"), url + up + "/"]
    if client == "curl":
        cmd = ["curl", "-s", "-S", "--disable-epsv"]
        if case == "big get":
            return cmd + ["-o", os.path.join(local, "big.bin"), url + "/pub/big.bin"]
        if case == "big put":
            return cmd + ["-T", os.path.join(local, "src.bin"), url + "/pub/up-%s.bin" % tag]
        cmd += ["-Z", "--parallel-max", str(a.parallel)]
        names = ["f%d" % i for i in range(a.count)]
        if case == "many get":
            target = os.path.join(local, "down-" + tag, "many")
            os.makedirs(target)
            for n in names:
                cmd += ["-o", os.path.join(target, n), "%s/pub/many/%s" % (url, n)]
            return cmd
        cmd += ["--ftp-create-dirs"]
        for n in names:
            cmd += ["-T", os.path.join(local, "many", n), "%s/pub/up-%s/many/%s" % (url, tag, n)]
        return cmd
    if client == "lftp":
        if case == "big get":
            job = "get pub/big.bin -o %s" % os.path.join(local, "big.bin")
        elif case == "big put":
            job = "put %s -o pub/up-%s.bin" % (os.path.join(local, "src.bin"), tag)
        elif case == "many get":
            job = "mirror --parallel=%d pub/many %s" % (a.parallel, os.path.join(local, "down-" + tag, "many"))
        else:
            job = "mirror -R --parallel=%d %s pub/up-%s/many" % (a.parallel, os.path.join(local, "many"), tag)
        return ["lftp", "-c", LFTP_OPEN % port + job]
    raise ValueError(client)


def check(case, a, root, local, tag):
    if case == "big get":
        ok = filecmp.cmp(os.path.join(root, "pub", "big.bin"), os.path.join(local, "big.bin"), shallow=False)
        os.remove(os.path.join(local, "big.bin"))
    elif case == "big put":
        got = os.path.join(root, "pub", "up-%s.bin" % tag)
        ok = filecmp.cmp(os.path.join(local, "src.bin"), got, shallow=False)
        os.remove(got)
    else:
        names = ["f%d" % i for i in range(a.count)]
        if case == "many get":
            source, target = os.path.join(root, "pub", "many"), os.path.join(local, "down-" + tag, "many")
        else:
            source, target = os.path.join(local, "many"), os.path.join(root, "pub", "up-" + tag, "many")
        _, mismatch, errors = filecmp.cmpfiles(source, target, names, shallow=False)
        ok = not mismatch and not errors
        shutil.rmtree(os.path.dirname(target) if case == "many get" else os.path.join(root, "pub", "up-" + tag))
    if not ok:
        raise RuntimeError("%s: the copies differ (%s)" % (case, tag))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--cli", required=True, help="the tarnel-cli binary")
    parser.add_argument("--size", type=int, default=1024, help="MiB of the large file")
    parser.add_argument("--count", type=int, default=1000, help="small files")
    parser.add_argument("--small", type=int, default=4, help="KiB per small file")
    parser.add_argument("--parallel", type=int, default=4)
    parser.add_argument("--repeat", type=int, default=2)
    a = parser.parse_args()
    clients = ["tarnel", "curl", "lftp"]
    cases = ["big get", "big put", "many get", "many put"]

    work = tempfile.mkdtemp(prefix="tarnel-cbench-")
    vsftpd = None
    try:
        root = os.path.join(work, "root")
        local = os.path.join(work, "local")
        many_src = os.path.join(root, "pub", "many")
        for folder in (many_src, os.path.join(local, "many"), os.path.join(work, "profile")):
            os.makedirs(folder)
        os.chmod(os.path.join(root, "pub"), 0o777)
        os.environ["TARNEL_HOME"] = os.path.join(work, "profile")  # no stored settings of the user
        with open(os.path.join(root, "pub", "big.bin"), "wb") as f:
            chunk = os.urandom(1 << 20)
            for _ in range(a.size):
                f.write(chunk)
        os.chmod(os.path.join(root, "pub", "big.bin"), 0o644)
        shutil.copyfile(os.path.join(root, "pub", "big.bin"), os.path.join(local, "src.bin"))
        for i in range(a.count):
            for folder in (many_src, os.path.join(local, "many")):
                name = os.path.join(folder, "f%d" % i)
                with open(name, "wb") as f:
                    f.write(os.urandom(a.small << 10))
                os.chmod(name, 0o644)
        vsftpd, port = start_private_vsftpd(work, root, "max_clients=0\nmax_per_ip=0\nanon_mkdir_write_enable=YES\n")

        best = {}
        run = 0
        for case in cases:
            for _ in range(a.repeat):
                for client in clients:  # interleaved, so drift hits every client alike
                    run += 1
                    tag = "%s%d" % (client, run)
                    seconds, cpu = timed(commands(client, case, a, port, root, local, tag))
                    check(case, a, root, local, tag)
                    key = (case, client)
                    if key not in best or seconds < best[key][0]:
                        best[key] = (seconds, cpu)

        print("large file %d MiB; %d files of %d KiB, %d in parallel; passive; best of %d"
              % (a.size, a.count, a.small, a.parallel, a.repeat))
        print("%-9s %-7s %10s %8s" % ("case", "client", "seconds", "CPU s"))
        for case in cases:
            for client in clients:
                s, c = best[(case, client)]
                print("%-9s %-7s %10.2f %8.2f" % (case, client, s, c))
        print()
        print("tarnel-cli ratio to each peer (time: <1 is faster; CPU: <1 is cheaper)")
        for case in cases:
            s, c = best[(case, "tarnel")]
            for peer in ("curl", "lftp"):
                ps, pc = best[(case, peer)]
                print("  %-9s vs %-5s time %.2f  CPU %.2f" % (case, peer, s / ps, c / pc if pc > 0 else float("nan")))
    finally:
        if vsftpd:
            vsftpd.terminate()
            vsftpd.wait(5)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
