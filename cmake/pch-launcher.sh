#!/bin/sh
# Compiles the shared precompiled header (through ccache when the build uses it)
# and writes its checksum beside it in the same step: ccache then hashes these
# few bytes for every file that uses the header, not the 150 MB header image.
"$@" || exit $?
out=
prev=
for arg in "$@"; do
    [ "$prev" = "-o" ] && out=$arg
    prev=$arg
done
case "$out" in
*.gch) md5sum < "$out" > "$out.sum.tmp" && mv "$out.sum.tmp" "$out.sum" ;;
esac
