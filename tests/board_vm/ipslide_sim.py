"""The one way the python tests start the simulator the host build made: a
headless run started in the background (the QEMU board's stories run two at
once), its standard output and error into a log that a failure quotes, and
`ipslide-sim` subcommands run to their end."""

import os
import subprocess

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SIM = os.path.join(ROOT, "build", "host", "bin", "ipslide-sim")


def start(out, script, *options):
    """Starts a headless run of `script` into the folder `out`, its output into
    out + ".log"; returns what finish() takes."""
    os.makedirs(out, exist_ok=True)
    log = out + ".log"
    command = [SIM, "--headless", "--script", script, "--out", out] + list(options)
    with open(log, "w") as f:
        return subprocess.Popen(command, stdout=f, stderr=subprocess.STDOUT), log


def finish(started):
    """Waits for a run; one that failed raises with the end of its log."""
    process, log = started
    if process.wait() != 0:
        with open(log, errors="replace") as f:
            raise AssertionError("%s failed with status %d:\n%s"
                                 % (log, process.returncode, f.read()[-3000:]))


def run(*arguments):
    """`ipslide-sim ARGUMENTS...` to its end; a failure raises."""
    subprocess.run([SIM] + list(arguments), check=True, stdout=subprocess.DEVNULL)
