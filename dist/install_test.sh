#!/usr/bin/env bash
# Installs the built program twice into a temporary prefix (with a temporary home for the menu
# entry) and checks that it lands outside the source and build trees, runs from there, and that
# a store created between the two installs comes through the second one byte for byte.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "${1:?build dir}" && pwd -P)
source=$(cd "${2:?source dir}" && pwd -P)

tmp=$(mktemp -d /tmp/ybk-inst.XXXXXX)
trap '[ -n "${KEEP:-}" ] || rm -rf "$tmp"' EXIT
prefix="$tmp/アプリ dir"  # a space and non-ASCII in the path must not break the entry
export HOME="$tmp/home"
unset XDG_DATA_HOME DESTDIR
mkdir -p "$HOME"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
inside() { case "$1/" in "$2"/*) return 0 ;; *) return 1 ;; esac; }

# The default application directory is outside both trees.
default_prefix=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt")
[ -n "$default_prefix" ] || fail "no install prefix in the cache"
for tree in "$source" "$build"; do
  inside "$default_prefix" "$tree" && fail "default prefix $default_prefix is inside $tree"
done

install_once() {
  cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" 2>&1 ||
    { cat "$tmp/install.log" >&2; fail "cmake --install failed"; exit 1; }
}
install_once

for f in yubinko yubinko-cli; do
  [ -x "$prefix/$f" ] || fail "$f not installed as an executable"
done
# The help command opens Yubinko.html beside the program: the installed copy and the build
# tree's must both have the shipped page there.
cmp -s "$prefix/Yubinko.html" "$source/dist/Yubinko.html" || fail "help page not installed"
cmp -s "$build/app/Yubinko.html" "$source/dist/Yubinko.html" ||
  fail "no help page beside the built program"
grep -q '<meta charset="utf-8">' "$prefix/Yubinko.html" || fail "help page has no charset"
cmp -s "$prefix/yubinko" "$build/app/yubinko" || fail "installed yubinko differs from the built one"

# The installed copy must not reach back into the trees for libraries.
for f in yubinko yubinko-cli; do
  runpath=$(readelf -d "$prefix/$f" | sed -n 's/.*R\(UN\)\?PATH.*\[\(.*\)\]/\2/p')
  for tree in "$source" "$build"; do
    case "$runpath" in *"$tree"*) fail "$f keeps a library path into $tree: $runpath" ;; esac
  done
done
"$prefix/yubinko-cli" --help 2>&1 | grep -q 'Usage: yubinko-cli' ||
  fail "installed yubinko-cli does not run"

# Menu entry and icons in the user's data directory, pointing at the installed copy.
entry="$HOME/.local/share/applications/yubinko.desktop"
if [ -f "$entry" ]; then
  want="Exec=\"$prefix/yubinko\""
  [ "$(id -u)" -eq 0 ] && want="Exec=env QTWEBENGINE_DISABLE_SANDBOX=1 \"$prefix/yubinko\""
  grep -qxF "$want" "$entry" ||
    fail "entry does not start the installed copy: $(grep ^Exec= "$entry")"
  if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$entry" || fail "desktop entry does not validate"
  fi
else
  fail "no desktop entry at $entry"
fi
png_size() {  # WIDTHxHEIGHT from the PNG signature and header chunk, empty for anything else
  [ "$(head -c 8 "$1" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || return 0
  od -An -tu1 -j16 -N8 "$1" |
    awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4 "x" $5 * 16777216 + $6 * 65536 + $7 * 256 + $8 }'
}
for size in 16 48 256; do
  png="$HOME/.local/share/icons/hicolor/${size}x${size}/apps/yubinko.png"
  if [ -f "$png" ]; then
    [ "$(png_size "$png")" = "${size}x$size" ] || fail "$png is not a $size px PNG"
  else
    fail "icon $png missing"
  fi
done

# A store as the program leaves it: settings, accounts (0600), rules, an address book, received
# and sent mail with an attachment, and the HTML view's scratch page.
sj() { printf '%s' "$1" | iconv -f UTF-8 -t CP932; }
acct=$(sj '仕事')
mkdir -p "$prefix/$(sj '受信')/$acct/Attachment/abc@example.jp" "$prefix/$(sj '送信')" \
         "$prefix/Adress"
printf '%s\t127.0.0.1\talice\tpw\t127.0.0.1\talice@example.test\t110\t25\t0\r\n' "$acct" \
  >"$prefix/Account.ini"
chmod 600 "$prefix/Account.ini"
printf '%s\r\n' "$acct" >"$prefix/Yubinko.ini"
printf '%s\t%s\t%s\r\n' "$(sj '件名')" "$(sj '会議')" "$acct" >"$prefix/rule.ini"
printf '%s\tbob@example.test\t\r\n' "$(sj '山田')" >"$prefix/Adress/$(sj '友人').adr"
printf 'abc@example.jp.txt\r\n' >"$prefix/$(sj '受信')/$acct/AlreadMsgID.ini"
printf '<abc@example.jp>\t%s\r\n' "$(sj '件名です')" >"$prefix/$(sj '受信')/$acct/MsgID.ini"
printf 'Subject: x\r\n\r\n%s\r\n' "$(sj '本文')" >"$prefix/$(sj '受信')/$acct/abc@example.jp.txt"
head -c 3000 /dev/urandom >"$prefix/$(sj '受信')/$acct/Attachment/abc@example.jp/a.bin"
printf '<sent@example.jp>\r\n' >"$prefix/$(sj '送信')/Send.ini"
printf '<HTML></HTML>\r\n' >"$prefix/test.htm"
touch -d '2026-01-02 03:04:05' "$prefix/Account.ini"

snapshot() {  # every store file with its checksum, mode and mtime, and every directory
  (cd "$prefix" && find . -path ./yubinko -prune -o -path ./yubinko-cli -prune -o \
     -path ./Yubinko.html -prune -o -type f -printf '%p %m %T@ ' -exec sha256sum {} \; \
     -o -type d -printf '%p/ %m\n' | LC_ALL=C sort)
}
snapshot >"$tmp/before"
[ "$(grep -c ' [0-9a-f]\{64\} ' "$tmp/before")" -eq 10 ] || fail "store snapshot incomplete"

# An out-of-date program and a lost help page: the second install must replace both. The
# installer compares times, so the stale copy is dated well before the build.
printf 'x' >>"$prefix/yubinko"
touch -d '2001-01-01' "$prefix/yubinko"
rm "$prefix/Yubinko.html"
install_once
snapshot >"$tmp/after"
diff "$tmp/before" "$tmp/after" >&2 || fail "the second install changed the store"
[ -s "$prefix/Yubinko.html" ] || fail "second install did not restore the help page"
cmp -s "$prefix/yubinko" "$build/app/yubinko" || fail "second install did not replace the program"
[ "$(stat -c %a "$prefix/Account.ini")" = 600 ] || fail "Account.ini lost mode 0600"

[ $failures -eq 0 ] || { echo "$failures failure(s)" >&2; exit 1; }
echo "install: program outside the trees, store kept through a reinstall"
