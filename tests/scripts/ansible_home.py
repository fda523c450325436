"""The environment the tests run Ansible in: everything it writes (its home, temporary files, no
retry files) goes under the folder given, nothing into the user's home; no configuration file is read."""

import os


def ansible_env(work):
    home = os.path.join(work, "ansible-home")
    return dict(os.environ, ANSIBLE_HOME=home, ANSIBLE_LOCAL_TEMP=os.path.join(home, "tmp"),
                ANSIBLE_REMOTE_TEMP=os.path.join(home, "remote-tmp"), ANSIBLE_RETRY_FILES_ENABLED="false",
                ANSIBLE_NOCOLOR="1", ANSIBLE_CONFIG=os.path.join(home, "none.cfg"))
