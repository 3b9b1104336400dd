#!/usr/bin/env bash
# Holds every module to the codemap in README.md: a module may include headers only from
# itself and from the modules its row names.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
status=0
while IFS='|' read -r _ module allowed _; do
    module=$(echo "$module" | tr -d ' `')
    allowed=$(echo "$allowed" | tr -d ' `' | tr ',' ' ')
    [ -d "$root/$module" ] || continue
    while IFS= read -r line; do
        file=${line%%:*}
        used=$(echo "$line" | sed -E 's/.*#include "([a-z]+)\/.*/\1/')
        [ "$used" = "$module" ] && continue
        case " $allowed " in
            *" $used "*) ;;
            *) echo "$file includes $used, which $module may not use"; status=1 ;;
        esac
    done < <(grep -rnE '^#include "[a-z]+/' "$root/$module" || true)
done < <(grep -E '^\| `[a-z]+` \|' "$root/README.md")
exit $status
