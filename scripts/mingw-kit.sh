#!/usr/bin/env bash
# The kit from a Windows user's side, on the MinGW-w64 cross build:
#   mingw-kit.sh BUILD_MINGW HOST_BIN
# installs BUILD_MINGW's kit into a prefix (programs in bin/, the toolchain
# file in share/orlath/), writes the template with the host's
# orlath-new-demo (HOST_BIN), builds it as mydemo.exe by the command its
# README gives, against that prefix (compile and link only; it needs only
# DLLs Windows ships), checks that a native build refuses that kit by name,
# and makes the Windows zip, whose files it checks.
set -euo pipefail
cd "$(dirname "$0")/.."
mingw=$1
host_bin=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$mingw" --prefix "$work/prefix" >/dev/null
[[ "$(ls "$work/prefix" | xargs)" == "bin include lib share" ]] \
  || { echo "the MinGW kit puts files at its prefix's root: $(ls "$work/prefix" | xargs)"; exit 1; }
for file in orlath.exe gallery.exe tgacheck.exe imagenes/hola.tga; do
  [[ -f "$work/prefix/bin/$file" ]] || { echo "the MinGW kit lacks bin/$file"; exit 1; }
done
"$host_bin/orlath-new-demo" mydemo "$work/mydemo" >/dev/null
configure=$(sed -n 's/^ *\(cmake -S \. -B build-mingw .*\)/\1/p' "$work/mydemo/README.md")
[[ -n "$configure" ]] || { echo "the template's README gives no Windows build command"; exit 1; }
(cd "$work/mydemo" && eval "${configure//<windows kit>/$work/prefix}") \
  >"$work/configure.txt" 2>&1 || { cat "$work/configure.txt"; exit 1; }
cmake --build "$work/mydemo/build-mingw" -j"${ORLATH_JOBS:-2}"
exe=$work/mydemo/build-mingw/bin/mydemo.exe
[[ "$(head -c 2 "$exe")" == "MZ" ]] || { echo "mydemo.exe was not built"; exit 1; }
for image in celvino.tga hola.tga espacio.tga fuente.tga brillo.png; do
  [[ -f "$work/mydemo/build-mingw/bin/imagenes/$image" ]] || { echo "mydemo's imagenes/ lacks $image"; exit 1; }
done
[[ -f "$work/mydemo/build-mingw/bin/musica/tune.ogg" ]] || { echo "mydemo has no musica/tune.ogg"; exit 1; }
if cmake -S "$work/mydemo" -B "$work/native" -DCMAKE_PREFIX_PATH="$work/prefix" >"$work/native.txt" 2>&1 \
   || ! tr -s ' \n' '  ' <"$work/native.txt" | grep -q "needs the kit of a native build"; then
  cat "$work/native.txt"; echo "a native build took the MinGW kit without saying which kit it needs"; exit 1
fi
foreign=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' \
  | grep -viE '^(kernel32|user32|gdi32|opengl32|glu32|winmm|ws2_32|msvcrt)\.dll$' || true)
[[ -z "$foreign" ]] || { echo "mydemo.exe needs DLLs that Windows does not ship: $foreign"; exit 1; }
echo "template built as mydemo.exe against the MinGW kit ($(stat -c %s "$exe") bytes)"

(cd "$mingw" && cpack -B "$work/packages" >/dev/null)
zip=$(ls "$work"/packages/*.zip)
python3 - "$zip" <<'PY'
import sys, zipfile
names = set(zipfile.ZipFile(sys.argv[1]).namelist())
top = "orlath-1.0.0-windows/"
wanted = [top + n for n in ("orlath.exe", "gallery.exe", "tgacheck.exe", "imagenes/celvino.tga",
                            "imagenes/hola.tga", "imagenes/espacio.tga", "imagenes/fuente.tga")]
missing = [n for n in wanted if n not in names]
extra = [n for n in names if n.rstrip("/") + "/" not in (top, top + "imagenes/") and n not in wanted]
if missing or extra:
    sys.exit("zip: missing %s, unexpected %s" % (missing, extra))
print("%s: %d entries, as expected" % (sys.argv[1].rsplit("/", 1)[1], len(names)))
PY
