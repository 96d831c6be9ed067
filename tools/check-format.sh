#!/bin/sh
# Checks that the lines a change adds or edits are formatted as
# .clang-format says; lines it leaves alone are not judged. The change is
# everything since the merge base with FORMAT_BASE, committed or not; by
# default the commit named in tools/format-base, from which on every
# changed line is held to the format (so a fresh clone of main is checked
# too), else main or origin/main. Exits 0 when there is nothing to judge: a
# tree without git, a clone without that history, no changes.
#
# clang-format 14 with no column limit breaks a one-line enum after its
# first value ("enum class E { a,\n    b };"); such hunks are not held
# against a change.
set -eu
cd "$(dirname "$0")/.."
git rev-parse --git-dir >/dev/null 2>&1 || { echo "check-format: not a git checkout, nothing to check"; exit 0; }
command -v git-clang-format >/dev/null 2>&1 || { echo "check-format: git-clang-format is missing (package clang-format)"; exit 1; }
base_ref=${FORMAT_BASE:-}
if [ -z "$base_ref" ] && [ -f tools/format-base ]; then
    base_ref=$(tr -d ' \n' < tools/format-base)
    git rev-parse --verify -q "$base_ref^{commit}" >/dev/null || base_ref=
fi
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
out=$(git clang-format --diff --extensions cpp,h "$base" -- 2>&1 | python3 -c '
import re, sys
text = sys.stdin.read()
# Drops each hunk whose only change is a one-line enum broken after its
# first value, then each file left without hunks.
files = re.split(r"(?m)^(?=diff --git )", text)
kept = []
for block in files:
    parts = re.split(r"(?m)^(?=@@ )", block)
    head, hunks = parts[0], parts[1:]
    def enum_only(hunk):
        removed = [l[1:] for l in hunk.splitlines()[1:] if l.startswith("-")]
        added = [l[1:] for l in hunk.splitlines()[1:] if l.startswith("+")]
        return removed and all(re.match(r"\s*enum (class )?\w+( : \w+)? \{[^}]*\};\s*$", l) for l in removed) \
            and "".join(a.strip() for a in added).replace(" ", "") == "".join(r.strip() for r in removed).replace(" ", "")
    hunks = [h for h in hunks if not enum_only(h)]
    if hunks or not head.startswith("diff --git"):
        kept.append(head + "".join(hunks))
sys.stdout.write("".join(kept).strip())
') || true
case "$out" in
    *"no modified files to format"* | *"did not modify any files"* | "")
        echo "check-format: the changed lines are formatted"
        exit 0 ;;
esac
printf '%s\n' "$out"
echo "check-format: format the lines above (git clang-format $base)"
exit 1
