# Additions for ~/.bashrc: append the lines you want, after reading them.

# A longer history, shared by parallel terminals.
HISTSIZE=50000
HISTFILESIZE=100000
HISTCONTROL=ignoreboth:erasedups
shopt -s histappend
PROMPT_COMMAND="history -a${PROMPT_COMMAND:+; $PROMPT_COMMAND}"

# "**" matches folders recursively; typos in cd are corrected.
shopt -s globstar cdspell

alias ll='ls -lh --group-directories-first'
alias ..='cd ..'

# Make a folder and change into it.
mkcd() {
    mkdir -p -- "$1" && cd -- "$1"
}

# Unpack most archive formats by their extension.
auspacken() {
    case $1 in
        *.tar.gz | *.tgz) tar -xzf "$1" ;;
        *.tar.xz) tar -xJf "$1" ;;
        *.zip) unzip -- "$1" ;;
        *) echo "Unbekanntes Format: $1" >&2; return 1 ;;
    esac
}
