#!/bin/bash
# The bash completion of parvel-cli run against the real program on a data directory made here:
# commands and options from --help, sites by key and name (with --data-dir), settings keys, and a
# site name that is shell syntax is offered quoted, never run.
set -eu
bin=$1
completion=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
data=$tmp/data
mkdir -p "$data" "$tmp/site one" "$tmp/site two"
"$bin/parvel-cli" --data-dir "$data" new-site "Summer Walk" --path "$tmp/site one/" >/dev/null
"$bin/parvel-cli" --data-dir "$data" new-site '$(touch '"$tmp"'/ran)' --path "$tmp/site two/" \
  >/dev/null
export PATH="$bin:$PATH"
# shellcheck source=/dev/null
source "$completion"

status=0
# expect "LINE TO COMPLETE" WORD...: the completions offered for the last word of the line
# (empty when the line ends in a blank) are exactly the WORDs, in any order.
expect() {
  local line=$1 got want
  shift
  read -ra COMP_WORDS <<<"$line"
  [[ $line == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _parvel_cli
  got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ')
  want=$(printf '%s\n' "$@" | sort | tr '\n' ' ')
  [[ $got == "$want" ]] || { echo "completing '$line': got [$got], want [$want]"; status=1; }
}

commands=$("$bin/parvel-cli" --help | sed -n 's/^  \([a-z][a-z-]*\).*/\1/p')
# shellcheck disable=SC2086
expect "parvel-cli " $commands
expect "parvel-cli --" --data-dir --help --version
expect "parvel-cli new" new-site
expect "parvel-cli build --r" --rotation --remake-thumbnails
expect "parvel-cli quick --" --template --yes --no
expect "parvel-cli --data-dir $data show " Site_1 Site_2 'Summer\ Walk' \
  "$(printf '%q' '$(touch '"$tmp"'/ran)')"
expect "parvel-cli --data-dir $data build S" Site_1 Site_2 'Summer\ Walk'
expect "parvel-cli --data-dir $data set Site_1 --rotation 1 Thumb_W" Thumb_Width=
expect "parvel-cli --data-dir $data set Site_1 Thumb_Width=150 Thumb_H" Thumb_Height=
expect "parvel-cli --data-dir $data show Site_1 Thumb_W" Thumb_Width
expect "parvel-cli --data-dir $data delete-site Summer" 'Summer\ Walk'
expect "parvel-cli --data-dir $data new-site " ""
expect "parvel-cli --data-dir $tmp/si" "$tmp/site one" "$tmp/site two"
[[ ! -e $tmp/ran ]] || { echo "a site name was run as a command"; status=1; }
[ $status -eq 0 ] && echo "completion offers what it should"
exit $status
