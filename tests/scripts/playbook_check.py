"""The fleet playbooks (deploy/ansible): ansible-playbook --syntax-check of each, and every task's
module options against the options that module documents in the installed collections (the
syntax check reads no module's options, and the Windows play cannot run here).
Usage: playbook_check.py PLAYBOOK-FOLDER WORK"""

import json
import os
import subprocess
import sys

import yaml

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from ansible_home import ansible_env  # noqa: E402

playbooks, work = sys.argv[1], os.path.abspath(sys.argv[2])
env = ansible_env(work)
# Task keywords that are no module's options.
KEYWORDS = {"name", "when", "loop", "loop_control", "register", "args", "changed_when", "failed_when", "vars",
            "ignore_errors", "become", "tags", "delegate_to", "run_once", "no_log", "until", "retries", "delay"}
failures = []


def module_options(module, cache={}):
    if module not in cache:
        out = subprocess.run(["ansible-doc", "-j", "-t", "module", module], env=env, capture_output=True,
                             stdin=subprocess.DEVNULL, text=True)
        doc = json.loads(out.stdout or "{}").get(module, {}).get("doc")
        names = set()
        for name, option in (doc or {}).get("options", {}).items():
            names |= {name, *option.get("aliases", [])}
        cache[module] = names if doc else None
    return cache[module]


for book in ("scan.yml", "merge-reports.yml"):
    path = os.path.join(playbooks, book)
    result = subprocess.run(["ansible-playbook", "--syntax-check", "-i", "localhost,", path], env=env,
                            capture_output=True, stdin=subprocess.DEVNULL, text=True)
    if result.returncode != 0:
        failures.append("%s: syntax check failed:\n%s%s" % (book, result.stdout, result.stderr))
    with open(path, encoding="utf-8") as f:
        plays = yaml.safe_load(f)
    for play in plays:
        for task in play.get("tasks", []):
            modules = [k for k in task if k not in KEYWORDS]
            if len(modules) != 1:
                failures.append("%s: task %r names no single module: %r" % (book, task.get("name"), modules))
                continue
            module = modules[0]
            options = module_options(module)
            if options is None:
                failures.append("%s: module %s is not installed" % (book, module))
                continue
            # A free-form command line, or set_fact's variables, are no options.
            free_form = isinstance(task[module], str) or module.endswith("set_fact")
            given = (set() if free_form else set(task[module] or {})) | set(task.get("args", {}))
            unknown = given - options
            if unknown:
                failures.append("%s: %s takes no %s" % (book, module, sorted(unknown)))

for f in failures:
    print("FAILED: " + f)
sys.exit(1 if failures else 0)
