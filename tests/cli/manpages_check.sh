#!/bin/sh
# The manual pages against the programs' --help: the same options (those of the synopsis, the
# commands and the options sections), and for parvel-cli the same commands, so that neither drifts from the other; groff renders each page without a warning.
set -eu
bin=$1
man=$2
status=0

# Options named in a text: --word (roff writes them \-\-word).
options() { sed 's/\\-/-/g' | grep -o -- '--[a-z][a-z-]*' | sort -u; }

for program in parvel parvel-cli turnwheel; do
  page=$man/$program.1
  [ -x "$bin/$program" ] || continue
  help=$("$bin/$program" --help)
  in_help=$(printf '%s\n' "$help" | options)
  in_page=$(sed -n '/^\.SH \(SYNOPSIS\|COMMANDS\|OPTIONS\)/,/^\.SH \(DESCRIPTION\|EXIT\)/p' "$page" | options)
  if [ "$in_help" != "$in_page" ]; then
    echo "$program: the options of --help and of $program.1 differ:"
    printf '%s\n' "$in_help" >/tmp/manpages_check.$$.help
    printf '%s\n' "$in_page" | diff /tmp/manpages_check.$$.help - | sed -n 's/^[<>]/  &/p'
    rm -f /tmp/manpages_check.$$.help
    status=1
  fi
  if command -v groff >/dev/null; then
    warnings=$(groff -man -ww -z "$page" 2>&1 || true)
    [ -z "$warnings" ] || { echo "$program.1: $warnings"; status=1; }
  fi
done

# parvel-cli's commands: the usage lines "  COMMAND ..." and the page's ".B COMMAND" or
# ".BI "COMMAND " entries of its COMMANDS section.
help_commands=$("$bin/parvel-cli" --help | sed -n 's/^  \([a-z][a-z-]*\).*/\1/p' | sort -u)
page_commands=$(sed -n '/^\.SH COMMANDS/,/^\.SH /p' "$man/parvel-cli.1" |
  sed -n '/^\.TP/{n;s/^\.BI\{0,1\} "\{0,1\}\([a-z][a-z-]*\).*/\1/p;}' | sort -u)
if [ "$help_commands" != "$page_commands" ]; then
  echo "parvel-cli: the commands of --help ($(echo $help_commands)) and of parvel-cli.1" \
    "($(echo $page_commands)) differ"
  status=1
fi
[ $status -eq 0 ] && echo "manual pages match --help"
exit $status
