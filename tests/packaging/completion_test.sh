#!/usr/bin/env bash
# bash completion as a user meets it: a bash started here loads the completion script and
# tab-completes each program in a folder of scenes, trees and pictures: files of the right
# kind for each argument and option, norvane-dump's commands, norvane-scene's kinds, the values
# --cull lists, and after a dash every option the program's --help lists (for norvane-dump,
# every command's own). Once with bash-completion's helpers loaded, as a Debian shell has them,
# and once without them, on the script's own.
# usage: completion_test.sh SCRIPT COMPILER BUILD DUMP SCENE VIEW
set -uo pipefail
script=$1 compiler=$2 build=$3 dump=$4 scene=$5 view=$6
[ -f /usr/share/bash-completion/bash_completion ] || {
    echo "FAILED: bash-completion is not installed" >&2
    exit 1
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin" "$work/files" "$work/files/sub"
for program in "$compiler" "$build" "$dump" "$scene" "$view"; do ln -s "$program" "$work/bin/"; done
touch "$work/files/"{a.3ds,B.3DS,c.bsp,d.png,e.svg,f.html,g.txt}

# The options --help lists for norvane-dump's command $2 (or the tool's own), as the test reads them.
helpOptions() {
    "$work/bin/$1" ${2:+"$2"} --help | grep -E '^ +-' | sed -E 's/^ +//; s/ .*//' | tr ',' '\n' |
        grep -vxE -- '-h|--help' | sort | tr '\n' ' '
}
expected=$work/expected
{
    for tool in norvane-build norvane-scene norvane-view; do echo "$tool -|$(helpOptions "$tool")"; done
    for verb in scene tree diff; do echo "norvane-dump $verb -|$(helpOptions norvane-dump "$verb")"; done
} >"$expected"

runBash() { # with bash-completion or not
    cd "$work/files" && PATH="$work/bin:$PATH" WITH="$1" EXPECTED="$expected" SCRIPT="$script" \
        bash --norc --noprofile <<'INNER'
failed=0
[ "$WITH" = yes ] && source /usr/share/bash-completion/bash_completion
source "$SCRIPT"
# What pressing Tab after the words offers, sorted, on one line.
offered() {
    COMP_WORDS=("$@") COMP_CWORD=$(($# - 1)) COMP_LINE="$*" COMP_POINT=${#COMP_LINE} COMPREPLY=()
    local registration function
    registration=$(complete -p "$1" 2>/dev/null) || { echo "no completion for $1"; return; }
    function=${registration#*-F } function=${function%% *}
    "$function" "$1" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}" | sed '/^$/d' | sort | tr '\n' ' '
}
expect() { # "offered" words...
    local want=$1 got
    shift
    got=$(offered "$@")
    [ "$got" = "$want" ] || { echo "FAILED ($WITH bash-completion): '$*' offers '$got', not '$want'"; failed=1; }
}
expect "B.3DS a.3ds sub " norvane ""
expect "a.3ds " norvane a
expect "diff scene tree " norvane-dump ""
expect "B.3DS a.3ds sub " norvane-dump scene ""
expect "c.bsp sub " norvane-dump tree ""
expect "c.bsp sub " norvane-dump diff c.bsp ""
expect "e.svg sub " norvane-dump tree c.bsp --svg ""
expect "" norvane-dump tree c.bsp --depth ""
expect "c.bsp sub " norvane-dump tree --depth 3 ""
expect "arena box city level rock soup terrain " norvane-scene ""
expect "B.3DS a.3ds sub " norvane-scene arena ""
expect "B.3DS a.3ds sub " norvane-scene --seed 2 rock ""
expect "" norvane-scene arena out.3ds ""
expect "B.3DS a.3ds sub " norvane-build a.3ds ""
expect "sub " norvane-build -o ""
expect "c.bsp sub " norvane-build --output ""
expect "B.3DS a.3ds sub " norvane-build -j 4 ""
expect "c.bsp sub " norvane-view ""
expect "auto back front none " norvane-view c.bsp --cull ""
expect "d.png sub " norvane-view c.bsp -o ""
expect "f.html sub " norvane-view c.bsp --html ""
expect "B.3DS a.3ds sub " norvane-view c.bsp --scene ""
if [ "$WITH" = yes ]; then # an option's value after "=" needs bash-completion's word splitting
    expect "back " norvane-view c.bsp --cull=b
fi
while IFS='|' read -r words want; do
    read -r -a words <<<"$words"
    got=$(offered "${words[@]}")
    for option in $want; do
        [[ " $got" == *" $option "* ]] || {
            echo "FAILED ($WITH bash-completion): '${words[*]}' does not offer $option"
            failed=1
        }
    done
done <"$EXPECTED"
exit "$failed"
INNER
}
status=0
runBash yes || status=1
runBash no || status=1
[ "$status" -eq 0 ] && echo ok
exit "$status"
