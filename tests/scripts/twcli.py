"""Runs tidewarp-cli under Wine in the tests' prefix, the way a script on Windows would, and reads
back the events it wrote to the Application log.

Wine's ReportEventW keeps no log: it prints the call on the "advapi" fixme channel (handle, type,
category, event id, ...) and then each insertion string on the "eventlog" channel (information as
trace, warnings as warn, errors as err), to the process's Unix standard error. So the program runs
with those channels on and its standard error goes to a file."""

import os
import re
import shutil
import subprocess

EVENT_CHANNELS = "-all,+eventlog,fixme+advapi"

_CALL = re.compile(r":fixme:advapi:ReportEventW \([0-9A-Fa-f]+,0x([0-9a-f]{4}),0x[0-9a-f]{4},0x([0-9a-f]{8}),")
_STRING = re.compile(r":(?:trace|warn|err):eventlog:ReportEventW L\"(.*)\"(\.\.\.)?$")

# The event types of ReportEventW.
ERROR, WARNING, INFORMATION = 0x0001, 0x0002, 0x0004


def _unescape(text):
    """Wine's debugstr_w: \\\\, \\", \\n, \\r, \\t and \\xxxx (four hex digits) for other characters."""
    out, i = [], 0
    while i < len(text):
        c = text[i]
        if c != "\\":
            out.append(c)
            i += 1
            continue
        n = text[i + 1]
        if n in "\\\"":
            out.append(n)
            i += 2
        elif n in "nrt":
            out.append({"n": "\n", "r": "\r", "t": "\t"}[n])
            i += 2
        else:
            out.append(chr(int(text[i + 1:i + 5], 16)))
            i += 5
    return "".join(out)


def parse_events(stderr_text):
    """[(event id, type, [insertion strings])] in the order the program wrote them."""
    events = []
    for line in stderr_text.splitlines():
        m = _CALL.search(line)
        if m:
            events.append((int(m.group(2), 16), int(m.group(1), 16), []))
            continue
        m = _STRING.search(line)
        if m and events:
            events[-1][2].append(_unescape(m.group(1)))
    return events


class Workspace:
    """A fresh folder on the prefix's C: drive, the current directory of every run."""

    def __init__(self, cli, name):
        self.cli = os.path.abspath(cli)
        self.prefix = os.environ["WINEPREFIX"]
        self.windows_path = "C:\\tidewarp-tests\\" + name
        self.path = os.path.join(self.prefix, "drive_c", "tidewarp-tests", name)
        shutil.rmtree(self.path, ignore_errors=True)
        os.makedirs(self.path)
        self.runs = 0

    def wine(self, args, channels="-all"):
        """Runs `wine ARGS` here; returns (exit code, stdout, stderr). Output goes through files:
        Wine's background services would hold a pipe open."""
        self.runs += 1
        out = os.path.join(self.path, "run-%d.out" % self.runs)
        err = os.path.join(self.path, "run-%d.err" % self.runs)
        env = dict(os.environ, WINEDEBUG=channels)
        with open(out, "wb") as o, open(err, "wb") as e:
            code = subprocess.call(["wine"] + args, cwd=self.path, stdin=subprocess.DEVNULL, stdout=o,
                                   stderr=e, env=env)
        with open(out, "rb") as o, open(err, "rb") as e:
            result = code, o.read().decode("utf-8", "replace"), e.read().decode("utf-8", "replace")
        os.remove(out)
        os.remove(err)
        return result

    def cli_run(self, *args):
        """tidewarp-cli ARGS with the event channels on: (exit code, stdout, events). A JSON report
        is also kept in the prefix's C:\\tidewarp-reports, which the report schema test checks."""
        code, out, err = self.wine([self.cli] + list(args), EVENT_CHANNELS)
        if out.startswith("{"):
            kept = os.path.join(self.prefix, "drive_c", "tidewarp-reports")
            os.makedirs(kept, exist_ok=True)
            name = "twcli-%d-%d.json" % (os.getpid(), self.runs)
            with open(os.path.join(kept, name), "w", encoding="utf-8") as f:
                f.write(out)
        return code, out, parse_events(err)

    def reg(self, *args):
        code, _, _ = self.wine(["reg"] + list(args))
        return code

    def backups(self):
        folder = os.path.join(self.path, "Registry Backups")
        return sorted(f for f in os.listdir(folder) if f.endswith(".reg")) if os.path.isdir(folder) else []
