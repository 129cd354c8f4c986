#!/usr/bin/env bash
# Builds the Debian package and checks it as a user of it would meet it: the
# exact files it installs, its dependencies, lintian, the desktop entry and
# AppStream validators, and the program unpacked from it, started as an
# unprivileged user who cannot write beside the program, closed by SIGTERM,
# leaving its files in that user's data folder. Nothing is installed into
# this machine's system.
set -euo pipefail
cd "$(dirname "$0")/.."

deb=$(bash tools/build-package.sh | tail -n 1)
version=$(dpkg-parsechangelog -l packaging/debian/changelog -S Version)
app_id=example.quorrix.Quorrix
nobody=65534

scratch=$(mktemp -d)
program_pid=
stop_program() {
    [ -z "$program_pid" ] || { kill -KILL "$program_pid" && wait "$program_pid"; } 2> /dev/null || true
    program_pid=
}
cleanup() {
    stop_program
    rm -rf "$scratch"
}
trap cleanup EXIT
# Readable for the unprivileged user, writable only by root.
chmod 755 "$scratch"
dpkg-deb -x "$deb" "$scratch/root"

passed=0
failed=0
check() { # name command...
    local name=$1 status=0
    shift
    "$@" > "$scratch/check.log" 2>&1 || status=$?
    if [ "$status" -eq 0 ]; then
        passed=$((passed + 1))
        echo "PASS  $name"
    else
        failed=$((failed + 1))
        echo "FAIL  $name"
    fi
    sed 's/^/      /' "$scratch/check.log"
}

file_list() {
    local expected actual
    expected=$(cat <<EOF
-rwxr-xr-x root/root ./usr/lib/quorrix/quorrix
-rw-r--r-- root/root ./usr/share/applications/$app_id.desktop
-rw-r--r-- root/root ./usr/share/doc/quorrix/changelog.Debian.gz
-rw-r--r-- root/root ./usr/share/doc/quorrix/copyright
-rw-r--r-- root/root ./usr/share/icons/hicolor/128x128/apps/$app_id.png
-rw-r--r-- root/root ./usr/share/icons/hicolor/16x16/apps/$app_id.png
-rw-r--r-- root/root ./usr/share/icons/hicolor/256x256/apps/$app_id.png
-rw-r--r-- root/root ./usr/share/icons/hicolor/32x32/apps/$app_id.png
-rw-r--r-- root/root ./usr/share/icons/hicolor/48x48/apps/$app_id.png
-rw-r--r-- root/root ./usr/share/icons/hicolor/64x64/apps/$app_id.png
-rw-r--r-- root/root ./usr/share/man/man1/quorrix.1.gz
-rw-r--r-- root/root ./usr/share/metainfo/$app_id.metainfo.xml
lrwxrwxrwx root/root ./usr/bin/quorrix -> ../lib/quorrix/quorrix
EOF
)
    actual=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { $3 = $4 = $5 = ""; print }' | tr -s ' ')
    diff <(printf '%s\n' "$expected" | LC_ALL=C sort -k 3) <(printf '%s\n' "$actual" | LC_ALL=C sort -k 3)
}

control_fields() {
    local depends
    [ "$(dpkg-deb -f "$deb" Package)" = quorrix ] || { echo "Package: $(dpkg-deb -f "$deb" Package)"; return 1; }
    [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || { echo "Version: $(dpkg-deb -f "$deb" Version)"; return 1; }
    depends=$(dpkg-deb -f "$deb" Depends)
    # The libraries come from dpkg-shlibdeps; the font is not linked, so it is named.
    for package in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6dbus6 fonts-ipafont-gothic; do
        [[ ", $depends," == *", $package "* || ", $depends," == *", $package,"* ]] || { echo "Depends lacks $package: $depends"; return 1; }
    done
}

# Errors fail; warnings and notes are shown.
run_lintian() {
    local status=0
    lintian --fail-on error "$deb" > "$scratch/lintian.log" 2>&1 || status=$?
    grep -v '^running with root privileges' "$scratch/lintian.log" || true
    return "$status"
}

desktop_entry() {
    local entry=$scratch/root/usr/share/applications/$app_id.desktop output
    output=$(desktop-file-validate "$entry" 2>&1) || { echo "$output"; return 1; }
    [ -z "$output" ] || { echo "$output"; return 1; }
    grep -qx 'Exec=quorrix' "$entry" || { echo "Exec is not quorrix"; return 1; }
    grep -qx "Icon=$app_id" "$entry" || { echo "Icon is not $app_id"; return 1; }
}

appstream() {
    appstreamcli validate --no-net "$scratch/root/usr/share/metainfo/$app_id.metainfo.xml"
    # The tree as installed: the metadata's launchable names a desktop entry that is there.
    appstreamcli validate-tree --no-net "$scratch/root"
}

# Started through the link in bin as the unprivileged user, with nothing of
# the caller's environment but a search path; the program folder belongs to
# root, so the program has to keep its files in the user's data folder.
program_runs_and_saves_on_sigterm() {
    local home=$scratch/home data=$scratch/home/data status=0
    mkdir -p "$home/data" "$home/runtime"
    chmod 700 "$home/runtime"
    chown -R "$nobody:$nobody" "$home"
    setpriv --reuid="$nobody" --regid="$nobody" --clear-groups \
        env -i PATH=/usr/bin:/bin LANG=C.UTF-8 HOME="$home" XDG_DATA_HOME="$data" \
        XDG_CONFIG_HOME="$home/config" XDG_CACHE_HOME="$home/cache" XDG_RUNTIME_DIR="$home/runtime" \
        QT_QPA_PLATFORM=offscreen "$scratch/root/usr/bin/quorrix" > "$scratch/program.log" 2>&1 &
    program_pid=$!
    # Ready once it catches SIGTERM (bit 14 of SigCgt), which it does before
    # its message loop runs; before that SIGTERM would simply kill it.
    local tries=0 caught
    while :; do
        caught=$(awk '/^SigCgt:/ { print $2 }' "/proc/$program_pid/status" 2> /dev/null || true)
        if [ -n "$caught" ] && (((0x$caught >> 14) & 1)); then
            break
        fi
        if ! kill -0 "$program_pid" 2> /dev/null; then
            wait "$program_pid" || status=$?
            program_pid=
            echo "the program ended by itself with status $status before it handled SIGTERM"
            cat "$scratch/program.log"
            return 1
        fi
        if ((++tries > 300)); then
            echo "the program did not set up its SIGTERM handling within 30 s"
            stop_program
            cat "$scratch/program.log"
            return 1
        fi
        sleep 0.1
    done
    sleep 1
    kill -TERM "$program_pid"
    tries=0
    while kill -0 "$program_pid" 2> /dev/null && [ "$(awk '{ print $3 }' "/proc/$program_pid/stat" 2> /dev/null)" != Z ]; do
        if ((++tries > 300)); then
            echo "the program was still running 30 s after SIGTERM"
            stop_program
            cat "$scratch/program.log"
            return 1
        fi
        sleep 0.1
    done
    wait "$program_pid" || status=$?
    program_pid=
    [ "$status" -eq 0 ] || { echo "exit status $status after SIGTERM"; cat "$scratch/program.log"; return 1; }
    for file in Prof.TXT Flag.TXT quorrix.INI; do
        [ -f "$data/quorrix/$file" ] || { echo "no $data/quorrix/$file"; ls -laR "$home"; cat "$scratch/program.log"; return 1; }
    done
    [ "$(ls -A "$scratch/root/usr/lib/quorrix")" = quorrix ] || { echo "files beside the program:"; ls -la "$scratch/root/usr/lib/quorrix"; return 1; }
}

echo "Checking $deb"
check "file list" file_list
check "control fields" control_fields
check "lintian (no errors)" run_lintian
check "desktop-file-validate" desktop_entry
check "appstreamcli validate" appstream
check "program started as an unprivileged user, closed by SIGTERM" program_runs_and_saves_on_sigterm
echo "package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
