# Sourced by the bench scripts. timed SCRIPT WHAT TOOL COMMAND: runs COMMAND once under
# /usr/bin/time -v (its files in $work) and prints "WALL|PEAK_KB"; a failing command ends the
# script with its error output.
timed() {
    local script="$1" what="$2" tool="$3" command="$4"
    if ! /usr/bin/time -v -o "$work/time.txt" bash -c "$command" >/dev/null 2>"$work/err.txt"; then
        echo "$script: $tool failed on $what:" >&2
        cat "$work/err.txt" >&2
        exit 1
    fi
    echo "$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$work/time.txt")|$(
        sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time.txt")"
}
