# The options that name the configuration, shared by the collection's modules.

from __future__ import absolute_import, division, print_function

__metaclass__ = type


class ModuleDocFragment(object):
    DOCUMENTATION = r"""
options:
  path:
    description:
      - The game's C(System) folder; its C(postal2.ini) in any letter case is meant.
      - Exactly one of C(path) and C(ini) is required.
    type: path
  ini:
    description:
      - Any other configuration file, such as C(Postal2MP.ini).
    type: path
  executable:
    description:
      - The C(sarvelin-cli) program, by name on C(PATH) or by its path.
    type: str
    default: sarvelin-cli
requirements:
  - sarvelin-cli on the managed host
"""
