#!/usr/bin/python
# Copyright: Sarvelin developers
# MIT License (see LICENSE)

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: server_packages
short_description: Set the packages a Postal 2 server sends to its players
version_added: "1.0.0"
description:
  - Adds, removes or sets the C(ServerPackages=) lines of the C([Engine.GameEngine])
    section of a Postal 2 configuration, through C(sarvelin-cli) on the managed host.
  - Only package lines change. Every other line keeps its place and its bytes, the
    file keeps its encoding, line ends, owner and mode, a symbolic link or a mounted
    file keeps being one, and the previous configuration is kept as a backup.
  - Unlike M(community.general.ini_file), it never wipes the other packages of the
    list, writes lines the game reads (C(ServerPackages=Name)), and matches the
    section header in any letter case.
options:
  packages:
    description:
      - The package names, with or without their extension (C(Engine), C(BaseDialog.uax)).
      - Names are compared without regard to letter case.
    type: list
    elements: str
    required: true
  state:
    description:
      - C(present) adds the names not yet configured after the last package line.
      - C(absent) removes every line that names one of them.
      - C(exact) makes the list exactly these names, in this order. An empty list
        would remove every package line; that is refused unless C(allow_empty) is set.
    type: str
    choices: [present, absent, exact]
    default: present
  allow_empty:
    description:
      - With C(state=exact) and no C(packages), remove every package line.
    type: bool
    default: false
extends_documentation_fragment:
  - sarvelin.postal2.target
  - sarvelin.postal2.save
author:
  - Sarvelin developers
"""

EXAMPLES = r"""
- name: Send the co-op mod and its sounds to players
  sarvelin.postal2.server_packages:
    path: /srv/postal2/System
    packages: [CoopMod, CoopSounds.uax]

- name: Stop sending a map pack
  sarvelin.postal2.server_packages:
    ini: /srv/postal2/System/Postal2MP.ini
    packages: [OldMapPack]
    state: absent

- name: Make the list exactly this, in this order
  sarvelin.postal2.server_packages:
    path: /srv/postal2/System
    packages: [Core, Engine, Fire, GamePlay, Postal2Game]
    state: exact
"""

RETURN = r"""
file:
  description:
    - The configuration file, as an absolute path; after a save, as saved.
  returned: success
  type: str
  sample: /srv/postal2/System/Postal2.ini
packages:
  description: The configured packages after the change, in file order.
  returned: success
  type: list
  elements: str
  sample: [Core, Engine, CoopMod]
backup:
  description:
    - Where the previous configuration is kept, as an absolute path.
    - Null when nothing was written (nothing changed, or check mode).
  returned: success
  type: str
  sample: /srv/postal2/System/postal2.ini.old
kind:
  description:
    - Why the task failed, as a stable word of sarvelin-cli's
      (C(usage), C(file), C(configuration), C(game-running), C(busy)).
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
)

COMMANDS = dict(present="add", absent="remove", exact="set")


def main():
    module = AnsibleModule(
        argument_spec=dict(
            packages=dict(type="list", elements="str", required=True),
            state=dict(type="str", choices=list(COMMANDS), default="present"),
            allow_empty=dict(type="bool", default=False),
            **SAVE_OPTIONS
        ),
        required_one_of=[("path", "ini")],
        mutually_exclusive=[("path", "ini")],
        supports_check_mode=True,
    )
    packages = module.params["packages"]
    state = module.params["state"]
    arguments = save_arguments(module)
    if not packages and state == "exact" and not module.params["allow_empty"]:
        module.fail_json(msg="state: exact with no packages would remove every package line; "
                             "set allow_empty: true if that is meant")
    if not packages and state != "exact":
        # Nothing to add or remove: the list as it is.
        listed = run_json(module, arguments + ["list"])
        module.exit_json(changed=False, file=listed["file"], backup=None,
                         packages=[entry["name"] for entry in listed["configured"]])
    command = [COMMANDS[state], "--"] + packages if packages else ["remove", "--all"]
    if module.check_mode:
        command[1:1] = ["-n", "--strict"]
    exit_saved(module, run_json(module, arguments + command))


if __name__ == "__main__":
    main()
