# bash completion for Norvane's programs: norvane, norvane-build, norvane-dump, norvane-scene
# and norvane-view. Installed once under each program's name, where bash-completion looks when
# the program is first completed.
#
# The options, norvane-dump's commands, norvane-scene's kinds and the values an option lists
# (--cull none|back|front|auto) come from the program's own --help, read once per shell, so an
# option added to a program completes without a change here. What kind of file an argument or
# an option's value names is the one thing this file knows: see _norvane_kind.

declare -A _norvane_helps 2>/dev/null

# The program's --help, read once per shell and program.
_norvane_help() {
    local program=$1
    if [[ -z ${_norvane_helps[$program]+set} ]]; then
        _norvane_helps[$program]=$("$program" --help 2>/dev/null </dev/null)
    fi
    printf '%s\n' "${_norvane_helps[$program]}"
}

# Reads a --help in the layout of the programs' command lines and prints one record per line,
# fields separated by tabs: "command NAME", "kind NAME", and, for the options and arguments of
# SCOPE (a command's name, or empty for the program's own), "option NAMES VALUE" (NAMES as
# -o,--output; VALUE empty for a flag) and "positional NAME REPEATS".
_norvane_parse() {
    awk -v scope="$1" '
        function trimmed(s) { sub(/^ +/, "", s); sub(/ +$/, "", s); return s }
        BEGIN { where = "preamble" }
        /^Usage:/ { where = "top"; next }
        where == "preamble" { next }
        /^[^ ]/ {                                   # at the left: a heading, a command or text
            if ($0 == "Subcommands:") { where = "commands"; next }
            if (where ~ /^command/ || where == "commands") {
                if ($0 ~ /^[A-Za-z][A-Za-z0-9_-]*$/) {
                    print "command\t" $0; where = "command " $0; group = ""; next
                }
            } else if (where == "top" && $0 ~ /^[A-Za-z][A-Za-z ]*:$/ && $0 !~ /^Kinds/) {
                group = $0; next
            }
            where = "footer"; kinds = ($0 ~ /^Kinds/); next
        }
        {
            indent = match($0, /[^ ]/) - 1; text = trimmed($0)
            if (where == "footer") { if (kinds && indent == 2) { split(text, w, " "); print "kind\t" w[1] } next }
            inScope = (where == "top" && scope == "") || (where == "command " scope && scope != "")
            itemIndent = (where == "top") ? 2 : 4
            if (text ~ /:$/ && text !~ /  /) { group = text; next }
            if (!inScope || indent != itemIndent) next
            split(text, parts, /  +/); n = split(parts[1], w, " ")
            if (w[1] ~ /^-/) {
                value = ""
                for (i = 2; i <= n && w[i] != "Excludes:" && w[i] != "Needs:"; i++)
                    value = value (value == "" ? "" : " ") w[i]
                print "option\t" w[1] "\t" value
            } else if (group == "Positionals:") {
                print "positional\t" w[1] "\t" (parts[1] ~ / \.\.\./ ? 1 : 0)
            }
        }'
}

# What an argument or an option's value names, by program, command and argument name or long
# option: a file extension (any case), "dir", "none" (nothing to complete) or "kind" (one of
# norvane-scene's kinds). Empty when this file does not know; see _norvane_value.
_norvane_kind() {
    case "$1/$2/$3" in
    norvane-dump/scene/FILE | norvane-scene//OUT | norvane-build//FILE | norvane-view//--scene) echo 3ds ;;
    norvane-dump/tree/FILE | norvane-dump/diff/[AB] | norvane-view//tree | norvane-build//--output) echo bsp ;;
    norvane-dump/tree/--svg) echo svg ;;
    norvane-dump/tree/--node) echo none ;;
    norvane-build//--output-dir) echo dir ;;
    norvane-scene//KIND) echo kind ;;
    norvane-view//--output) echo png ;;
    norvane-view//--html) echo html ;;
    esac
}

# COMPREPLY for a word that names files of one extension (any case), or folders.
_norvane_files() {
    if declare -F _filedir >/dev/null; then
        if [[ $1 == dir ]]; then _filedir -d; else _filedir "${1:-}"; fi
        return
    fi
    compopt -o filenames 2>/dev/null
    local IFS=$'\n'
    COMPREPLY=($(compgen -d -- "$cur"))
    [[ $1 == dir ]] && return
    local file
    while read -r file; do
        [[ -z $1 || ${file,,} == *."${1,,}" ]] && COMPREPLY+=("$file")
    done < <(compgen -f -- "$cur")
}

# Of the records on standard input, the VALUE (or with "names", the NAMES) of the option $1.
_norvane_option() {
    awk -F '\t' -v o=",$1," -v field="${2:-value}" \
        '$1 == "option" && index("," $2 ",", o) { print (field == "names" ? $2 : $3); exit }'
}

# COMPREPLY for the value of the option named $3 (as -o,--output) of program $1's command $2,
# whose VALUE as --help shows it is $4.
_norvane_value() {
    local kind long=${3##*,}
    kind=$(_norvane_kind "$1" "$2" "$long")
    if [[ -z $kind ]]; then
        case "$4" in
        *'|'*) COMPREPLY=($(compgen -W "$(sed 's/ .*//; s/|/ /g' <<<"$4")" -- "$cur")); return ;;
        *'{'*'}'*) COMPREPLY=($(compgen -W "$(sed 's/.*{//; s/}.*//; s/,/ /g' <<<"$4")" -- "$cur")); return ;;
        N | N[=:]* | UINT* | INT* | FLOAT* | WxH* | X,Y*) return ;;
        esac
    fi
    [[ $kind == none ]] || _norvane_files "$kind"
}

_norvane_complete() {
    local cur prev words cword split=false
    if declare -F _init_completion >/dev/null; then
        _init_completion -s || return
    else
        cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]} words=("${COMP_WORDS[@]}")
        cword=$COMP_CWORD
    fi
    local program=${words[0]} base=${words[0]##*/}
    if [[ $base == norvane ]]; then # the compiler takes one scene and no options
        _norvane_files 3ds
        return
    fi
    local help commands
    help=$(_norvane_help "$program")
    commands=$(_norvane_parse "" <<<"$help" | awk -F '\t' '$1 == "command" { print $2 }')

    # The words before this one: the command, the options (with their values) and the arguments.
    local scope="" arguments=0 i word value
    for ((i = 1; i < cword; i++)); do
        word=${words[i]}
        if [[ $word == -* ]]; then
            value=$(_norvane_parse "$scope" <<<"$help" | _norvane_option "$word")
            [[ -n $value && $word != *=* ]] && ((i++))
        elif [[ -n $commands && -z $scope ]]; then
            scope=$word
        else
            ((arguments++))
        fi
    done

    local records
    records=$(_norvane_parse "$scope" <<<"$help")
    if [[ $prev == -* ]]; then
        value=$(_norvane_option "$prev" <<<"$records")
        if [[ -n $value ]]; then
            _norvane_value "$base" "$scope" "$(_norvane_option "$prev" names <<<"$records")" "$value"
            return
        fi
    fi
    if [[ $cur == -* ]]; then
        local options
        options=$(awk -F '\t' '$1 == "option" { gsub(",", " ", $2); print $2 }' <<<"$records")
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        [[ ${COMPREPLY[*]} == *= ]] && compopt -o nospace 2>/dev/null
        return
    fi
    if [[ -n $commands && -z $scope ]]; then
        COMPREPLY=($(compgen -W "$commands" -- "$cur"))
        return
    fi
    # The argument this word is: the next one, or the last when it repeats.
    local name
    name=$(awk -F '\t' -v n="$arguments" '$1 == "positional" { if (seen++ == n) { print $2; exit } if ($3) last = $2 }
        END { if (seen <= n && last != "") print last }' <<<"$records")
    [[ -z $name ]] && return
    local kind
    kind=$(_norvane_kind "$base" "$scope" "$name")
    if [[ $kind == kind ]]; then
        COMPREPLY=($(compgen -W "$(awk -F '\t' '$1 == "kind" { print $2 }' <<<"$records")" -- "$cur"))
    elif [[ $kind != none ]]; then
        _norvane_files "$kind"
    fi
}

complete -F _norvane_complete norvane norvane-build norvane-dump norvane-scene norvane-view
