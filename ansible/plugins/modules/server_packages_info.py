#!/usr/bin/python
# Copyright: Sarvelin developers
# MIT License (see LICENSE)

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: server_packages_info
short_description: Read the packages a Postal 2 server sends, and what stops players joining
version_added: "1.0.0"
description:
  - Reads the server packages of a Postal 2 configuration, and the problems
    C(sarvelin-cli check) finds in it, through C(sarvelin-cli) on the managed host.
  - Changes nothing, so a play can assert that a server is clean before it starts it.
attributes:
  check_mode:
    support: full
extends_documentation_fragment:
  - sarvelin.postal2.target
options:
  redirect_url:
    description:
      - Also fetch, as joining players do, the first chunk of each package's C(.uz2)
        from the web server (C(sarvelin-cli check --redirect-url)). C(true) fetches
        from the address C(RedirectToURL=) gives; a URL fetches from there. Finds
        C(url-missing), C(url-stale), C(url-damaged) and C(url-error).
    type: raw
author:
  - Sarvelin developers
"""

EXAMPLES = r"""
- name: Read the server's packages and problems
  sarvelin.postal2.server_packages_info:
    path: /srv/postal2/System
  register: server

- name: Start the server only when players can join
  ansible.builtin.assert:
    that: server.problems | length == 0
    fail_msg: "{{ server.problems | map(attribute='message') | list }}"
"""

RETURN = r"""
file:
  description: The configuration file that was read, as found.
  returned: always
  type: str
packages:
  description: The configured packages, in file order, as the file names them.
  returned: always
  type: list
  elements: str
  sample: [Core, Engine, BaseDialog]
problems:
  description: What C(sarvelin-cli check) found, one item a problem.
  returned: always
  type: list
  elements: dict
  contains:
    kind:
      description:
        - The kind of problem, such as C(missing), C(duplicate) or C(not-read).
        - C(man sarvelin-cli) lists every kind under C(check); a kind's name never changes.
      type: str
    name:
      description: The package the line names.
      type: str
    line:
      description: The line of the configuration it comes from.
      type: int
    message:
      description: What is wrong and what to do.
      type: str
"""

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.sarvelin.postal2.plugins.module_utils.sarvelin_cli import (
    TARGET_OPTIONS,
    run_json,
    target_arguments,
)


def main():
    module = AnsibleModule(
        argument_spec=dict(redirect_url=dict(type="raw"), **TARGET_OPTIONS),
        required_one_of=[("path", "ini")],
        mutually_exclusive=[("path", "ini")],
        supports_check_mode=True,
    )
    base = target_arguments(module)
    listed = run_json(module, base + ["list"])
    check = base + ["check"]
    url = module.params["redirect_url"]
    if url is True or isinstance(url, str):
        check.append("--redirect-url")
    if isinstance(url, str):
        check.append(url)
    problems = run_json(module, check)["problems"]
    module.exit_json(
        changed=False,
        file=listed["file"],
        packages=[entry["name"] for entry in listed["configured"]],
        problems=[
            dict(kind=p["kind"], name=p["name"], line=p["line"], message=p["message"])
            for p in problems
        ],
    )


if __name__ == "__main__":
    main()
