#!/bin/sh
# Runs a program for help2man and brings its --help text into the shape help2man reads:
# usage lines after the first become "or:" lines, an indented line that ends in a colon opens
# a list of its own, and "Exit status:" starts a section of its own.
program="$1"
shift
QT_QPA_PLATFORM=offscreen "$program" "$@" | sed \
    -e "s|^       \(${program##*/} \)|  or:  \1|" \
    -e '/^ .*:$/G' \
    -e 's|^Exit status: |*Exit status*\n|'
