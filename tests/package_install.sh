#!/usr/bin/env bash
# Builds the .debs as scripts/package does, installs them with dpkg, starts
# the installed window under Xvfb, runs the installed command line, finds the
# installed collection, and removes the packages again. Needs root.
#
#   package_install.sh SOURCE_FOLDER BUILD_FOLDER
set -euo pipefail
source="$1" build="$2"
if [ "$(id -u)" -ne 0 ]; then
    echo "0 passed, 0 failed, 1 skipped: installing a package needs root"
    exit 0
fi
"$source/scripts/package" "$build" >/dev/null
window="$(ls "$build"/sarvelin_*.deb)" cli="$(ls "$build"/sarvelin-cli_*.deb)"
collection="$(ls "$build"/sarvelin-ansible_*.deb)"
# The Ansible collection, built as it is shipped.
rm -f "$build"/sarvelin-postal2-*.tar.gz
ansible-galaxy collection build "$source/ansible" --output-path "$build" >/dev/null
# (grep reads the whole listing: stopping early would break tar's pipe.)
tar -tzf "$build"/sarvelin-postal2-*.tar.gz | grep -c -e 'plugins/modules/server_packages.py$' -e 'plugins/modules/server_redirect.py$' -e 'plugins/modules/server_workshop.py$' | grep -qx 3 ||
    { echo "the collection lacks a module" >&2; exit 1; }
# What a distribution would accept: not even a pedantic or informational tag
# (root is how CI runs).
tags="$(lintian --pedantic -I --allow-root "$window" "$cli" "$collection")"
[ -z "$tags" ] || { echo "lintian: $tags" >&2; exit 1; }
dpkg-deb -f "$window" Depends | grep -q libqt6widgets6
if dpkg-deb -f "$cli" Depends | grep -qi qt; then
    echo "sarvelin-cli depends on Qt" >&2
    exit 1
fi
dpkg -i "$window" "$cli" "$collection" >/dev/null
trap 'dpkg -r sarvelin sarvelin-cli sarvelin-ansible >/dev/null' EXIT
# Found where ansible-core looks by default, with no setting of the user's.
(unset ANSIBLE_COLLECTIONS_PATH; export ANSIBLE_HOME="$(mktemp -d)"
 ansible-doc -l sarvelin.postal2 | grep -c '^sarvelin.postal2.server_' | grep -qx 4) ||
    { echo "ansible-doc does not find the installed collection's four modules" >&2; exit 1; }
for installed in /usr/bin/sarvelin /usr/share/applications/sarvelin.desktop \
                 /usr/share/metainfo/io.github.sarvelin.Sarvelin.metainfo.xml \
                 /usr/share/icons/hicolor/32x32/apps/sarvelin.png \
                 /usr/share/man/man1/sarvelin.1.gz /usr/share/doc/sarvelin/copyright \
                 /usr/bin/sarvelin-cli /usr/share/man/man1/sarvelin-cli.1.gz \
                 /usr/share/doc/sarvelin-cli/copyright /usr/share/doc/sarvelin-cli/changelog.gz; do
    [ -e "$installed" ] || { echo "missing after install: $installed" >&2; exit 1; }
done
if ldd /usr/bin/sarvelin-cli | grep -qi qt; then
    echo "the installed sarvelin-cli links Qt" >&2
    exit 1
fi
appstreamcli validate --no-net /usr/share/metainfo/io.github.sarvelin.Sarvelin.metainfo.xml >/dev/null
work="$(mktemp -d)"
cp -r "$source/examples/System" "$work/System"
(cd "$work/System" && "$source/scripts/screenshot" /usr/bin/sarvelin "$build/installed.png")
[ "$(/usr/bin/sarvelin-cli -C "$work/System" list | head -1)" = "Core" ]
version="$(dpkg-deb -f "$cli" Version)"
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY /usr/bin/sarvelin --version)" = "sarvelin $version" ] ||
    { echo "sarvelin --version needs a display, or says another version" >&2; exit 1; }
[ "$(/usr/bin/sarvelin-cli --version)" = "sarvelin-cli $version" ]
rm -rf "$work"
echo "1 passed, 0 failed"
