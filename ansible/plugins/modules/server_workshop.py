#!/usr/bin/python
# Copyright: Sarvelin developers
# MIT License (see LICENSE)

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: server_workshop
short_description: Configure Steam Workshop items of a Postal 2 server by their IDs
version_added: "1.2.0"
description:
  - Adds or removes the lines a Workshop item needs in a Postal 2 configuration,
    through C(sarvelin-cli workshop) on the managed host, in one save.
  - C(present) writes a C(Paths=) line in C([Core.System]) for each of the item's
    folders and kinds of package, in the slashes the file's own C(Paths=) lines
    use, and a C(ServerPackages=) line for each package players need (all but
    its maps, server-side only packages and those that do not allow download).
  - C(absent) removes the item's C(Paths=) lines, in any slashes, and the
    C(ServerPackages=) lines of the packages no other folder holds.
  - What is configured already is left as it is, so a second run changes nothing.
options:
  items:
    description:
      - Workshop item IDs, the names of their folders under C(WorkshopPath=)
        (by default C(..\WorkshopContent) beside the System folder).
    type: list
    elements: str
    required: true
  state:
    description:
      - C(present) configures the items; each must be in the Workshop folder.
      - C(absent) removes them.
    type: str
    choices: [present, absent]
    default: present
extends_documentation_fragment:
  - sarvelin.postal2.target
  - sarvelin.postal2.save
author:
  - Sarvelin developers
"""

EXAMPLES = r"""
- name: Configure the co-op mod from the Workshop
  sarvelin.postal2.server_workshop:
    ini: /srv/postal2/System/Postal2CoOp.ini
    items: [737631813]

- name: Remove a Workshop map pack
  sarvelin.postal2.server_workshop:
    path: /srv/postal2/System
    items: [1234567890]
    state: absent
"""

RETURN = r"""
file:
  description: The configuration file, as an absolute path; after a save, as saved.
  returned: success
  type: str
  sample: /srv/postal2/System/Postal2CoOp.ini
packages:
  description: The configured packages after the change, in file order.
  returned: success
  type: list
  elements: str
  sample: [Core, Engine, NicksCoop, NicksCoopAnims]
backup:
  description: Where the previous configuration is kept; null when nothing was written.
  returned: success
  type: str
  sample: /srv/postal2/System/Postal2CoOp.ini.old
kind:
  description: Why the task failed, as a stable word of sarvelin-cli's.
  returned: failure
  type: str
  sample: game-running
"""

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.sarvelin.postal2.plugins.module_utils.sarvelin_cli import (
    SAVE_OPTIONS,
    exit_saved,
    run_json,
    save_arguments,
    target_arguments,
)

COMMANDS = dict(present="add", absent="remove")


def main():
    module = AnsibleModule(
        argument_spec=dict(
            items=dict(type="list", elements="str", required=True),
            state=dict(type="str", choices=list(COMMANDS), default="present"),
            **SAVE_OPTIONS
        ),
        required_one_of=[("path", "ini")],
        mutually_exclusive=[("path", "ini")],
        supports_check_mode=True,
    )
    items = [str(item) for item in module.params["items"]]
    state = module.params["state"]
    if state == "present":
        listed = run_json(module, target_arguments(module) + ["workshop", "list"])
        missing = sorted(set(items) - set(item["id"] for item in listed["items"]))
        if missing:
            module.fail_json(msg="no Workshop item " + ", ".join(missing) + " in " +
                             listed["workshop"] + "; subscribe to it first", kind="workshop-missing")
    command = ["workshop", COMMANDS[state]] + (["-n", "--strict"] if module.check_mode else [])
    exit_saved(module, run_json(module, save_arguments(module) + command + ["--"] + items))


if __name__ == "__main__":
    main()
