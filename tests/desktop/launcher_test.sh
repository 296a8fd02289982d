#!/bin/sh
# The menu's launcher: where it starts the program, which program it starts, what it passes.
# Usage: launcher_test.sh PATH-TO-zarvoth-launch
# The program beside the launcher is a stand-in that notes its working folder and arguments
# and makes "datphone" there, as the real one does at start-up.
set -u
launcher=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
passed=0
failed=0

ok() { passed=$((passed + 1)); echo "ok: $1"; }
not_ok() { failed=$((failed + 1)); echo "FAILED: $1"; }
expect() { # expect DESCRIPTION ACTUAL WANTED
    if [ "$2" = "$3" ]; then ok "$1"; else not_ok "$1: got '$2', wanted '$3'"; fi
}

# A bin folder holding the launcher and a stand-in program.
make_bin() { # make_bin FOLDER [STATUS]
    mkdir -p "$1"
    cp "$launcher" "$1/zarvoth-launch"
    chmod +x "$1/zarvoth-launch"
    cat >"$1/zarvoth" <<EOF
#!/bin/sh
pwd >"\$NOTE"
for argument in "\$@"; do printf '%s\n' "\$argument" >>"\$NOTE"; done
: >datphone
exit ${2:-0}
EOF
    chmod +x "$1/zarvoth"
}
mode_of() { stat -c %a "$1"; }
started_in() { head -n 1 "$NOTE"; }

export NOTE="$root/note"
bin="$root/the bin"
make_bin "$bin"
caller="$root/caller"
mkdir -p "$caller"

# An absolute XDG_DATA_HOME, with a blank in it, that does not exist yet.
rm -f "$NOTE"
(cd "$caller" && HOME="$root/home1" XDG_DATA_HOME="$root/my data" "$bin/zarvoth-launch")
expect "started in \$XDG_DATA_HOME/zarvoth" "$(started_in)" "$root/my data/zarvoth"
expect "datphone lands in the data folder" "$(test -f "$root/my data/zarvoth/datphone" && echo yes)" yes
expect "no datphone where the menu started it" "$(test -e "$caller/datphone" && echo yes)" ""
expect "the data folder is its owner's alone" "$(mode_of "$root/my data/zarvoth")" 700
expect "so is the data home made for it" "$(mode_of "$root/my data")" 700

# No XDG_DATA_HOME, an empty one and a relative one: all mean ~/.local/share.
for setting in unset empty relative; do
    home="$root/home-$setting"
    mkdir -p "$home"
    rm -f "$NOTE"
    case $setting in
    unset) (cd "$caller" && unset XDG_DATA_HOME && HOME="$home" "$bin/zarvoth-launch") ;;
    empty) (cd "$caller" && HOME="$home" XDG_DATA_HOME= "$bin/zarvoth-launch") ;;
    relative) (cd "$caller" && HOME="$home" XDG_DATA_HOME=rel/data "$bin/zarvoth-launch") ;;
    esac
    expect "XDG_DATA_HOME $setting: started in ~/.local/share/zarvoth" \
        "$(started_in)" "$home/.local/share/zarvoth"
    expect "XDG_DATA_HOME $setting: ~/.local is its owner's alone" "$(mode_of "$home/.local")" 700
done
expect "a relative XDG_DATA_HOME makes nothing" "$(test -e "$caller/rel" && echo yes)" ""

# A data folder that exists keeps its contacts and its permissions.
home="$root/home-existing"
mkdir -p "$home/.local/share/zarvoth"
chmod 755 "$home/.local/share/zarvoth"
printf 'contacts' >"$home/.local/share/zarvoth/kept"
rm -f "$NOTE"
(cd "$caller" && unset XDG_DATA_HOME && HOME="$home" "$bin/zarvoth-launch")
expect "an existing data folder is used" "$(started_in)" "$home/.local/share/zarvoth"
expect "its files stay" "$(cat "$home/.local/share/zarvoth/kept")" contacts
expect "its permissions stay" "$(mode_of "$home/.local/share/zarvoth")" 755

# Arguments go through unchanged, and the program's exit status is the launcher's.
make_bin "$root/failing bin" 3
rm -f "$NOTE"
(cd "$caller" && HOME="$root/home1" "$root/failing bin/zarvoth-launch" "two words" "" "*")
expect "the program's exit status comes back" "$?" 3
expect "arguments arrive as given" "$(tail -n +2 "$NOTE" | tr '\n' '|')" "two words||*|"

# Started by a relative path, or found on PATH: the program beside it is still the one run.
rm -f "$NOTE"
(cd "$bin" && HOME="$root/home1" XDG_DATA_HOME= ./zarvoth-launch)
expect "started as ./zarvoth-launch: the program beside it runs" "$(started_in)" \
    "$root/home1/.local/share/zarvoth"
rm -f "$NOTE"
(cd "$caller" && HOME="$root/home1" XDG_DATA_HOME= PATH="$bin:$PATH" zarvoth-launch)
expect "found on PATH: the program beside it runs" "$(started_in)" \
    "$root/home1/.local/share/zarvoth"

# A launcher with no program beside it runs the one on PATH.
mkdir -p "$root/lone"
cp "$launcher" "$root/lone/zarvoth-launch"
chmod +x "$root/lone/zarvoth-launch"
rm -f "$NOTE"
(cd "$caller" && HOME="$root/home1" XDG_DATA_HOME= PATH="$bin:$PATH" "$root/lone/zarvoth-launch")
expect "no program beside it: the one on PATH runs" "$(started_in)" \
    "$root/home1/.local/share/zarvoth"

# Neither HOME nor XDG_DATA_HOME: nowhere to keep the contacts, so nothing is started.
rm -f "$NOTE"
(cd "$caller" && unset HOME XDG_DATA_HOME && "$bin/zarvoth-launch") 2>"$root/error"
status=$?
expect "without a home the launcher fails" "$([ "$status" -ne 0 ] && echo yes)" yes
expect "without a home the program is not started" "$(test -e "$NOTE" && echo yes)" ""
expect "without a home it says why" "$(grep -c HOME "$root/error")" 1

echo "launcher: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
