#!/bin/bash
# Compiles the shared precompiled header (through ccache when the build uses it)
# and writes a checksum beside it in the same step: ccache then hashes these few
# bytes for every file that uses the header, not the 150 MB header image.
#
# The checksum is taken of what the header is made from, not of the image: GCC
# does not write the same image twice (addresses and the folder end up in it),
# so a checksum of the image would differ in every clone and no file using the
# header would ever hit another clone's cache. What it is made from is the
# preprocessed header text and the compiler's options, with the source and build
# folders taken out of both.
"$@" || exit $?

out=
prev=
for arg in "$@"; do
    [ "$prev" = "-o" ] && out=$arg
    prev=$arg
done
case "$out" in
*.gch) ;;
*) exit 0 ;;
esac

src_root=$(cd "$(dirname "$0")/.." && pwd)
build_root=$PWD

# The same command, preprocessing only, without line markers (they carry paths)
# and without the dependency file options.
pre=()
skip=0
for arg in "$@"; do
    if [ $skip = 1 ]; then skip=0; continue; fi
    case "$arg" in
    -o|-MT|-MF|-MQ) skip=1 ;;
    -MD|-MMD|-c) ;;
    *) pre+=("$arg") ;;
    esac
done

{
    printf '%s\n' "$@" | sed -e "s|$build_root|<build>|g" -e "s|$src_root|<source>|g" | grep -v '\.gch\(\.d\)\?$'
    "${pre[@]}" -E -P -o - | sed -e "s|$build_root|<build>|g" -e "s|$src_root|<source>|g"
} | md5sum > "$out.sum.tmp" || { rm -f "$out.sum.tmp"; exit 1; }
mv "$out.sum.tmp" "$out.sum"
