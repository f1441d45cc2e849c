#!/usr/bin/env bash
# Reads every RTF sample (tests/data/rtf, or the folders given) with our
# reader and with LibreOffice and compares: the plain text we read with
# LibreOffice's, the text LibreOffice reads from the RTF we write, and the
# formats of every character after LibreOffice has read and saved our RTF.
# Needs soffice (libreoffice-writer-nogui); the tests do not.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/bench"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DWRENNOTE_BENCH=ON >/dev/null
cmake --build "$build" --target rtf_corpus >/dev/null
tool="$build/bench/rtf_corpus"
work="$(mktemp -d)"
[ -n "${RTF_CORPUS_KEEP:-}" ] && echo "work: $work" || trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in" "$work/ours" "$work/lo_in" "$work/lo_ours" "$work/lo_saved"
dirs=("$@")
[ ${#dirs[@]} -eq 0 ] && dirs=("$root/tests/data/rtf")
for d in "${dirs[@]}"; do cp "$d"/*.rtf "$work/in/"; done
for f in "$work"/in/*.rtf; do "$tool" read "$f" "$work/ours"; done >"$work/status"
lo() { soffice --headless --convert-to "$1" --outdir "$2" "${@:3}" >/dev/null 2>&1; }
lo 'txt:Text (encoded):UTF8' "$work/lo_in" "$work"/in/*.rtf
lo 'txt:Text (encoded):UTF8' "$work/lo_ours" "$work"/ours/*.rtf
lo 'rtf:Rich Text Format' "$work/lo_saved" "$work"/ours/*.rtf
python3 - "$work" "$tool" <<'PY'
import os, re, subprocess, sys
work, tool = sys.argv[1], sys.argv[2]
def norm(s):
    # List glyphs are formatting, objects are no text, white space is layout;
    # LibreOffice leaves symbol-font characters in the private use area
    # where we give their Unicode, and shows a bad \\u as '?'.
    s = re.sub('[\uf020-\uf0ff]', lambda m: chr(ord(m.group(0)) - 0xf000), s)
    s = s.replace('\ufffd', '?')
    s = re.sub('[\ufffc\u2022\u25e6\u25aa\u25cf\u25cb\u25a0\u00b7\uf0b7\u2013]', ' ', s)
    return ' '.join(s.replace('\u00a0', ' ').split())
def text(p):
    try:
        return norm(open(p, encoding='utf-8-sig', errors='replace').read())
    except FileNotFoundError:
        return None
names = sorted(f[:-4] for f in os.listdir(work + '/in') if f.endswith('.rtf'))
damaged = {os.path.basename(l.split()[1])[:-4] for l in open(work + '/status') if l.startswith('damaged')}
read_same = written_same = 0
fmt = [0, 0, 0, 0]
for n in names:
    lo_in = text(f'{work}/lo_in/{n}.txt')
    ours = text(f'{work}/ours/{n}.txt')
    lo_ours = text(f'{work}/lo_ours/{n}.txt')
    # LibreOffice's plain text leaves footnotes out; ours has them after
    # their paragraph.
    r = lo_in is not None and (ours == lo_in or text(f'{work}/ours/{n}.nonotes.txt') == lo_in)
    w = lo_ours is not None and (lo_ours == ours or lo_ours == text(f'{work}/ours/{n}.nonotes.txt'))
    if n in damaged:
        print(f"{n}: damaged, left out")
        continue
    read_same += r
    written_same += w
    out = subprocess.run([tool, 'formats', f'{work}/ours/{n}.rtf', f'{work}/lo_saved/{n}.rtf'],
                         capture_output=True, text=True).stdout.split()
    if len(out) == 6:
        for i, v in enumerate((out[1], out[2], out[4], out[5])):
            fmt[i] += int(v)
    print(f"{n}: read {'same' if r else 'DIFFERS'}, written {'same' if w else 'DIFFERS'}, formats {' '.join(out)}")
    if not r and os.environ.get('RTF_CORPUS_VERBOSE'):
        print('  ours:', (ours or '')[:300]); print('  LO:  ', (lo_in or '')[:300])
    if not w and os.environ.get('RTF_CORPUS_VERBOSE'):
        print('  LO of ours:', (lo_ours or '')[:300])
total = len(names) - len(damaged)
print(f"documents {total}: read same {read_same} ({100*read_same/total:.1f} %), "
      f"written and read by LibreOffice same {written_same} ({100*written_same/total:.1f} %)")
print(f"formats kept: Latin {fmt[0]}/{fmt[1]} ({100*fmt[0]/max(1,fmt[1]):.1f} %), "
      f"Japanese {fmt[2]}/{fmt[3]} ({100*fmt[2]/max(1,fmt[3]):.1f} %)")
PY
