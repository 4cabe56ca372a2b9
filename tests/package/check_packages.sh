#!/usr/bin/env bash
# Builds the Debian packages from BUILD (an up-to-date build tree with the prefix /usr),
# checks what they hold and what Debian's validators say of them, then installs into a
# staging tree and scans two pages from the virtual scanner with the installed programs.
# Usage: check_packages.sh BUILD BACKEND(ON|OFF)
set -euo pipefail

build=$1
backend=$2
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
work=$(mktemp -d)
emulator_pid=""
cleanup() {
    if [[ -n $emulator_pid ]]; then
        kill "$emulator_pid" 2>/dev/null || true
        wait "$emulator_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# What each package must hold, and nothing else (file names relative to /).
expected_scandesk="lib/udev/rules.d/60-scandesk.rules
usr/bin/scandesk
usr/bin/scandesk-cli
usr/bin/scandesk-emulator
usr/share/applications/scandesk.desktop
usr/share/doc/scandesk/changelog.gz
usr/share/doc/scandesk/copyright
usr/share/icons/hicolor/scalable/apps/scandesk.svg
usr/share/man/man1/scandesk-cli.1.gz
usr/share/man/man1/scandesk-emulator.1.gz
usr/share/man/man1/scandesk.1.gz
usr/share/metainfo/org.scandesk.ScanDesk.metainfo.xml"
# The backend's library may come with version symlinks; the rest is fixed.
expected_backend_fixed="etc/sane.d/dll.d/scandesk
etc/sane.d/scandesk.conf
usr/share/doc/libsane-scandesk/changelog.gz
usr/share/doc/libsane-scandesk/copyright
usr/share/man/man5/sane-scandesk.5.gz"
backend_library="^usr/lib/$multiarch/sane/libsane-scandesk\.so\.1(\.[0-9.]+)?$"

files_of() { (cd "$1" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort); }

# --- the packages -------------------------------------------------------------------
if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log" >&2
    exit 1
fi
packages=(scandesk)
[[ $backend == ON ]] && packages+=(libsane-scandesk)
debs=()
for package in "${packages[@]}"; do
    deb=$(find "$work/out" -maxdepth 1 -name "${package}_*.deb")
    if [[ -z $deb ]]; then
        fail "no $package package"
        continue
    fi
    debs+=("$deb")
    mkdir -p "$work/root" "$work/control"
    dpkg-deb -x "$deb" "$work/root/$package"
    dpkg-deb -e "$deb" "$work/control/$package"
done
[[ $(find "$work/out" -maxdepth 1 -name '*.deb' | wc -l) == "${#packages[@]}" ]] ||
    fail "unexpected packages: $(ls "$work/out")"
[[ $failures == 0 ]] || exit 1

got=$(files_of "$work/root/scandesk")
[[ $got == "$expected_scandesk" ]] ||
    fail "scandesk holds other files:$(diff <(echo "$expected_scandesk") <(echo "$got"))"
[[ -x $work/control/scandesk/postinst ]] || fail "scandesk has no postinst for the udev rule"
if [[ $backend == ON ]]; then
    got=$(files_of "$work/root/libsane-scandesk")
    library=$(grep -E "$backend_library" <<<"$got" || true)
    rest=$(grep -vE "$backend_library" <<<"$got" || true)
    [[ -n $library ]] || fail "libsane-scandesk holds no usr/lib/$multiarch/sane/libsane-scandesk.so.1"
    [[ $rest == "$expected_backend_fixed" ]] ||
        fail "libsane-scandesk holds other files:$(diff <(echo "$expected_backend_fixed") <(echo "$rest"))"
    # Every file under /etc must be a conffile, so that upgrades keep local edits.
    etc=$(grep '^etc/' <<<"$got" | sed 's|^|/|')
    conffiles=$(LC_ALL=C sort "$work/control/libsane-scandesk/conffiles" 2>/dev/null || true)
    [[ $conffiles == "$etc" ]] || fail "conffiles '$conffiles' are not the /etc files '$etc'"
fi

# --- Debian's validators ------------------------------------------------------------
root=$work/root/scandesk
desktop-file-validate "$root/usr/share/applications/scandesk.desktop" || fail "desktop file"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.scandesk.ScanDesk.metainfo.xml" ||
    fail "metainfo"
while IFS= read -r page; do
    warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
        man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
    [[ -z $warnings ]] || fail "man page ${page#"$work"/root/}: $warnings"
done < <(find "$work/root" -path '*/share/man/*' -name '*.gz')
if ! lintian --fail-on error --tag-display-limit 0 "${debs[@]}"; then
    fail "lintian reports errors"
fi

# --- a staging install, scanning with the installed programs --------------------------
stage=$work/stage
for package in "${packages[@]}"; do
    DESTDIR=$stage cmake --install "$build" --component "$package" >/dev/null
done
staged=$(files_of "$stage")
packaged=$( (for package in "${packages[@]}"; do files_of "$work/root/$package"; done) |
    LC_ALL=C sort)
[[ $staged == "$packaged" ]] ||
    fail "install and packages differ:$(diff <(echo "$packaged") <(echo "$staged"))"

"$stage/usr/bin/scandesk-emulator" --bind 127.0.0.1 --port 0 --pages 2 >"$work/emulator.out" 2>&1 &
emulator_pid=$!
port=""
for ((i = 0; i < 100; i++)); do
    [[ -z $port ]] || break
    sleep 0.1
    port=$(sed -n 's/^scandesk-emulator listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' \
        "$work/emulator.out" 2>/dev/null || true)
done
if [[ -z $port ]]; then
    fail "the installed virtual scanner did not start"
else
    mkdir "$work/scans"
    status=0
    timeout 60 "$stage/usr/bin/scandesk-cli" scan --net 127.0.0.1 --port "$port" \
        --model "Tessel T3" --source ADF --page-size A4 --format pdf --dir "$work/scans" \
        >/dev/null || status=$?
    pdf=$(find "$work/scans" -maxdepth 1 -name '*.pdf')
    pages=$( [[ -f $pdf ]] && pdfinfo "$pdf" | sed -n 's/^Pages: *//p')
    [[ $status == 0 && $pages == 2 ]] ||
        fail "the installed scandesk-cli exited with $status and wrote '$pdf' ($pages pages)"
    # SANE finds the installed backend through the installed dll.d entry. Discovery stays off:
    # it would broadcast from the host's namespace.
    if [[ $backend == ON ]]; then
        mkdir "$work/sane.d"
        cp -r "$stage/etc/sane.d/dll.d" "$work/sane.d/"
        printf 'snmp-discovery no\nnet 127.0.0.1:%s\n' "$port" >"$work/sane.d/scandesk.conf"
        devices=$(SANE_CONFIG_DIR=$work/sane.d LD_LIBRARY_PATH=$stage/usr/lib/$multiarch/sane \
            timeout 60 scanimage -f '%d%n' 2>/dev/null || true)
        grep -qx "scandesk:net:127.0.0.1:$port" <<<"$devices" ||
            fail "scanimage lists '$devices', not the installed backend's scanner"
    fi
fi

[[ $failures == 0 ]]
