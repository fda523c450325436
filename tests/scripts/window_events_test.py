"""The window program writes the same Application log events as the console program: its fix, the
main window's restore (declined, then done) and the backups window's restore, each driven by a case
of the in-process window tests, run here with Wine's event channels on.
Usage: window_events_test.py APP_TESTS.EXE BACKUPS_WINDOW_TESTS.EXE"""

import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import twcli  # noqa: E402

FIX_DONE, RESTORE_DONE, RESTORE_FAILED = 0x40000001, 0x40000004, 0xC0000005
BACKUP_NAME = re.compile(r"^\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d\.reg$")
app_tests, backups_window_tests = sys.argv[1], sys.argv[2]
ws = twcli.Workspace(app_tests, "window-events")
failures = []


def events_of(exe, *filters):
    code, out, err = ws.wine([os.path.abspath(exe)] + list(filters), twcli.EVENT_CHANNELS)
    if code != 0:
        failures.append("%s %s failed:\n%s" % (exe, filters, out))
    return twcli.parse_events(err)


def check(condition, what):
    if not condition:
        failures.append(what)


# The main window's fix with one row unticked: one removed, one kept and ignored.
events = events_of(app_tests, "--test-case=an unticked row is never removed", "--subcase=the ticks are taken*")
check(len(events) == 1 and events[0][:2] == (FIX_DONE, twcli.INFORMATION) and events[0][2][:4] == ["1", "1", "1", "0"]
      and BACKUP_NAME.match(events[0][2][4]), "window fix: %r" % events)

# The main window's restore of an unsigned backup: declined first, then confirmed.
name = "2001-01-01_00-00-00.reg"
events = events_of(app_tests, "--test-case=a backup without a valid signature is restored only*")
check(len(events) == 2 and events[0][:2] == (RESTORE_FAILED, twcli.ERROR) and events[0][2][0] == name and
      "not confirmed" in events[0][2][1] and events[1] == (RESTORE_DONE, twcli.INFORMATION, [name, "1", "0", "0", "0", "0"]),
      "main window restore: %r" % events)

# The backups window: a restore the user declines writes nothing; the one confirmed, one event.
events = events_of(backups_window_tests, "--test-case=an older backup is restored after the question*")
check(events == [(RESTORE_DONE, twcli.INFORMATION, [name, "1", "0", "0", "0", "0"])], "backups window: %r" % events)

for f in failures:
    print("FAILED: " + f)
sys.exit(1 if failures else 0)
