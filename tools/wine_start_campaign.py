#!/usr/bin/env python3
"""Starts Windows programs under wine many times, K at a time, each with one input on a pipe, and
counts the runs that do not end within the time limit.

    tools/wine_start_campaign.py [--rounds R] [--round-size N] [--jobs K] [--limit S] [--gap G]
                                 [--log FILE] NAME=PROGRAM.exe ...

The programs take turns, N starts each a round, with the inputs of the pipe transcripts in turn.
As in the transcript harness, a run ends when its process does; output is awaited for 0.3 s more
only (a wineserver that the run started keeps the run's standard error open: "held" counts such
runs). A run that has not ended within the limit is a hang: it is noted with what it wrote and
the wine processes of the moment, and killed; the wineserver is stopped only after three hangs
in a row. A run whose output or exit code differs from the first run of the same program and
input is counted as odd. --gap G pauses up to G s (at random) after each round, so that the next
start meets the wineserver ending or starts a new one."""
import argparse, concurrent.futures, os, random, select, subprocess, sys, threading, time

WORKED = ["2", "10", "0.5", "1e-3", "1", "100", "12345678", "1234567", "2.718282", "2.7182818",
          "51", "1e-45", "0", "-0", "1e-50", "-1", "-1e-45", "-3e38", "  2.5  ", "2, 7", "1D+03",
          "1.0+3", "5-3", ".5", "3*2", "16#3*2", "\r\n   \r\n\t\r\n2", ",", "/", "3*,", "9" * 130]
REFUSED = ["abc", "1.5e", "1e39", "1e400", "'2'", "(1,2)", "*2", "0*2", "-3*2", "3**2", "\x1a",
           "", "9" * 131]
REPLIES = ["\r\n", "\n", " \t \r\n", "x\r\n", "echo hi   \t\r\n", "", "  echo  via  comspec\r\n",
           "echo out& echo err>&2& exit 3\r\n", "echo " + "a" * 195 + "\r\n"]
INPUTS = ([v + "\r\n\r\n" for v in WORKED] + [v + "\r\n" for v in REFUSED] +
          ["2\r\n" + r for r in REPLIES] + ["", "2", "  2  \n\n", "\n\n2\n\n", "2\r\nx"])
GRACE = 0.3
FIELDS = ("starts", "hangs", "silent", "odd", "held")


def wine_processes():
    ps = subprocess.run(["ps", "-eo", "pid,ppid,pgid,stat,etime,wchan:20,args"],
                        capture_output=True, text=True).stdout.splitlines()
    return "\n".join([ps[0]] + [l for l in ps[1:] if "wine" in l or ".exe" in l])


def run_once(wine, program, text, limit):
    """Returns (out, err, exit code, hung, still open, the wine processes at a hang)."""
    child = subprocess.Popen([wine, program], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE)
    try:
        child.stdin.write(text.encode("latin-1"))
        child.stdin.close()
    except BrokenPipeError:
        pass
    out, err, processes = bytearray(), bytearray(), ""
    streams = {child.stdout.fileno(): out, child.stderr.fileno(): err}
    began, ended = time.time(), None
    while ended is None or (streams and time.time() - ended < GRACE):
        for fd in select.select(list(streams), [], [], 0.02)[0]:
            data = os.read(fd, 65536)
            streams[fd] += data
            if not data:
                del streams[fd]
        if ended is None and child.poll() is not None:
            ended = time.time()
        elif ended is None and time.time() - began > limit:
            processes = wine_processes()
            child.kill()
            child.wait()
            ended = time.time()
    child.stdout.close()
    child.stderr.close()
    return bytes(out), bytes(err), child.returncode, bool(processes), bool(streams), processes


class Campaign:
    def __init__(self, options):
        self.options, self.counts, self.first, self.in_a_row = options, {}, {}, 0
        self.lock = threading.Lock()
        self.log = open(options.log, "a") if options.log else sys.stdout

    def note(self, text):
        with self.lock:
            print(time.strftime("%H:%M:%S ") + text, file=self.log, flush=True)

    def start(self, name, program, number):
        text = INPUTS[number % len(INPUTS)]
        out, err, code, hung, held, processes = run_once(self.options.wine, program, text,
                                                         self.options.limit)
        with self.lock:
            count = self.counts.setdefault(name, dict.fromkeys(FIELDS, 0))
            result = (out, err, code)
            odd = not hung and self.first.setdefault((name, text), result) != result
            for field, add in zip(FIELDS, (1, hung, hung and not out and not err, odd, held)):
                count[field] += add
            self.in_a_row = self.in_a_row + 1 if hung else 0
        if hung:
            self.note(f"HANG {name} input {text!r}: wrote {len(out)} bytes out, {len(err)} err\n"
                      f"{processes}")
        elif odd:
            self.note(f"ODD {name} input {text!r}: exit {code}, {out[-80:]!r} {err[-80:]!r}")
        if self.in_a_row >= 3:
            self.note("three hangs in a row: stopping the wineserver")
            subprocess.run(["wineserver", "-k"])

    def run(self, programs):
        began = time.time()
        self.note(f"{programs}, {len(INPUTS)} inputs, {self.options}, load {os.getloadavg()}")
        for r in range(self.options.rounds):
            for name, program in programs:
                first = r * self.options.round_size
                with concurrent.futures.ThreadPoolExecutor(self.options.jobs) as pool:
                    runs = [pool.submit(self.start, name, program, first + i)
                            for i in range(self.options.round_size)]
                for run in runs:
                    run.result()
                time.sleep(random.uniform(0, self.options.gap))
            self.note(f"round {r + 1}: {self.counts}, {time.time() - began:.0f} s, "
                      f"load {os.getloadavg()}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    for option, default in (("rounds", 10), ("round-size", 200), ("jobs", 2)):
        parser.add_argument("--" + option, type=int, default=default)
    parser.add_argument("--limit", type=float, default=10.0)
    parser.add_argument("--gap", type=float, default=0.0)
    parser.add_argument("--wine", default="wine")
    parser.add_argument("--log")
    parser.add_argument("programs", nargs="+", metavar="NAME=PROGRAM")
    options = parser.parse_args()
    os.environ.setdefault("WINEDEBUG", "-all")
    Campaign(options).run([p.split("=", 1) for p in options.programs])


if __name__ == "__main__":
    main()
