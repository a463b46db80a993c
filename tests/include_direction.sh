#!/usr/bin/env bash
# Fails when a source file includes a folder above its own:
#   core → editor → {page, preview, check, site, wizards} → app
# The middle floor's folders use editor and core but not each other; core includes none of the
# others.
set -u
src="${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../src" && pwd)}"
allowed() { # folder, included folder
    [ "$1" = "$2" ] && return 0
    case "$1:$2" in
        editor:core) return 0 ;;
        page:core | page:editor) return 0 ;;
        preview:core | preview:editor) return 0 ;;
        check:core | check:editor) return 0 ;;
        site:core | site:editor) return 0 ;;
        wizards:core | wizards:editor) return 0 ;;
        app:*) return 0 ;;
    esac
    return 1
}
bad=0
while IFS= read -r file; do
    from="${file#"$src"/}"
    from="${from%%/*}"
    while IFS= read -r line; do
        target="$(sed -E 's/^[^"]*"([^/"]+)\/.*$/\1/' <<<"$line")"
        [ -d "$src/$target" ] || continue
        if ! allowed "$from" "$target"; then
            echo "${file#"$src"/}: includes $target/ (a $from file may not)"
            bad=1
        fi
    done < <(grep -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file")
done < <(find "$src" -mindepth 2 \( -name '*.h' -o -name '*.cpp' \))
[ "$bad" -eq 0 ] && echo "include direction: every folder includes only what lies below it"
exit "$bad"
