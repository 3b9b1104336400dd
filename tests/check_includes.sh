#!/usr/bin/env bash
# Holds every module to the codemap in README.md: a module may include headers only from
# itself and from the modules its row names, and its CMake file may link only those modules.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
table=$(grep -E '^\| `[a-z]+` \|' "$root/README.md")
modules=" $(echo $(echo "$table" | cut -d'|' -f2 | tr -d '`')) "

# Prints the modules a CMake file links: each tavrik::<name>, or a module's bare name, among
# the arguments of its tavrik_module(...) and target_link_libraries(...) calls.
linked() {
    sed 's/#.*//' "$1" | tr '\n' ' ' \
        | grep -oE '(tavrik_module|target_link_libraries)\([^)]*\)' \
        | tr -s ' ()' '\n' | sed -E 's/^tavrik:://' \
        | while IFS= read -r name; do
            case "$modules" in *" $name "*) echo "$name" ;; esac
        done
}

status=0
while IFS='|' read -r _ module allowed _; do
    module=$(echo "$module" | tr -d ' `')
    allowed=" $(echo "$allowed" | tr -d ' `' | tr ',' ' ') "
    [ -d "$root/$module" ] || continue
    while IFS= read -r line; do
        file=${line%%:*}
        used=$(echo "$line" | sed -E 's/.*#include "([a-z]+)\/.*/\1/')
        [ "$used" = "$module" ] && continue
        case "$allowed" in
            *" $used "*) ;;
            *) echo "$file includes $used, which $module may not use"; status=1 ;;
        esac
    done < <(grep -rnE '^#include "[a-z]+/' "$root/$module" || true)
    while IFS= read -r used; do
        [ "$used" = "$module" ] && continue
        case "$allowed" in
            *" $used "*) ;;
            *) echo "$module/CMakeLists.txt links $used, which $module may not use"; status=1 ;;
        esac
    done < <(linked "$root/$module/CMakeLists.txt")
done <<<"$table"
exit $status
