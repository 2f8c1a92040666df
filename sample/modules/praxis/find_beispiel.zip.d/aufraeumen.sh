#!/usr/bin/env bash
# Deletes log files older than N days below a folder.
# Usage: aufraeumen.sh [-n] [-t TAGE] ORDNER
#   -n       dry run: only list what would be deleted
#   -t TAGE  age in days (default 30)
set -euo pipefail

probelauf=0
tage=30
while getopts 'nt:' opt; do
    case $opt in
        n) probelauf=1 ;;
        t) tage=$OPTARG ;;
        *) echo "Aufruf: $0 [-n] [-t TAGE] ORDNER" >&2; exit 2 ;;
    esac
done
shift $((OPTIND - 1))
ordner=${1:?Ordner fehlt}

if [[ ! $tage =~ ^[0-9]+$ ]]; then
    echo "TAGE muss eine Zahl sein: $tage" >&2
    exit 2
fi

if ((probelauf)); then
    find "$ordner" -type f -name '*.log' -mtime +"$tage" -print
else
    find "$ordner" -type f -name '*.log' -mtime +"$tage" -print0 |
        xargs -0 --no-run-if-empty rm -v --
fi
