#!/bin/sh
# Prints, for every PNG in the reference folder, how many pixels differ in
# the current one (ImageMagick's absolute-error count), and the images that
# are new or gone; a changed size counts every pixel.
# Usage: screenshots-diff.sh <reference folder> <current folder>
set -eu
reference=$1
current=$2
if [ ! -d "$reference" ]; then
	echo "no reference folder $reference: copy a run of make screenshots there first" >&2
	exit 2
fi
changed=0
total=0
for before in "$reference"/*.png; do
	name=$(basename "$before")
	after="$current/$name"
	total=$((total + 1))
	if [ ! -f "$after" ]; then
		echo "gone     $name"
		changed=$((changed + 1))
		continue
	fi
	# compare writes the count to stderr and exits 1 when the images differ.
	pixels=$(compare -metric AE "$before" "$after" null: 2>&1 || true)
	case $pixels in
	0) ;;
	*[!0-9.e+]*)
		echo "size     $name ($(identify -format '%wx%h' "$before") -> $(identify -format '%wx%h' "$after"))"
		changed=$((changed + 1)) ;;
	*)
		printf '%8s %s\n' "$pixels" "$name"
		changed=$((changed + 1)) ;;
	esac
done
for after in "$current"/*.png; do
	[ -f "$reference/$(basename "$after")" ] || { echo "new      $(basename "$after")"; changed=$((changed + 1)); }
done
echo "$changed of $total images differ"
