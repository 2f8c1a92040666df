# SPDX-License-Identifier: GPL-3.0-or-later
# bash completion for tipvault-cli: commands, their options, and the sections
# and entries of the catalogue (asked of tipvault-cli itself, with the --dir
# given on the line).

_tipvault_cli()
{
    # Plain bash: works with or without the bash-completion package loaded.
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local words=("${COMP_WORDS[@]}") cword=$COMP_CWORD

    local commands="sections entries show cat link extract search stats integrate check pack pack-update"
    local dir=() command="" i args=()
    for ((i = 1; i < cword; i++)); do
        case "${words[i]}" in
        --dir)
            dir=(--dir "${words[i + 1]}")
            ((i++))
            ;;
        --dir=*) dir=("${words[i]}") ;;
        --section | --kind | --base) ((i++)) ;;
        -*) ;;
        *)
            if [[ -z $command ]]; then
                command=${words[i]}
            else
                args+=("${words[i]}")
            fi
            ;;
        esac
    done

    case "$prev" in
    --dir | --base)
        compopt -o filenames 2>/dev/null
        COMPREPLY=($(compgen -d -- "$cur"))
        return
        ;;
    --kind)
        COMPREPLY=($(compgen -W "name text archiv html link" -- "$cur"))
        return
        ;;
    --section)
        local IFS=$'\n'
        COMPREPLY=($(compgen -W "$(tipvault-cli "${dir[@]}" sections --names 2>/dev/null)" -- "$cur"))
        return
        ;;
    esac

    if [[ -z $command ]]; then
        COMPREPLY=($(compgen -W "$commands --dir --help --version" -- "$cur"))
        return
    fi

    if [[ $cur == -* ]]; then
        local options="--help --dir"
        case "$command" in
        sections | entries) options+=" --json --names" ;;
        show | stats | check | link) options+=" --json" ;;
        integrate) options+=" --json --copy" ;;
        cat) options+=" --json --rtf" ;;
        extract) options+=" --json --force" ;;
        search) options+=" --json --section --kind" ;;
        pack-update) options+=" --base" ;;
        esac
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi

    local IFS=$'\n'
    case "$command:${#args[@]}" in
    entries:0 | show:0 | cat:0 | link:0 | extract:0)
        COMPREPLY=($(compgen -W "$(tipvault-cli "${dir[@]}" sections --names 2>/dev/null)" -- "$cur"))
        ;;
    show:1 | cat:1 | link:1 | extract:1)
        COMPREPLY=($(compgen -W "$(tipvault-cli "${dir[@]}" entries "${args[0]}" --names 2>/dev/null)" -- "$cur"))
        ;;
    extract:3 | integrate:0 | pack:* | pack-update:*)
        compopt -o filenames 2>/dev/null
        COMPREPLY=($(compgen -f -- "$cur"))
        ;;
    esac
    # Names hold blanks: quote what is inserted.
    local j
    for j in "${!COMPREPLY[@]}"; do
        [[ $command:${#args[@]} == @(entries:0|show:0|show:1|cat:0|cat:1|link:0|link:1|extract:0|extract:1) ]] &&
            COMPREPLY[j]=$(printf '%q' "${COMPREPLY[j]}")
    done
}
complete -F _tipvault_cli tipvault-cli
