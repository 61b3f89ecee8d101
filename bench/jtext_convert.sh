#!/usr/bin/env bash
# Japanese text benchmark: ConvertCode in-process, then whole-process yubinko-cli convert
# against nkf and iconv on the same generated 16 MB mail text, all in one run.
#   bench/jtext_convert.sh BUILD_DIR [RUNS]
set -euo pipefail
build=$(cd "${1:?usage: jtext_convert.sh BUILD_DIR [RUNS]}" && pwd)
runs=${2:-10}
cli="$build/tools/yubinko-cli"
gen="$build/bench/jtext_convert_bench"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$gen" corpus "$work"
# The other encodings are made by a different converter than the one measured.
iconv -f CP932 -t EUC-JP "$work/mail.sjis" >"$work/mail.euc"
iconv -f CP932 -t ISO-2022-JP "$work/mail.sjis" >"$work/mail.jis"
ls -l "$work" | awk 'NR > 1 { printf "  %-10s %d bytes\n", $9, $5 }'
echo

"$gen" run "$work"
echo

measure() {  # name json command...
  local json=$1; shift
  hyperfine --style none --warmup 2 --runs "$runs" --export-json "$json" "$@" >/dev/null 2>&1
}
cd "$work"
measure dec_jis.json "$cli convert --to sjis < mail.jis" "nkf -s < mail.jis" \
  "iconv -f ISO-2022-JP -t CP932 < mail.jis"
measure dec_euc.json "$cli convert --to sjis < mail.euc" "nkf -s < mail.euc" \
  "iconv -f EUC-JP -t CP932 < mail.euc"
measure enc_sjis.json "$cli convert --to jis < mail.sjis" "nkf -j < mail.sjis" \
  "iconv -f CP932 -t ISO-2022-JP < mail.sjis"

python3 - "$cli" <<'PY'
import json, os, sys
cli = sys.argv[1]
print(f"Whole process, median of the runs (MB/s of input; ratio = yubinko-cli / peer)")
for title, json_file, src in (("ISO-2022-JP -> Shift_JIS", "dec_jis.json", "mail.jis"),
                              ("EUC-JP -> Shift_JIS", "dec_euc.json", "mail.euc"),
                              ("Shift_JIS -> ISO-2022-JP", "enc_sjis.json", "mail.sjis")):
    size = os.path.getsize(src) / 2**20
    results = json.load(open(json_file))["results"]
    ours = results[0]["median"]
    print(f"  {title}")
    for r in results:
        name = r["command"].replace(cli, "yubinko-cli").split(" <")[0]
        rate = size / r["median"]
        ratio = "" if r is results[0] else f"  ratio {r['median'] / ours:5.2f}x"
        print(f"    {name:32} {r['median'] * 1000:8.1f} ms {rate:8.1f} MB/s{ratio}")
PY
