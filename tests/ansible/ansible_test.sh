#!/usr/bin/env bash
# Runs the Ansible collection as admins run it: Debian's ansible-playbook
# against localhost, on temporary server folders, with sarvelin-cli from the
# build. Then the example playbook twice (the second run changes nothing),
# ansible-doc on every module, and the sanity rules of ansible-test that run
# without a network.
#
#   ansible_test.sh SARVELIN_CLI SOURCE_FOLDER
set -euo pipefail
cli="$(realpath "$1")" source="$(realpath "$2")"
work="$(mktemp -d)"
game=""
holder=""
trap '[ -z "$game" ] || { pkill -P "$game"; kill "$game"; } 2>/dev/null || true; [ -z "$holder" ] || kill "$holder" 2>/dev/null || true; rm -rf "$work"' EXIT

# The collection, found where Ansible looks for collections.
mkdir -p "$work/collections/ansible_collections/sarvelin"
ln -s "$source/ansible" "$work/collections/ansible_collections/sarvelin/postal2"
export ANSIBLE_COLLECTIONS_PATH="$work/collections" ANSIBLE_LOCAL_TEMP="$work/tmp" \
    ANSIBLE_REMOTE_TEMP="$work/tmp" ANSIBLE_NOCOLOR=1 ANSIBLE_PYTHON_INTERPRETER=/usr/bin/python3 \
    ANSIBLE_HOME="$work/ansible-home"
playbook() { ansible-playbook -i localhost, -c local "$@"; }

for server in one two running busy deathmatch coop workshop; do
    mkdir -p "$work/$server"
    cp -r "$source/examples/System" "$source/examples/Sounds" "$work/$server/"
done
mkdir -p "$work/workshop/WorkshopContent/737631813/Scripts"
cp "$source/examples/System/Xmas.u" "$work/workshop/WorkshopContent/737631813/Scripts/NicksCoop.u"
mkdir "$work/bin" # a game server running in one folder, its program kept elsewhere
cp "$(command -v dash)" "$work/bin/postal2-bin"
(cd "$work/running/System" && exec "$work/bin/postal2-bin" -c 'sleep 300; :') >/dev/null 2>&1 &
game=$!

# Another program saving the busy server's configuration, for as long as the play runs.
flock --no-fork -x "$work/busy/System/postal2.ini" sleep 300 &
holder=$!

playbook "$source/tests/ansible/modules.yml" -e "cli=$cli work=$work holder=$holder"

servers='{"servers": [{"path": "'$work'/deathmatch/System", "state": "exact",
                       "packages": ["Core", "Engine", "Fire", "GamePlay", "Postal2Game", "BaseDialog"]},
                      {"path": "'$work'/coop/System", "state": "absent", "packages": ["OldMapPack"]}]}'
for run in first second; do
    playbook "$source/examples/ansible/provision.yml" -e "sarvelin_cli=$cli" -e "$servers" \
        | tee "$work/$run.log"
done
grep -q 'localhost *: ok=3 *changed=1 ' "$work/first.log" || { echo "the first run changed nothing" >&2; exit 1; }
grep -q 'localhost *: ok=3 *changed=0 ' "$work/second.log" || { echo "the second run changed something" >&2; exit 1; }

for module in server_packages server_packages_info server_redirect server_workshop; do
    ansible-doc "sarvelin.postal2.$module" >"$work/doc"
    grep -q 'EXAMPLES:' "$work/doc" && grep -q 'RETURN VALUES:' "$work/doc" ||
        { echo "ansible-doc does not render $module" >&2; cat "$work/doc" >&2; exit 1; }
done
# ansible-test's sanity rules that need no network (the others install their
# tools with pip, which this machine cannot reach).
sanity="$work/sanity/ansible_collections/sarvelin/postal2"
mkdir -p "$sanity"
cp -r "$source/ansible/." "$sanity"
(cd "$sanity" && git init -q . && git add -A &&
    ansible-test sanity --python "$(python3 -c 'import sys; print("%d.%d" % sys.version_info[:2])')" \
        --test action-plugin-docs --test compile --test empty-init --test future-import-boilerplate \
        --test ignores --test line-endings --test metaclass-boilerplate --test no-assert \
        --test no-basestring --test no-dict-iteritems --test no-get-exception --test no-main-display \
        --test no-smart-quotes --test no-unicode-literals --test replace-urlopen --test shebang \
        --test symlinks --test use-compat-six >"$work/sanity.log" 2>&1) ||
    { cat "$work/sanity.log" >&2; exit 1; }
echo "4 passed, 0 failed"
