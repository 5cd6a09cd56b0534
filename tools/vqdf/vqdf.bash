# Bash completion for vqdf: its commands, each command's options, the values of --section,
# --ignore and --error (each part of a comma-separated list) and --format, and data files
# (.json, .inv, not the titles documents beside them) or folders for the rest.
_vqdf() {
    local cur prev command word
    cur="${COMP_WORDS[COMP_CWORD]}"
    prev="${COMP_WORDS[COMP_CWORD-1]}"
    command=""
    for word in "${COMP_WORDS[@]:1:COMP_CWORD-1}"; do
        case "$word" in
            show|dump|check|convert|diff|schema|read|watch|write|backup|restore|compare|simulate) command="$word"; break ;;
        esac
    done

    case "$prev" in
        --section)
            local sections="device terminals trips messages common groups init roles blocks"
            COMPREPLY=($(compgen -W "$sections" -P "${cur%"${cur##*,}"}" -- "${cur##*,}"))
            return ;;
        --format)
            COMPREPLY=($(compgen -W "json inv" -- "$cur"))
            return ;;
        --parity)
            COMPREPLY=($(compgen -W "N E O" -- "$cur"))
            return ;;
        --rtu)
            COMPREPLY=($(compgen -f -- "${cur:-/dev/tty}"))
            return ;;
        --script)
            COMPREPLY=($(compgen -f -- "$cur"))
            return ;;
        --datafile-dir)
            COMPREPLY=($(compgen -d -- "$cur"))
            return ;;
        --ignore|--error)
            # The names vqdf itself lists, each part of a comma-separated list.
            local rules
            rules="$("${COMP_WORDS[0]}" check --rules 2>/dev/null | awk '/^  /{print $1}')"
            COMPREPLY=($(compgen -W "$rules" -P "${cur%"${cur##*,}"}" -- "${cur##*,}"))
            return ;;
        --titles)
            COMPREPLY=($(compgen -o plusdirs -f -X '!*_Title.@(json|JSON)' -- "$cur"))
            return ;;
        --model|--version|--group|--tcp|--baud|--unit|--timeout|--retries|--interval|--count|--param|--give-up|--set|--save)
            return ;;
    esac

    local options="--verbose --help"
    [ "$command" = schema ] || options+=" --titles"
    case "$command" in
        "") COMPREPLY=($(compgen -W "show dump check convert diff schema read watch write backup restore compare simulate --verbose --help --version" -- "$cur"))
            return ;;
        show) options+=" --model --version --datafile-dir --section --group" ;;
        dump) options+=" --model --version --datafile-dir" ;;
        check) options+=" --model --version --datafile-dir --json --summary --rules --ignore --error" ;;
        convert) options+=" --format --strict" ;;
        diff) options+=" --json" ;;
        schema) options+=" --titles --parameter-set" ;;
        read|watch|write|backup|restore|compare)
            options+=" --model --version --datafile-dir --tcp --rtu --baud --parity --unit --timeout --retries"
            case "$command" in
                read) options+=" --group --param --json" ;;
                watch) options+=" --interval --count --param --json --csv --give-up" ;;
                write) options+=" --dry-run" ;;
                backup) options+=" --output --force" ;;
                restore) options+=" --dry-run --save" ;;
                compare) options+=" --defaults --force --json" ;;
            esac ;;
        simulate) options+=" --model --version --datafile-dir --tcp --rtu --baud --parity --unit --set --script" ;;
    esac
    if [[ "$cur" == -* || "$command" == schema ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi
    local candidate
    COMPREPLY=()
    while IFS= read -r candidate; do
        [[ "$candidate" == *_[Tt]itle.@(json|JSON) ]] || COMPREPLY+=("$candidate")
    done < <(compgen -o plusdirs -f -X '!*.@(json|JSON|inv|INV)' -- "$cur")
}
complete -o filenames -F _vqdf vqdf
