#!/usr/bin/env bash
# The manual pages as man shows them: each renders at 80 columns without a warning, and each
# tool's page shows every option the tool's --help lists, so that no option goes unexplained.
# usage: manpage_test.sh MAN_DIR TOOL...
set -uo pipefail
dir=$1
shift
failed=0
fail() {
    echo "FAILED: $*" >&2
    failed=1
}

for page in norvane.1 norvane-build.1 norvane-dump.1 norvane-scene.1 norvane-view.1 norvane-bsp.5; do
    if [ ! -f "$dir/$page.gz" ]; then
        fail "$page.gz was not made"
        continue
    fi
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$dir/$page.gz" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man warns about $page: $warnings"
done

for tool in "$@"; do
    name=$(basename "$tool")
    # The names on --help's item lines that start with a dash: "  -o,--output-dir DIR ...".
    options=$("$tool" --help | grep -E '^ +-' | sed -E 's/^ +//; s/ .*//' | tr ',' '\n' | sort -u)
    [ -n "$options" ] || fail "$name --help lists no option"
    # Wide enough that no line breaks inside an option's name.
    shown=$(LC_ALL=C MANWIDTH=1000 man -l "$dir/$name.1.gz" 2>/dev/null)
    for option in $options; do
        grep -qE -- "(^|[^-[:alnum:]])$option([^-[:alnum:]]|\$)" <<<"$shown" || fail "$name(1) does not show $option"
    done
done
[ "$failed" -eq 0 ] && echo ok
