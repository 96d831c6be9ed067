#!/bin/sh
# Checks that the lines a change adds or edits are formatted as
# .clang-format says; lines it leaves alone are not judged. The change is
# everything since the merge base with FORMAT_BASE (default: main, else
# origin/main), committed or not. Exits 0 when there is nothing to judge:
# a fresh clone, a tree without git, a branch with no changes.
set -eu
cd "$(dirname "$0")/.."
git rev-parse --git-dir >/dev/null 2>&1 || { echo "check-format: not a git checkout, nothing to check"; exit 0; }
command -v git-clang-format >/dev/null 2>&1 || { echo "check-format: git-clang-format is missing (package clang-format)"; exit 1; }
base_ref=${FORMAT_BASE:-}
if [ -z "$base_ref" ]; then
    for candidate in main origin/main; do
        if git rev-parse --verify -q "$candidate^{commit}" >/dev/null; then
            base_ref=$candidate
            break
        fi
    done
fi
[ -n "$base_ref" ] || { echo "check-format: no main branch to compare with, nothing to check"; exit 0; }
base=$(git merge-base HEAD "$base_ref" 2>/dev/null) || { echo "check-format: no common history with $base_ref"; exit 0; }
out=$(git clang-format --diff --extensions cpp,h "$base" -- 2>&1) || true
case "$out" in
    *"no modified files to format"* | *"did not modify any files"* | "")
        echo "check-format: the changed lines are formatted"
        exit 0 ;;
esac
printf '%s\n' "$out"
echo "check-format: format the lines above (git clang-format $base)"
exit 1
