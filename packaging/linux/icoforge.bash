# bash completion for icoforge and icoforge-gui.
# The subcommands and their options come from the programs' own --help, so the completion
# offers what the installed program takes; the kinds of file each subcommand reads are
# named here.

_icoforge_modules='exe|dll|icl|ocx|cpl|scr|drv|mui|mun|res'
_icoforge_icons='ico|cur|ani'
_icoforge_pictures='bmp|dib|png|jpg|jpeg|jpe|jfif|gif|tif|tiff|pcx|pcd'

# The subcommands `PROGRAM --help` lists: one a line, two spaces, the name, two or more.
_icoforge_subcommands()
{
    LC_ALL=C "$1" --help 2>/dev/null | command sed -n 's/^  \([a-z][a-z-]*\) \+[^ -].*/\1/p'
}

# The options of SUBCOMMAND: those its --help describes, those its usage line shows in
# brackets, and --help.
_icoforge_options()
{
    local help
    help=$(LC_ALL=C "$1" "$2" --help 2>/dev/null)
    {
        _parse_help - <<<"$help"
        command sed -n '1s/^[^[]*//p' <<<"$help" | command grep -o -- '\[-\{1,2\}[A-Za-z0-9][A-Za-z0-9-]*' | command tr -d '['
        echo --help
    } | command sort -u
}

# The extensions, as _filedir takes them, of what SUBCOMMAND reads; empty: any file.
_icoforge_file_kinds()
{
    case $1 in
        extract) echo "$_icoforge_modules|$_icoforge_icons|$_icoforge_pictures" ;;
        list | count | group) echo "$_icoforge_modules|$_icoforge_icons" ;;
        thumbnail) echo "$_icoforge_modules|$_icoforge_icons|lnk|url" ;;
        make) echo "$_icoforge_pictures|$_icoforge_icons|$_icoforge_modules|webp|svg|heic|heif|avif|lnk|url" ;;
        convert | render) echo "$_icoforge_pictures" ;;
        icon) echo 'bmp|dib' ;;
        resolve) echo 'lnk' ;;
        gui) echo "$_icoforge_modules|$_icoforge_icons|$_icoforge_pictures|lnk" ;;
    esac
}

# Completes the value of option PREV of SUBCOMMAND; false when PREV takes none we know.
_icoforge_option_value()
{
    local subcommand=$1 prev=$2
    case $subcommand:$prev in
        thumbnail:-s | thumbnail:--size)
            COMPREPLY=($(compgen -W '16 24 32 48 64 96 128 256' -- "$cur")) ;;
        *:-s | *:--size)
            COMPREPLY=($(compgen -W '16 32 64 128' -- "$cur")) ;;
        *:-o | *:--output)
            case $subcommand in
                make | icon | convert | render) _filedir ;;
                *) _filedir -d ;;
            esac ;;
        *:--index) _filedir ;;
        *:--group | *:--lang | *:-j | *:--jobs | *:--sizes) COMPREPLY=() ;;
        *) return 1 ;;
    esac
    return 0
}

_icoforge()
{
    local cur prev words cword
    _init_completion -n = || return

    local program=${words[0]} subcommand= i operands=0
    for ((i = 1; i < cword; i++)); do
        if [[ ${words[i]} != -* ]]; then
            subcommand=${words[i]}
            break
        fi
    done
    if [[ -z $subcommand ]]; then
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W '--help --version' -- "$cur"))
        else
            COMPREPLY=($(compgen -W "$(_icoforge_subcommands "$program") help" -- "$cur"))
        fi
        return
    fi
    if [[ $subcommand == help ]]; then
        COMPREPLY=($(compgen -W "$(_icoforge_subcommands "$program")" -- "$cur"))
        return
    fi

    _icoforge_option_value "$subcommand" "$prev" && return
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$(_icoforge_options "$program" "$subcommand")" -- "$cur"))
        [[ ${COMPREPLY-} == *= ]] && compopt -o nospace
        return
    fi
    # The thumbnail's second operand is the PNG it writes.
    for ((i = i + 1; i < cword; i++)); do
        case ${words[i]} in
            -s | --size | -o | --output | --index | --group | --lang | -j | --jobs | --sizes) ((i++)) ;;
            -*) ;;
            *) ((operands++)) ;;
        esac
    done
    if [[ $subcommand == thumbnail ]] && ((operands >= 1)); then
        _filedir png
        return
    fi
    _filedir "$(_icoforge_file_kinds "$subcommand")"
}
complete -F _icoforge icoforge

_icoforge_gui()
{
    local cur prev words cword
    _init_completion -n = || return
    case $prev in
        -o | --output) _filedir -d; return ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '--output --help' -- "$cur"))
        return
    fi
    _filedir "$(_icoforge_file_kinds gui)"
}
complete -F _icoforge_gui icoforge-gui
