#!/usr/bin/env bash
# Makes sure apt can fetch the Debian source package named by the argument
# (scripts/mariadb_win.sh needs mariadb's), for scripts/deps.sh, which calls
# it before its single apt-get update.
#
#   scripts/deb_src.sh SOURCE_PACKAGE
#
# Exit status: 0 when apt already knows the source package; 10 when apt's
# lists must be updated first -- after adding, as root, a deb-src entry of
# our own (/etc/apt/sources.list.d/tavo-deb-src.sources, mirroring the
# machine's Debian entries) when apt has none; 1 on an error, with a message.
set -euo pipefail
die() { echo "deb_src.sh: error: $*" >&2; exit 1; }
[ $# -eq 1 ] || die "usage: $0 SOURCE_PACKAGE"
package=$1

# Prints the first source version apt knows for the package (none: empty).
src_version() {
  apt-cache showsrc --only-source "$package" 2>/dev/null | sed -n 's/^Version: //p' | head -n 1
}

# Prints, in deb822 form, a deb-src stanza for every active Debian entry:
# those whose suites are this release's codename or its -updates/-security
# companions (third-party repositories seldom publish sources).
debian_src_stanzas() {  # codename
  local f
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    # One-line form: deb [opt=value ...] URI SUITE COMPONENT...
    awk -v code="$1" '
      $1 != "deb" { next }
      {
        signed = ""; i = 2
        if ($2 ~ /^\[/) {
          for (; i <= NF; i++) {
            opt = $i; sub(/^\[/, "", opt); sub(/\]$/, "", opt)
            if (opt ~ /^signed-by=/) { signed = substr(opt, 11) }
            if ($i ~ /\]$/) { i++; break }
          }
        }
        uri = $i; suite = $(i + 1); comps = ""
        for (j = i + 2; j <= NF && $j !~ /^#/; j++) comps = comps " " $j
        if (suite != code && index(suite, code "-") != 1 && index(suite, code "/") != 1) next
        print "Types: deb-src"; print "URIs: " uri; print "Suites: " suite
        print "Components:" comps
        if (signed != "") print "Signed-By: " signed
        print ""
      }' "$f"
  done
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    # deb822 form: stanzas separated by blank lines; comment lines skipped.
    # (A multi-line Signed-By key block is not carried over.)
    awk -v code="$1" '
      function flush(   n, s, ok, k) {
        if (types ~ /(^| )deb( |$)/ && tolower(enabled) != "no" && uris != "") {
          n = split(suites, s, " "); ok = 0
          for (k = 1; k <= n; k++)
            if (s[k] == code || index(s[k], code "-") == 1 || index(s[k], code "/") == 1) ok = 1
          if (ok) {
            print "Types: deb-src"; print "URIs: " uris; print "Suites: " suites
            print "Components: " comps
            if (signed != "") print "Signed-By: " signed
            print ""
          }
        }
        types = uris = suites = comps = signed = enabled = ""
      }
      /^[ \t]*#/ { next }
      /^[ \t]*$/ { flush(); next }
      /^[^ \t]/ {
        key = tolower($1); sub(/:$/, "", key)
        val = $0; sub(/^[^:]*:[ \t]*/, "", val)
        if (key == "types") types = val
        else if (key == "uris") uris = val
        else if (key == "suites") suites = val
        else if (key == "components") comps = val
        else if (key == "signed-by") signed = val
        else if (key == "enabled") enabled = val
      }
      END { flush() }' "$f"
  done
}

# True when an active deb-src entry exists anywhere in apt's sources.
has_deb_src() {
  local f
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] && grep -qE '^[[:space:]]*deb-src[[:space:]]' "$f" && return 0
  done
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && grep -qiE '^Types:.*(^|[[:space:]])deb-src([[:space:]]|$)' "$f" && return 0
  done
  return 1
}

[ -z "$(src_version)" ] || exit 0
if ! has_deb_src; then
  [ "$(id -u)" -eq 0 ] || die "apt knows no source package $package and has no deb-src entry;
  run scripts/deps.sh windows as root: it adds
  /etc/apt/sources.list.d/tavo-deb-src.sources and updates apt's lists"
  # shellcheck disable=SC1091
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  [ -n "$codename" ] || die "no VERSION_CODENAME in /etc/os-release"
  stanzas=$(debian_src_stanzas "$codename")
  [ -n "$stanzas" ] || die "no apt entry for Debian $codename found to mirror as deb-src"
  echo "deb_src.sh: adding /etc/apt/sources.list.d/tavo-deb-src.sources:"
  {
    echo "# Debian sources for scripts/mariadb_win.sh (libtavo), mirroring the deb entries."
    echo "$stanzas"
  } >/etc/apt/sources.list.d/tavo-deb-src.sources
  sed 's/^/    /' /etc/apt/sources.list.d/tavo-deb-src.sources
fi
exit 10
