# bash completion for brimloft-print, brimloft-decode, brimloft-tracefmt and brimloft-xpspack.
# Options come from each tool's own --help; the names and values of brimloft-print's -o from the
# chosen printer's description (brimloft-print --list-options), so both follow the tools.

# The options a tool's --help names (every tool lists them, --help and --version among them, on
# standard output); the usage line when it names no option line.
_brimloft_options()
{
    local help options
    help=$(LC_ALL=C "$1" --help 2>/dev/null </dev/null)
    options=$(_parse_help - <<<"$help")
    [[ $options ]] || options=$(_parse_usage - <<<"$help")
    printf '%s\n' "$options"
}

# The printer given with -p/--printer so far on the command line, if any.
_brimloft_printer()
{
    local i
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            -p | --printer) printf '%s\n' "${words[i + 1]}" ;;
            --printer=*) printf '%s\n' "${words[i]#*=}" ;;
        esac
    done | tail -n 1
}

_brimloft_print()
{
    local cur prev words cword split
    _init_completion -s -n = || return

    case $prev in
        -p | --printer)
            COMPREPLY=($(compgen -W 'RX1P RX1Q RX2P RX2Q RX3P RX3Q' -- "$cur"))
            _filedir xml
            return
            ;;
        -o | --option)
            local printer listing
            printer=$(_brimloft_printer)
            listing=$("$1" ${printer:+-p "$printer"} --list-options 2>/dev/null) || return
            if [[ $cur == *=* ]]; then
                # "NAME/Text: *default other ..." -> the values of NAME
                local name=${cur%%=*} values
                values=$(awk -v name="$name" -F': ' '{ split($1, key, "/") }
                    key[1] == name { gsub(/\*/, "", $2); print $2 }' <<<"$listing")
                COMPREPLY=($(compgen -W "$values" -- "${cur#*=}"))
            else
                COMPREPLY=($(compgen -S = -W "$(sed 's|[/:].*||' <<<"$listing")" -- "$cur"))
                compopt -o nospace
            fi
            return
            ;;
        --output | --trace)
            _filedir
            return
            ;;
        --preview)
            _filedir png
            return
            ;;
    esac
    $split && return

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$(_brimloft_options "$1")" -- "$cur"))
        [[ ${COMPREPLY-} == *= ]] && compopt -o nospace
        return
    fi
    _filedir '@(xps|oxps)'
}

# brimloft-decode, brimloft-xpspack and brimloft-tracefmt: their options, the value each option
# takes, files for the rest.
_brimloft_tool()
{
    local cur prev words cword
    _init_completion -n = || return
    case $prev in
        --png)
            _filedir png
            return
            ;;
        --pieces) return ;;
        --part)
            # /PART=FILE: the file after the "="
            [[ $cur == *=* ]] && { cur=${cur#*=}; _filedir; }
            return
            ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$(_brimloft_options "$1")" -- "$cur"))
        return
    fi
    _filedir
}

complete -F _brimloft_print brimloft-print
complete -F _brimloft_tool brimloft-decode brimloft-xpspack brimloft-tracefmt
