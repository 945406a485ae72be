#!/usr/bin/env bash
# One version everywhere: CMakeLists.txt's project(VERSION) is the one the Python reader says,
# its pyproject.toml takes (and nothing else), CHANGELOG.md's latest release and the Debian
# changelog made from it record, every tool prints for --version and every manual page names.
# The wheel's licence is the repository's.
# usage: version_test.sh SOURCE VERSION MAN_DIR TOOL...
set -uo pipefail
shopt -s nullglob
source=$1 version=$2 man=$3
shift 3
failed=0
fail() {
    echo "FAILED: $*" >&2
    failed=1
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python=$(PYTHONDONTWRITEBYTECODE=1 PYTHONPATH="$source/python" /usr/bin/python3 -c \
    'import norvane_bsp; print(norvane_bsp.__version__)')
[ "$python" = "$version" ] || fail "norvane_bsp.__version__ is '$python', not $version"
project=$(/usr/bin/python3 - "$source/python/pyproject.toml" <<'PY'
import sys, tomllib
with open(sys.argv[1], "rb") as file:
    data = tomllib.load(file)
project, dynamic = data["project"], data["tool"]["setuptools"].get("dynamic", {})
print(project.get("version", "-"), project.get("dynamic"), dynamic.get("version"))
PY
)
[ "$project" = "- ['version'] {'attr': 'norvane_bsp.__version__'}" ] ||
    fail "pyproject.toml does not take its version from norvane_bsp.__version__: $project"
cmp -s "$source/LICENSE" "$source/python/LICENSE" || fail "python/LICENSE is not the repository's LICENSE"

latest=$(grep -m1 -E '^## \[[0-9]' "$source/CHANGELOG.md")
[[ $latest =~ ^"## ["$version"] - "[0-9]{4}-[0-9]{2}-[0-9]{2}$ ]] ||
    fail "CHANGELOG.md's latest release is '$latest', not $version with its date"
/usr/bin/python3 "$source/packaging/debian_changelog.py" "$source/CHANGELOG.md" norvane \
    "The Norvane developers <norvane@norvane.invalid>" "$work/changelog.gz" || fail "no Debian changelog"
zcat "$work/changelog.gz" >"$work/changelog"
debian=$(dpkg-parsechangelog -l "$work/changelog" -S Version 2>&1)
[ "$debian" = "$version" ] || fail "the Debian changelog's version is '$debian', not $version"
[ "$(dpkg-parsechangelog -l "$work/changelog" -S Source)" = norvane ] || fail "the Debian changelog is not norvane's"

for tool in "$@"; do
    said=$("$tool" --version </dev/null 2>&1)
    [ "$said" = "$(basename "$tool") $version" ] || fail "$(basename "$tool") --version says '$said'"
done
for page in "$man"/*.gz; do
    zcat "$page" | grep -q "^\.TH .* \"Norvane $version\" " || fail "$(basename "$page") is not of version $version"
    if zcat "$page" | grep -q '@VERSION@'; then fail "$(basename "$page") keeps @VERSION@"; fi
done
[ "$failed" -eq 0 ] && echo ok
