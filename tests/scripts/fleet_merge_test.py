"""The controller's merge of the fleet's reports (deploy/ansible/merge-reports.yml), run for real by
ansible-playbook on reports that tidewarp-cli wrote in the tests' prefix: every CSV row against the
JSON it came from, and one line per host. Ansible keeps all its files under WORK.
Usage: fleet_merge_test.py TIDEWARP-CLI.EXE PLAYBOOK-FOLDER WORK"""

import csv
import json
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import twcli  # noqa: E402
from ansible_home import ansible_env  # noqa: E402

cli, playbooks, work = sys.argv[1], sys.argv[2], os.path.abspath(sys.argv[3])
# Items the CSV must quote: a comma, a character beyond ASCII. (A quote never reaches an item: the
# scanners take quotes off the paths they read.)
CLASSES = {
    "{7D1DE0F1-0000-4000-8000-0000000FLEET1}": 'C:\\tidewarp missing\\a,b.dll',
    "{7D1DE0F1-0000-4000-8000-0000000FLEET2}": "C:\\tidewarp missing\\caf\u00e9.dll",
}
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAILED: " + what)


def reports():
    """Three hosts' reports, written by the program itself: a scan with errors, the fix of them,
    and a host where the scan finds nothing."""
    ws = twcli.Workspace(cli, "fleet")
    out = {}
    # Through a registry-editor file, in the ANSI code page.
    lines = ["REGEDIT4", ""]
    for clsid, dll in CLASSES.items():
        lines += ["[HKEY_CLASSES_ROOT\\CLSID\\%s\\InprocServer32]" % clsid,
                  '@="%s"' % dll.replace("\\", "\\\\"), ""]
    with open(os.path.join(ws.path, "plant.reg"), "w", encoding="cp1252", newline="\r\n") as f:
        f.write("\n".join(lines))
    ws.wine(["regedit", "/s", "plant.reg"])
    try:
        code, out["pc-01"], _ = ws.cli_run("scan", "--categories", "CLSID", "--json")
        check(code == 1, "scan exits 1, got %d" % code)
        code, out["pc-02"], _ = ws.cli_run("fix", "--categories", "CLSID", "--json")
        check(code == 0, "fix exits 0, got %d" % code)
        code, out["pc-03"], _ = ws.cli_run("scan", "--categories", "CLSID", "--json")
        check(code == 0, "a scan after the fix exits 0, got %d" % code)
    finally:
        for clsid in CLASSES:
            ws.reg("delete", "HKCR\\CLSID\\" + clsid, "/f")
    return {host: json.loads(text) for host, text in out.items()}


def main():
    shutil.rmtree(work, ignore_errors=True)
    reports_dir = os.path.join(work, "reports")
    os.makedirs(reports_dir)
    parsed = reports()
    for host, report in parsed.items():
        with open(os.path.join(reports_dir, host + ".json"), "w", encoding="utf-8") as f:
            json.dump(report, f, ensure_ascii=False)
    log = os.path.join(work, "ansible.log")
    with open(log, "wb") as out:
        code = subprocess.call(["ansible-playbook", "-i", "localhost,", "-e", "ansible_python_interpreter=/usr/bin/python3",
                                "-e", "reports_dir=" + reports_dir, "-e", "out_dir=" + work,
                                os.path.join(playbooks, "merge-reports.yml")],
                               stdout=out, stderr=subprocess.STDOUT, env=ansible_env(work), stdin=subprocess.DEVNULL)
    if code != 0:
        print(open(log, encoding="utf-8", errors="replace").read())
        sys.exit("ansible-playbook exited %d" % code)

    expected = []
    for host in sorted(parsed):
        expected += [[host, e["category"], e["key"], e["item"]] for e in parsed[host]["errors"]]
        expected += [[host, "SHORTCUT", "", link] for link in parsed[host]["shortcuts"]]
    with open(os.path.join(work, "tidewarp-errors.csv"), newline="", encoding="utf-8") as f:
        rows = list(csv.reader(f))
    check(rows[:1] == [["host", "category", "key", "item"]], "CSV header %r" % rows[:1])
    check(rows[1:] == expected, "CSV rows %r, expected %r" % (rows[1:], expected))
    items = {row[3] for row in rows[1:] if row[0] == "pc-01"}
    check(set(CLASSES.values()) <= items, "pc-01's planted items in the CSV: %r" % items)

    with open(os.path.join(work, "tidewarp-hosts.txt"), encoding="utf-8") as f:
        lines = f.read().splitlines()
    check(lines == ["pc-01: 2 found (CLSID 2); 0 removed", "pc-02: 2 found (CLSID 2); 2 removed",
                    "pc-03: 0 found; 0 removed"], "host lines %r" % lines)
    if failures:
        sys.exit("%d check(s) failed" % len(failures))
    print("merged %d rows of %d hosts" % (len(rows) - 1, len(lines)))


main()
