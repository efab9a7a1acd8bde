# The options and notes of the modules that save a configuration.

from __future__ import absolute_import, division, print_function

__metaclass__ = type


class ModuleDocFragment(object):
    DOCUMENTATION = r"""
options:
  force:
    description:
      - Change the configuration even while a game or server process uses it, or
        while it is read-only. The game writes its configuration back when it quits,
        so such a change is usually lost.
    type: bool
    default: false
  wait:
    description:
      - How many seconds to wait while another program saves the configuration,
        such as another task, a cron job or an admin at the same server. The task
        then fails with C(rc) 5, naming that program.
    type: float
    default: 30
attributes:
  check_mode:
    support: full
  diff_mode:
    support: full
notes:
  - The task fails while the game runs with the configuration; stop the server first,
    or set C(force). Check mode fails the same way, as the real run would.
  - C(force) also saves a read-only configuration, and one whose owner or group the
    new file cannot keep (only root may give a file away); the play is warned of it.
  - Tasks that change one configuration at the same time take turns; none loses
    another's change.
"""
