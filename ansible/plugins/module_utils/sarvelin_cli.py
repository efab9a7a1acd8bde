# Running sarvelin-cli for the modules of this collection: every file rule
# lives in that program; this only builds its command line and reads its JSON.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import json
import os

# Exit statuses of sarvelin-cli.
PROBLEMS_FOUND = 1
GAME_RUNNING = 4
BUSY = 5

PREFIX = "sarvelin-cli: "
WARNING = PREFIX + "warning: "

TARGET_OPTIONS = dict(
    path=dict(type="path"),
    ini=dict(type="path"),
    executable=dict(type="str", default="sarvelin-cli"),
)


def target_arguments(module):
    """The program and the option that names the configuration."""
    executable = module.params["executable"]
    if os.sep not in executable:
        executable = module.get_bin_path(executable, required=True)
    if module.params["path"] is not None:
        return [executable, "-C", module.params["path"]]
    return [executable, "-f", module.params["ini"]]


def run_json(module, arguments, accepted=(0,)):
    """Runs sarvelin-cli and returns its JSON; passes its warnings on to the
    play, and fails the task with the program's own message and exit status
    when it fails."""
    rc, out, err = module.run_command(arguments)
    lines = err.splitlines()
    for line in lines:
        if line.startswith(WARNING):
            module.warn(line[len(WARNING):])
    if rc not in accepted:
        errors = [line for line in lines if not line.startswith(WARNING)]
        message = "\n".join(errors).strip()
        if message.startswith(PREFIX):
            message = message[len(PREFIX):]
        if rc == GAME_RUNNING:  # said in the play's words
            message = message.replace(" Quit it first, or use --force.", "")
            message += " Stop the server first, or set force: true."
        if rc == BUSY:
            message = message.replace("raise --wait", "raise wait")
        module.fail_json(msg=message or "sarvelin-cli failed", rc=rc, stdout=out, stderr=err,
                         cmd=arguments)
    try:
        return json.loads(out)
    except ValueError:
        module.fail_json(msg="sarvelin-cli printed no JSON", rc=rc, stdout=out, stderr=err,
                         cmd=arguments)
