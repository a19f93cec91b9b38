#!/bin/sh
# Runs a command with a German (comma) locale that the machine may have the
# sources of but not compiled: compiled into FOLDER and found through
# LOCPATH. Without the sources the command runs as it is, and the tests that
# need the locale say they were skipped.
#   with_comma_locale.sh FOLDER COMMAND [ARGS...]
folder=$1
shift
mkdir -p "$folder"
if [ ! -d "$folder/de_DE.UTF-8" ]; then
    localedef -i de_DE -f UTF-8 "$folder/de_DE.UTF-8" >/dev/null 2>&1 || true
fi
if [ -d "$folder/de_DE.UTF-8" ]; then
    LOCPATH=$folder
    export LOCPATH
fi
exec "$@"
