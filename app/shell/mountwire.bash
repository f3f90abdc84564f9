# Bash completion for mountwire: its commands and options, and the names of the running application's
# lines and routes.

# The "name" values of the JSON that "mountwire $1 --json" prints, one a line.
_mountwire_names()
{
    mountwire "$1" --json 2>/dev/null | sed -n 's/^ *"name": "\(.*\)",\{0,1\}$/\1/p' | sed 's/\\"/"/g; s/\\\\/\\/g'
}

_mountwire()
{
    local cur=${COMP_WORDS[COMP_CWORD]}
    local commands="status connect eject routes route log show --version --help"
    if ((COMP_CWORD == 1)); then
        mapfile -t COMPREPLY < <(compgen -W "$commands" -- "$cur")
        return
    fi
    local command=${COMP_WORDS[1]} options="" names=""
    case $command in
    status | routes) options="--json" ;;
    log) options="--limit --json" ;;
    eject) options="--force" names=status ;;
    connect) names=status ;;
    route) names=routes ;;
    esac
    if [[ ${COMP_WORDS[COMP_CWORD - 1]} == --limit ]]; then
        return
    fi
    if [[ $cur == -* || -z $names ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
        return
    fi
    # Names may hold spaces: match them whole, then quote them for the command line.
    local name
    COMPREPLY=()
    while IFS= read -r name; do
        [[ $name == "$cur"* ]] && COMPREPLY+=("$(printf '%q' "$name")")
    done < <(_mountwire_names "$names")
}

complete -F _mountwire mountwire
