#!/usr/bin/python3
"""Validates every JSON document the console program printed during the Windows tests against
docs/tidewarp-report.schema.json (Draft 2020-12, Debian's python3-jsonschema).

usage: check_reports.py SCHEMA FOLDER

FOLDER holds the documents the test helper that runs tidewarp-cli kept (one file per run whose
output was a JSON object). Every kind of document must be among them, each must open with "schema"
and "version", and a copy with a member of the wrong type must be refused.
"""
import copy
import json
import pathlib
import sys

import jsonschema


def kind(doc):
    if "dry_run" in doc:
        return "dry run"
    if "left_in_place" in doc:
        return "fix"
    if "errors" in doc:
        return "scan"
    if "ignored" in doc:
        return "ignore list"
    if "backups" in doc:
        return "backups"
    return "unknown"


def main(schema_path, folder):
    schema = json.loads(pathlib.Path(schema_path).read_text(encoding="utf-8"))
    jsonschema.Draft202012Validator.check_schema(schema)
    validator = jsonschema.Draft202012Validator(schema)
    files = sorted(pathlib.Path(folder).glob("*.json"))
    failures = 0
    seen = {}
    for f in files:
        doc = json.loads(f.read_text(encoding="utf-8"))
        errors = sorted(validator.iter_errors(doc), key=lambda e: list(e.absolute_path))
        if list(doc)[:2] != ["schema", "version"]:
            errors.append("the first two members are not \"schema\" and \"version\"")
        for e in errors:
            print(f"{f.name}: {getattr(e, 'message', e)}")
        failures += bool(errors)
        seen.setdefault(kind(doc), doc)
    print(f"{len(files)} documents, {failures} invalid; kinds: " +
          ", ".join(f"{k}" for k in sorted(seen)))
    missing = {"scan", "fix", "dry run", "ignore list", "backups"} - set(seen)
    if missing:
        print("no document of these kinds was printed by the tests: " + ", ".join(sorted(missing)))
        failures += 1

    # A member of the wrong type must be refused, in each kind of document.
    wrong = []
    if "scan" in seen:
        d = copy.deepcopy(seen["scan"])
        d["shortcut_counts"]["examined"] = str(d["shortcut_counts"]["examined"])
        wrong.append(("scan: shortcut_counts.examined as a string", d))
    if "ignore list" in seen:
        d = copy.deepcopy(seen["ignore list"])
        d["ignored"] = {}
        wrong.append(("ignore list: ignored as an object", d))
    if "dry run" in seen:
        d = copy.deepcopy(seen["dry run"])
        d["dry_run"] = "true"
        wrong.append(("dry run: dry_run as a string", d))
    for what, d in wrong:
        if validator.is_valid(d):
            print(f"accepted although wrong: {what}")
            failures += 1
        else:
            print(f"refused as it must be: {what}")
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2]))
