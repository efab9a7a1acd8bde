# Running sarvelin-cli for the modules of this collection: every file rule
# lives in that program; this only builds its command line and reads its JSON.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import json
import os

TARGET_OPTIONS = dict(
    path=dict(type="path"),
    ini=dict(type="path"),
    executable=dict(type="str", default="sarvelin-cli"),
)

# What a play can do about a failure, by the kind sarvelin-cli gives it.
ADVICE = {
    "game-running": " Stop the server first, or set force: true.",
    "busy": "; try again, or raise wait.",
}


def target_arguments(module):
    """The program, its options for a machine reader, and the option that
    names the configuration."""
    executable = module.params["executable"]
    if os.sep not in executable:
        executable = module.get_bin_path(executable, required=True)
    # Its warnings and errors come in its JSON, so none are printed twice.
    arguments = [executable, "--json", "-q"]
    if module.params["path"] is not None:
        return arguments + ["-C", module.params["path"]]
    return arguments + ["-f", module.params["ini"]]


# The options of the modules that save a configuration.
SAVE_OPTIONS = dict(
    force=dict(type="bool", default=False),
    wait=dict(type="float", default=30),
    **TARGET_OPTIONS
)


def save_arguments(module):
    """target_arguments, with what a save takes from the task: its wait, its
    diff mode and force."""
    arguments = target_arguments(module) + ["--wait", str(module.params["wait"])]
    if module._diff:
        arguments.append("--diff")
    if module.params["force"]:
        arguments.append("--force")
    return arguments


def exit_saved(module, result):
    """Ends the task with what a save's JSON result says."""
    response = dict(changed=result["changed"], file=result["file"], packages=result["after"],
                    backup=result["backup"])
    if module._diff:
        # The file's own unified diff, as sarvelin-cli shows it.
        response["diff"] = dict(prepared=result["diff"])
    module.exit_json(**response)


def run_json(module, arguments):
    """Runs sarvelin-cli and returns its JSON result; passes its warnings on
    to the play, and fails the task by the kind of error it reports. A result
    is a result whatever the exit status (check's 1 means it found problems)."""
    rc, out, err = module.run_command(arguments, environ_update=dict(LC_ALL="C"))
    try:
        result = json.loads(out)
    except ValueError:
        module.fail_json(msg="sarvelin-cli printed no JSON: " + err.strip(), rc=rc, stdout=out,
                         stderr=err, cmd=arguments)
    if isinstance(result, dict):
        for warning in result.get("warnings", []):
            module.warn(warning)
        error = result.get("error")
        if error is not None:
            module.fail_json(msg=error["message"] + ADVICE.get(error["kind"], ""),
                             rc=error["status"], kind=error["kind"], file=error["file"],
                             cmd=arguments)
    return result
