#!/usr/bin/python
# Copyright: Sarvelin developers
# MIT License (see LICENSE)

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: server_redirect
short_description: Keep a Postal 2 server's redirect folder of compressed packages in step
version_added: "1.1.0"
description:
  - Makes O(dest) the flat folder of C(.uz2) files that players download
    instead of the game server's own slow download, through
    C(sarvelin-cli redirect) on the managed host. Serve it with any web
    server and set C(RedirectToURL=) and C(UseCompression=True) in
    C([IpDrv.HTTPDownload]).
  - Only what changed since the last run is compressed again; a second run
    with nothing changed reads no package and writes nothing.
attributes:
  check_mode:
    support: full
  diff_mode:
    support: full
    details: The C(.uz2) files it writes and deletes, or would.
extends_documentation_fragment:
  - sarvelin.postal2.target
options:
  dest:
    description: The redirect folder; made if missing.
    type: path
    required: true
  prune:
    description: Delete the C(.uz2) files no package needs any more. Nothing else in O(dest) is touched.
    type: bool
    default: false
  maps:
    description: Only these maps, and what they import; by default every map C(Paths=) finds.
    type: list
    elements: str
    default: []
  exclude:
    description: Packages to leave out.
    type: list
    elements: str
    default: []
author:
  - Sarvelin developers
"""

EXAMPLES = r"""
- name: Build the redirect folder
  sarvelin.postal2.server_redirect:
    path: /srv/postal2/System
    dest: /srv/postal2/redirect
    prune: true
"""

RETURN = r"""
dir:
  description: The redirect folder.
  returned: always
  type: str
packages:
  description: What became of each package a joining player may need.
  returned: always
  type: list
  elements: dict
  contains:
    name:
      description: The package.
      type: str
    file:
      description: Its package file.
      type: str
    uz2:
      description: Its C(.uz2) file in O(dest).
      type: str
    size:
      description: The package's size in bytes.
      type: int
    compressed:
      description: The C(.uz2)'s size in bytes; 0 when none was made.
      type: int
    action:
      description: C(written), C(unchanged), C(oversize), C(not-downloadable), C(server-only), C(excluded) or C(unreadable).
      type: str
pruned:
  description: >-
    The C(.uz2) files made here that no configuration needs any more, deleted (with O(prune)),
    or that would be in check mode. A C(.uz2) this module did not make is never deleted.
  returned: always
  type: list
  elements: str
bytes_in:
  description: The bytes of the packages sent.
  returned: always
  type: int
bytes_out:
  description: The bytes of their C(.uz2) files.
  returned: always
  type: int
"""

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.sarvelin.postal2.plugins.module_utils.sarvelin_cli import (
    TARGET_OPTIONS,
    run_json,
    target_arguments,
)


def main():
    module = AnsibleModule(
        argument_spec=dict(
            dest=dict(type="path", required=True),
            prune=dict(type="bool", default=False),
            maps=dict(type="list", elements="str", default=[]),
            exclude=dict(type="list", elements="str", default=[]),
            **TARGET_OPTIONS
        ),
        required_one_of=[("path", "ini")],
        mutually_exclusive=[("path", "ini")],
        supports_check_mode=True,
    )
    arguments = target_arguments(module)
    if module.check_mode:
        arguments.append("-n")
    arguments += ["redirect", module.params["dest"]]
    if module.params["prune"]:
        arguments.append("--prune")
    for name in module.params["maps"]:
        arguments += ["--map", name]
    for name in module.params["exclude"]:
        arguments += ["--exclude", name]
    result = run_json(module, arguments)
    unneeded = result["unneeded"]
    written = any(p["action"] == "written" for p in result["packages"])
    response = dict(
        changed=written or (module.params["prune"] and bool(unneeded)),
        dir=result["dir"],
        packages=result["packages"],
        pruned=unneeded if module.params["prune"] else [],
        bytes_in=result["bytes_in"],
        bytes_out=result["bytes_out"],
    )
    if module._diff:
        lines = ["write  %s\n" % p["uz2"] for p in result["packages"] if p["action"] == "written"]
        if module.params["prune"]:
            lines += ["delete %s\n" % name for name in unneeded]
        response["diff"] = dict(prepared="".join(lines))
    module.exit_json(**response)


if __name__ == "__main__":
    main()
