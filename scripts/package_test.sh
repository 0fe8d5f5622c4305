#!/usr/bin/env bash
# package_test.sh <build-dir>: builds the Debian package from a Linux build
# and tries it as a user would, without touching the machine's own package
# database or registry: dpkg installs it into a throw-away root (--root,
# its own database there; the maintainer scripts run outside a chroot with
# DPKG_ROOT set, so they register into that root's system registry). Then,
# as an unprivileged user with a home of its own, the installed twscleanup
# lists a test tree through the system registration, purges it into the
# trash (the report in the user's state folder, the installation read-only)
# and undoes it; removing the package must leave no registration, purging
# it no system registry. Before that, lintian must find no error in the
# package, and its manual pages and desktop entries must pass their
# checkers without a warning.
set -euo pipefail
build=$(cd "${1:?usage: package_test.sh <build-dir>}" && pwd)

fail() { echo "package test: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB >"$build/cpack.log" 2>&1) || { cat "$build/cpack.log" >&2; fail "cpack failed"; }
deb=$(ls "$build"/tidewash_*_amd64.deb)
info=$(dpkg-deb -I "$deb")
grep -q '^ Depends: .*libc6' <<<"$info" || fail "no dependencies found by dpkg-shlibdeps"
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
man_pages=(twscleanup twsregsvr twsregedit TWSUtil TWSConfigurator)
for f in ./usr/bin/twscleanup ./usr/bin/twsregsvr ./usr/lib/tidewash/Tidewash.so ./usr/lib/tidewash/TidewashReview.so \
         ./usr/lib/tidewash/TWSConfig.so \
         ./usr/share/bash-completion/completions/twscleanup ./usr/share/doc/tidewash/copyright \
         ./usr/share/doc/tidewash/twscleanup-json.md \
         ./usr/share/applications/twsutil.desktop ./usr/share/applications/tws-configurator.desktop \
         "${man_pages[@]/#/./usr/share/man/man1/}"; do
  [[ $f == ./usr/share/man/* ]] && f=$f.1.gz
  grep -qx -- "$f" <<<"$contents" || fail "$f is not in the package"
done

work=$(mktemp -d "${TMPDIR:-/tmp}/tws-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
chmod 0755 "$work"
# lintian: errors fail, warnings are shown. Its caches go into the work
# folder (it leaves them in TMPDIR); it warns when run as root.
mkdir "$work/lintian"
TMPDIR=$work/lintian lintian --fail-on error --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 ||
  { cat "$work/lintian.log" >&2; fail "lintian finds errors in $(basename "$deb")"; }
grep -v 'root privileges is not recommended' "$work/lintian.log" >&2 || true

# The manual pages as man reads them: groff warns of nothing, each has
# a NAME line whatis can index, and names what the package documents.
dpkg-deb -x "$deb" "$work/unpacked"
for page in "${man_pages[@]}"; do
  file=$work/unpacked/usr/share/man/man1/$page.1.gz
  warnings=$(zcat "$file" | groff -ww -man -z 2>&1) || fail "groff cannot format $page(1)"
  [[ -z $warnings ]] || fail "groff warns on $page(1): $warnings"
  lexgrog "$file" >/dev/null || fail "$page(1) has no NAME line whatis can read"
  MANWIDTH=80 man -l "$file" 2>/dev/null | grep -q . || fail "man cannot show $page(1)"
done
manual=$(MANWIDTH=80 man -l "$work/unpacked/usr/share/man/man1/twscleanup.1.gz" 2>/dev/null)
for section in FILES ENVIRONMENT "EXIT STATUS" EXAMPLES "SEE ALSO" TIDEWASH_REGISTRY XDG_STATE_HOME twscleanup-json.md; do
  grep -q "$section" <<<"$manual" || fail "twscleanup(1) does not tell $section"
done
# Searching the menu for the product finds both programs.
for entry in twsutil tws-configurator; do
  file=$work/unpacked/usr/share/applications/$entry.desktop
  desktop-file-validate --no-hints "$file" || fail "$entry.desktop is not a valid desktop entry"
  grep -q '^Name=Tidewash ' "$file" && grep -q '^Keywords=.*Tidewash;' "$file" ||
    fail "$entry.desktop does not name Tidewash"
done
rm -rf "$work/unpacked"
root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/triggers"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
dpkg_root() {
  # dpkg looks for ldconfig and start-stop-daemon in PATH.
  PATH="$PATH:/usr/sbin:/sbin" dpkg --root="$root" --force-not-root --force-script-chrootless --force-depends \
    --log=/dev/null "$@" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log" >&2; fail "dpkg $* failed"; }
}
dpkg_root -i "$deb"

# The handler, as installed, needs no toolkit: hosts that only scan load it.
# Its review window, the module beside it, finds all it needs there too.
lib=$root/usr/lib/tidewash
! ldd "$lib/Tidewash.so" | grep -i qt || fail "the installed handler needs Qt"
! ldd "$lib/TidewashReview.so" | grep 'not found' || fail "the review module's libraries are missing"

registry=$root/var/lib/tidewash/registry
grep -q "InprocServer32" "$registry/HKEY_CLASSES_ROOT.reg" || fail "postinst registered no server"
grep -q 'VolumeCaches\\' "$registry/HKEY_LOCAL_MACHINE.reg" || fail "postinst registered no cleanup handler"

# The user: nobody when run as root, else the caller; a home of its own.
home=$work/home
vol=$work/volume
mkdir -p "$home" "$vol/proj"
printf 'obj' >"$vol/proj/a.obj"
printf 'int main() {}' >"$vol/proj/a.cpp"
as_user=()
if ((EUID == 0)); then
  chown -R nobody:nogroup "$home" "$vol"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
user_run() {
  env -i PATH=/usr/bin:/bin HOME="$home" TIDEWASH_SYSTEM_REGISTRY="$registry" \
    "${as_user[@]}" "$root/usr/bin/twscleanup" "$@"
}

out=$(user_run --list "$vol") || fail "twscleanup --list failed: $out"
grep -q "a.obj" <<<"$out" || fail "the installed handler did not list a.obj: $out"
# The installation is read-only to the user and holds no TWS.cfg: the
# user's own file is the one (missing: the defaults).
grep -q "settings: $home/.config/tidewash/TWS.cfg" <<<"$out" || fail "the listing names not the user's settings: $out"

out=$(user_run --yes "$vol") || fail "the purge failed: $out"
[[ ! -e $vol/proj/a.obj && -e $vol/proj/a.cpp ]] || fail "the purge did not trash a.obj alone: $out"
[[ -f $home/.local/state/tidewash/Reports/FilePurge.html ]] || fail "no report in the user's state folder: $out"
[[ ! -e $root/usr/lib/tidewash/Reports ]] || fail "the report was written into the installation"

out=$(user_run --undo) || fail "the undo failed: $out"
[[ -f $vol/proj/a.obj ]] || fail "the undo did not put a.obj back: $out"

dpkg_root -r tidewash
[[ ! -e $root/usr/bin/twscleanup ]] || fail "the removal left the programs"
if grep -qE 'InprocServer32|Zel\.TidewashCtrl|TWSConfig\.' "$registry/HKEY_CLASSES_ROOT.reg" ||
   grep -q 'VolumeCaches\\' "$registry/HKEY_LOCAL_MACHINE.reg"; then
  fail "the removal left registrations in $registry"
fi
dpkg_root -P tidewash
[[ ! -e $root/var/lib/tidewash ]] || fail "the purge left the system registry"
echo "package test: $(basename "$deb") installs, lists, purges, undoes and removes cleanly"
