"""The Application log events of tidewarp-cli fix, restore and restore-xml, read back from Wine's
debug output: one per fix, per restore and per failed backup, with the counts and the backup's file
name, and none for a scan. Usage: event_log_test.py TIDEWARP-CLI.EXE"""

import json
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import twcli  # noqa: E402

FIX_DONE, BACKUP_FAILED, RESTORE_DONE, RESTORE_FAILED = 0x40000001, 0xC0000002, 0x40000004, 0xC0000005
SNAPSHOT_APPLIED, SNAPSHOT_FAILED = 0x40000006, 0xC0000007
SNAPSHOT_KEY = "HKLM\\Software\\TidewarpTests\\Events"
CLASSES = ["{7D1DE0F1-0000-4000-8000-00000EVENT%02d}" % n for n in range(3)]
KEPT = "C:\\tidewarp-missing\\event-kept.dll"

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAILED: " + what)


def plant(ws):
    for n, clsid in enumerate(CLASSES):
        dll = KEPT if n == 0 else "C:\\tidewarp-missing\\event-%d.dll" % n
        ws.reg("add", "HKCR\\CLSID\\%s\\InprocServer32" % clsid, "/ve", "/d", dll, "/f")


def present(ws):
    return [ws.reg("query", "HKCR\\CLSID\\" + clsid) == 0 for clsid in CLASSES]


def main():
    ws = twcli.Workspace(sys.argv[1], "event-log")
    plant(ws)
    try:
        code, _, events = ws.cli_run("scan", "--categories", "CLSID")
        check(code == 1 and events == [], "a scan writes no event (exit %d, %r)" % (code, events))

        # fix: removes two classes, keeps the third on the ignore list.
        code, out, events = ws.cli_run("fix", "--categories", "CLSID", "--keep", KEPT, "--json")
        check(code == 0, "fix exits 0, got %d" % code)
        report = json.loads(out)
        removed = sum(s["fixed"] for s in report["summaries"])
        backups = ws.backups()
        check(removed == 2 and len(backups) == 1, "fix removed %d with backups %r" % (removed, backups))
        expected = [(FIX_DONE, twcli.INFORMATION, [str(removed), "1", "1", "0", backups[0] if backups else ""])]
        check(events == expected, "fix event %r, expected %r" % (events, expected))
        check(present(ws) == [True, False, False], "the kept class stays, the others go")

        code, _, events = ws.cli_run("restore")
        expected = [(RESTORE_DONE, twcli.INFORMATION, [backups[0] if backups else "", "2", "0", "0", "0", "0"])]
        check(code == 0 and events == expected, "restore (exit %d) event %r, expected %r" % (code, events, expected))
        check(present(ws) == [True, True, True], "restore puts both classes back")

        # A backup that cannot be moved into place: nothing is removed, and the event says why.
        os.rename(os.path.join(ws.path, "Registry Backups"), os.path.join(ws.path, "kept-backups"))
        open(os.path.join(ws.path, "Registry Backups"), "w").close()
        code, _, events = ws.cli_run("fix", "--categories", "CLSID")
        check(code == 2, "fix with no backup exits 2, got %d" % code)
        check(len(events) == 1 and events[0][:2] == (BACKUP_FAILED, twcli.ERROR) and events[0][2][0] == "2" and
              events[0][2][1].endswith("Nothing was removed."), "failed backup event %r" % events)
        check(present(ws) == [True, True, True], "a failed backup removes nothing")
        os.remove(os.path.join(ws.path, "Registry Backups"))

        # A restore refused: the event names the file and gives the message the user saw.
        stray = ws.windows_path + "\\kept-backups\\" + (backups[0][:-4] + ".sig" if backups else "x.sig")
        code, _, events = ws.cli_run("restore", stray)
        check(code == 2 and len(events) == 1 and events[0][:2] == (RESTORE_FAILED, twcli.ERROR) and
              events[0][2][0] == stray.rsplit("\\", 1)[1] and events[0][2][1].startswith("Not restored: " + stray),
              "refused restore (exit %d) event %r" % (code, events))

        # A snapshot applied whole, and one cut short.
        snapshot = ('<registry><k name="HKEY_LOCAL_MACHINE"><k name="Software"><k name="TidewarpTests">'
                    '<k name="Events"><v name="n" value="1"/></k></k></k></k></registry>')
        for name, text in (("whole.xml", snapshot), ("cut.xml", snapshot[:-len("</k></registry>")])):
            with open(os.path.join(ws.path, name), "w") as f:
                f.write(text)
        code, _, events = ws.cli_run("restore-xml", "whole.xml")
        check(code == 0 and events == [(SNAPSHOT_APPLIED, twcli.INFORMATION, ["whole.xml"])],
              "snapshot (exit %d) event %r" % (code, events))
        check(ws.reg("query", SNAPSHOT_KEY, "/v", "n") == 0, "the snapshot's value is set")
        code, _, events = ws.cli_run("restore-xml", "cut.xml")
        check(code == 2 and len(events) == 1 and events[0][:2] == (SNAPSHOT_FAILED, twcli.ERROR) and
              events[0][2][0] == "cut.xml" and "cut short" in events[0][2][1], "cut snapshot (exit %d) event %r" % (code, events))
    finally:
        for clsid in CLASSES:
            ws.reg("delete", "HKCR\\CLSID\\" + clsid, "/f")
        ws.reg("delete", SNAPSHOT_KEY, "/f")
    if failures:
        sys.exit("%d check(s) failed" % len(failures))
    print("all event checks passed")


main()
