#!/usr/bin/env bash
# The manual page and the bash completion say what the command line's own help says, and
# the help is the same in each of its spellings:
#   help-consistency.sh TESSARO MANUAL COMPLETION
# Commands come from "tessaro --help", each command's options from "tessaro help CMD",
# the values of an option from its error message for a wrong value (the words of it the
# command line accepts). Every difference is listed, then the test fails.
set -uo pipefail
tessaro=$1 manual=$2 completion=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
options() { grep -oE -- '--[a-z][a-z0-9-]*' | grep -vx -- --opt | sort -u; }
# Lines only in the first list, or only in the second, named.
differ() {
  local what=$1 left=$2 right=$3 a=$4 b=$5 line
  while read -r line; do [[ -n $line ]] && fail "$what: $line is in $left, not in $right"; done < <(comm -23 <(sort -u <<<"$a") <(sort -u <<<"$b"))
  while read -r line; do [[ -n $line ]] && fail "$what: $line is in $right, not in $left"; done < <(comm -13 <(sort -u <<<"$a") <(sort -u <<<"$b"))
}

# The manual page's text with roff's escapes for hyphens and fonts undone.
text=$(sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' "$manual")
rendered=$(MANWIDTH=80 man --warnings=w -l "$manual" 2>"$work/man.err")
[[ -s $work/man.err ]] && fail "man reports: $(head -3 "$work/man.err")"
grep -q '^NAME' <<<"$rendered" && grep -q '^SYNOPSIS' <<<"$rendered" || fail "the manual page does not render"

# The completion, asked as bash asks it: COMP_WORDS and COMP_CWORD set, _tessaro called.
complete_words() {
  bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _tessaro; printf "%s\n" "${COMPREPLY[@]}"' \
    _ "$completion" "$@" | sed '/^$/d' | sort -u
}
# Values only: in an empty folder, so that completing files gives nothing.
mkdir "$work/empty"
complete_values() { (cd "$work/empty" && complete_words "$@") | grep -v '^-'; }
registered=$(bash -c 'source "$1"; complete -p tessaro' _ "$completion")
[[ $registered == "complete -F _tessaro tessaro" ]] || fail "the completion is not registered for tessaro: $registered"

top=$("$tessaro" --help) || fail "tessaro --help exits with $?"
[[ $("$tessaro" help) == "$top" && $top == *"tessaro import [options] FILE..."* ]] || fail "tessaro help differs from --help"
"$tessaro" --version | grep -qxE 'tessaro [0-9]+\.[0-9]+\.[0-9]+ \((commit [0-9a-f]{12}.*|not built from a git checkout)\)' ||
  fail "tessaro --version says: $("$tessaro" --version)"
commands=$(grep -oE '^ *tessaro [a-z]+' <<<"$top" | awk '{print $2}' | sort -u)
[[ -n $commands ]] || fail "no commands found in tessaro --help"
offered=$(complete_words tessaro "")
offered_commands=$(grep -v '^-' <<<"$offered")
for command in $offered_commands; do
  grep -qx "$command" <<<"$commands" || "$tessaro" "$command" --help >/dev/null 2>&1 ||
    fail "the completion offers the command $command, which tessaro does not know"
done
all_help=$(options <<<"$top")$'\n--help'
all_offered=$(grep '^-' <<<"$offered")
# The options of tessaro itself: its usage lines "tessaro --OPTION".
differ "options of tessaro" "tessaro --help" "the completion" \
  "$(grep -E '^ *tessaro -' <<<"$top" | options)"$'\n--help' "$all_offered"
for command in $commands; do
  grep -qx "$command" <<<"$offered_commands" || fail "the completion does not offer the command $command"
  grep -q "^\.SS \"tessaro $command" "$manual" || fail "the manual page has no section for tessaro $command"
  command_offered=$(complete_words tessaro "$command" -)
  all_offered+=$'\n'$command_offered
  # A command without a help page of its own (help itself) takes no options.
  if ! help=$("$tessaro" help "$command" 2>/dev/null); then
    [[ -z $command_offered ]] || fail "the completion offers options for $command, which has no help page"
    continue
  fi
  [[ $help == "Usage: tessaro $command"* && $help == *$'\nExamples:\n  tessaro '"$command"* ]] ||
    fail "tessaro help $command has no usage line or no examples"
  # Other spellings, also after other arguments (then nothing is imported).
  for spelling in "$command --help" "$command -h" "$command --device-db $work/none.dbr --help"; do
    [[ $("$tessaro" $spelling 2>&1) == "$help" ]] || fail "tessaro $spelling is not tessaro help $command"
  done
  help_options=$(options <<<"$help")
  all_help+=$'\n'$help_options
  differ "options of $command" "tessaro help $command" "the completion" "$help_options" "$command_offered"
  # The manual page's options of the command: its subsection "Command options" (--help
  # is described once, among the other options).
  section=$(awk -v title="${command^} options" '/^\.S[HS]/ {inside = index($0, title) > 0} inside' <<<"$text")
  differ "options of $command" "tessaro help $command" "the manual page" "$(grep -vx -- --help <<<"$help_options")" \
    "$(options <<<"$section")"

  # Option values: the words of a wrong value's error message that the command line takes.
  base=(--device-db "$work/none.dbr")
  [[ $command == import ]] && base+=("$work/none.ASC")
  # diff: two saved imports with no records, so that a right value gives no trouble.
  [[ $command == diff ]] && : >"$work/none.jsonl" && base+=("$work/none.jsonl" "$work/none.jsonl")
  for option in $command_offered; do
    [[ $option == --help ]] && continue
    status=0
    message=$("$tessaro" "$command" "$option" "@wrong@" "${base[@]}" 2>&1 >/dev/null) || status=$?
    [[ $status -eq 2 ]] || continue
    accepted=$(for word in $(head -1 <<<"$message" | grep -oE '[A-Za-z][A-Za-z0-9]*' | sort -u); do
      "$tessaro" "$command" "$option" "$word" "${base[@]}" >/dev/null 2>&1
      [[ $? -ne 2 ]] && echo "$word"
    done)
    values=$(complete_values tessaro "$command" "$option" "")
    # Every value the completion offers is taken; an option of a closed list (its error
    # names the values) has exactly those offered.
    for word in $values; do
      "$tessaro" "$command" "$option" "$word" "${base[@]}" >/dev/null 2>&1
      [[ $? -ne 2 ]] || fail "the completion offers $word for $command $option, which the command line refuses"
    done
    [[ -z $accepted ]] || differ "values of $command $option" "the command line" "the completion" "$accepted" "$values"
    [[ $(complete_values tessaro "$command" "$option" = "") == "$values" ]] ||
      fail "the completion offers other values after $option= than after $option"
    # The manual page's paragraph of the option, from its .TP to the next one.
    paragraph=$(awk -v option="$option" '/^\.(TP|SS|SH)/ {inside = 0} \
      prev == ".TP" && index($0, option) {inside = 1} inside; {prev = $1}' <<<"$text")
    for value in $accepted; do
      grep -qw -- "$value" <<<"$paragraph" || fail "the manual page's $option does not name its value $value"
    done
  done
done
differ "options" "the command line's help" "the manual page" "$(sort -u <<<"$all_help")" "$(options <<<"$text")"
differ "options" "the command line's help" "the completion" "$(sort -u <<<"$all_help")" "$(sort -u <<<"$all_offered" | sed '/^$/d')"

((failures == 0)) || { echo "differences: $failures" >&2; exit 1; }
echo "manual page and completion agree with the help of: $(echo $commands)"
