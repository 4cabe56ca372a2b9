#!/usr/bin/env bash
# Builds the Debian packages from BUILD (an up-to-date build tree with the prefix /usr),
# checks what they hold and what Debian's validators say of them, then installs into a
# staging tree and starts the installed programs.
# Usage: check_packages.sh BUILD BACKEND(ON|OFF)
set -euo pipefail

build=$1
backend=$2
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
files_of() { (cd "$1" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort); }
# Compares a file list with the expected one, saying how they differ.
same_files() { [[ $2 == "$3" ]] || fail "$1:$(diff <(echo "$3") <(echo "$2"))"; }

# What each package must hold, and nothing else; the backend's library may come with
# version symlinks. The lists are in C sort order.
expected_scandesk=$(printf '%s\n' lib/udev/rules.d/60-scandesk.rules \
    usr/bin/scandesk{,-cli,-emulator} usr/share/applications/scandesk.desktop \
    usr/share/doc/scandesk/{changelog.gz,copyright} usr/share/icons/hicolor/scalable/apps/scandesk.svg \
    usr/share/man/man1/scandesk{-cli,-emulator,}.1.gz \
    usr/share/metainfo/org.scandesk.ScanDesk.metainfo.xml)
expected_backend=$(printf '%s\n' etc/sane.d/{dll.d/scandesk,scandesk.conf} \
    usr/share/doc/libsane-scandesk/{changelog.gz,copyright} usr/share/man/man5/sane-scandesk.5.gz)
library="^usr/lib/$multiarch/sane/libsane-scandesk\.so\.1(\.[0-9.]+)?$"

# --- the packages -------------------------------------------------------------------
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; exit 1; }
packages=(scandesk)
[[ $backend == ON ]] && packages+=(libsane-scandesk)
debs=("$work"/out/*.deb)
[[ ${#debs[@]} == "${#packages[@]}" ]] || { fail "packages: $(ls "$work/out")"; exit 1; }
mkdir "$work/root" "$work/control"
for package in "${packages[@]}"; do
    deb=$(ls "$work/out/${package}"_*.deb) || { fail "no $package package"; exit 1; }
    dpkg-deb -x "$deb" "$work/root/$package"
    dpkg-deb -e "$deb" "$work/control/$package"
done

same_files "scandesk holds other files" "$(files_of "$work/root/scandesk")" "$expected_scandesk"
[[ -x $work/control/scandesk/postinst ]] || fail "scandesk has no postinst for the udev rule"
if [[ $backend == ON ]]; then
    got=$(files_of "$work/root/libsane-scandesk")
    grep -qE "$library" <<<"$got" || fail "libsane-scandesk holds no libsane-scandesk.so.1"
    same_files "libsane-scandesk holds other files" "$(grep -vE "$library" <<<"$got")" \
        "$expected_backend"
    # Every file under /etc must be a conffile, so that upgrades keep local edits.
    same_files "conffiles are not the /etc files" \
        "$(LC_ALL=C sort "$work/control/libsane-scandesk/conffiles" 2>/dev/null)" \
        "$(grep '^etc/' <<<"$got" | sed 's|^|/|')"
fi

# --- Debian's validators ------------------------------------------------------------
root=$work/root/scandesk/usr/share
desktop-file-validate "$root/applications/scandesk.desktop" || fail "desktop file"
appstreamcli validate --no-net "$root/metainfo/org.scandesk.ScanDesk.metainfo.xml" ||
    fail "metainfo"
for page in "$work"/root/*/usr/share/man/*/*.gz; do
    warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
        man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
    [[ -z $warnings ]] || fail "man page ${page#"$work"/root/}: $warnings"
done
lintian --fail-on error --tag-display-limit 0 "${debs[@]}" || fail "lintian reports errors"

# --- the distribution's hardening, on every program and the backend -----------------
# Control-flow protection is not among the flags Debian builds with by default.
mapfile -t binaries < <(find "$work"/root/*/usr/bin "$work"/root/*/usr/lib -type f \
    \( -path '*/usr/bin/*' -o -name 'libsane-scandesk.so.*' \))
expected=3
[[ $backend == ON ]] && expected=4
[[ ${#binaries[@]} == "$expected" ]] || fail "hardening: found ${binaries[*]}"
hardening-check --nocfprotection "${binaries[@]}" >"$work/hardening.log" 2>&1 ||
    { cat "$work/hardening.log" >&2; fail "built without the distribution's hardening"; }

# --- a staging install, and the installed programs started ---------------------------
stage=$work/stage
for package in "${packages[@]}"; do
    DESTDIR=$stage cmake --install "$build" --component "$package" >/dev/null
done
same_files "install and packages differ" "$(files_of "$stage")" \
    "$(for package in "${packages[@]}"; do files_of "$work/root/$package"; done | LC_ALL=C sort)"

# The installed programs start: every library they need is installed or a dependency.
for program in scandesk-cli scandesk-emulator; do
    "$stage/usr/bin/$program" --help >/dev/null || fail "the installed $program does not start"
done
# SANE finds the installed backend through the installed dll.d entry. Discovery stays off:
# it would broadcast from the host's namespace. Listing a configured scanner needs no scanner.
if [[ $backend == ON ]]; then
    mkdir "$work/sane.d"
    cp -r "$stage/etc/sane.d/dll.d" "$work/sane.d/"
    printf 'snmp-discovery no\nnet 127.0.0.1:6000\n' >"$work/sane.d/scandesk.conf"
    devices=$(SANE_CONFIG_DIR=$work/sane.d LD_LIBRARY_PATH=$stage/usr/lib/$multiarch/sane \
        timeout 60 scanimage -f '%d%n' 2>/dev/null || true)
    grep -qx "scandesk:net:127.0.0.1:6000" <<<"$devices" ||
        fail "scanimage lists '$devices', not the installed backend's scanner"
fi
[[ $failures == 0 ]]
