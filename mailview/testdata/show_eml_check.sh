#!/bin/sh
# Checks yubinko-cli show-eml from the outside: the shown text of a sample message file in
# Shift_JIS with CR LF, and the failure message with a non-zero exit for a missing file.
# usage: show_eml_check.sh YUBINKO_CLI TESTDATA_DIR   (run with TZ=Asia/Tokyo)
set -u
cli=$1
data=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$cli" show-eml "$data/show_eml_sample.eml" >"$work/out" 2>"$work/err" || { echo "exit $?"; exit 1; }
iconv -f UTF-8 -t CP932 "$data/show_eml_sample.expected.utf8" >"$work/expected"
cmp "$work/out" "$work/expected" || { od -c "$work/out" | head -20; exit 1; }

if "$cli" show-eml "$work/missing.eml" >"$work/out" 2>"$work/err"; then
  echo "a missing file was shown"; exit 1
fi
printf 'EMLファイルの読み込みに失敗しました。\n' | iconv -f UTF-8 -t CP932 >"$work/expected"
cmp "$work/err" "$work/expected" || exit 1
test ! -s "$work/out" || { echo "output for a missing file"; exit 1; }
echo ok
