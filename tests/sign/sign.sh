#!/bin/bash
# Signing on request, as an installer author does it: a throwaway self-signed code-signing
# certificate made here, a build configured as the preset's with LEGALPROMPT_SIGN_PKCS12 and
# LEGALPROMPT_SIGN_PASSWORD_FILE, and then each shipped PE file of that build:
# `osslsigncode verify` passes; against the preset's own unsigned build, only the certificate
# table differs (and what points to it), and the signed DLL passes every byte check but that
# one; and under Wine the signed prompt program and library still answer.  SCOPE kit also
# installs the kit signed, with the other width's NSIS plug-ins (a build of their own), and
# verifies every PE file in it; files, the build's own files alone.
# usage: sign.sh SOURCE_DIR BUILD_DIR WORK_DIR VERSION DLL_TARGET kit|files
set -uo pipefail
src=$1 build=$2 work=$3 version=$4 dll_target=$5 scope=$6
here=$(cd "$(dirname "$0")" && pwd)
python=/usr/bin/python3
rm -rf "$work"
mkdir -p "$work" || exit 1
cd "$work" || exit 1

# The certificate, its key and a random password, in a PKCS#12 file.
openssl rand -hex 16 > password.txt &&
openssl req -x509 -newkey rsa:2048 -sha256 -nodes -days 2 -subj "/CN=LegalPrompt signing test" \
    -addext "extendedKeyUsage=codeSigning" -keyout key.pem -out cert.pem 2>/dev/null &&
openssl pkcs12 -export -inkey key.pem -in cert.pem -passout file:password.txt -out signer.p12 ||
    { echo "cannot make the test certificate"; exit 1; }

# Configured as the preset's build, signing added; only the shipped PE files are built.
sed -n -f "$src/tests/pe/preset-settings.sed" "$build/CMakeCache.txt" > preset.cmake
cmake -S "$src" -B signed -C preset.cmake -DLEGALPROMPT_SIGN_PKCS12="$PWD/signer.p12" \
    -DLEGALPROMPT_SIGN_PASSWORD_FILE="$PWD/password.txt" > configure.log 2>&1 ||
    { cat configure.log; echo "configure failed"; exit 1; }
# With the MSVC toolchain's DLL, the DLL alone: the rest is MinGW's, as in the other presets.
if grep -q '^LEGALPROMPT_DLL_TOOLCHAIN:[A-Z]*=clang-cl$' "$build/CMakeCache.txt"; then
    targets=("$dll_target")
else
    targets=("$dll_target" legalprompt_exe legalpromptw_exe legalprompt_msi liscn
             $(sed -n 's/^LEGALPROMPT_NSIS_TARGETS:INTERNAL=//p' signed/CMakeCache.txt | tr ';' '\n' |
               sed 's/-/_/g; s/^/nsis_plugin_/'))
    # What the kit installs: the other width's plug-ins and the import libraries too.
    [ "$scope" = kit ] && targets+=(nsis_stage import_libraries)
fi
cmake --build signed --target "${targets[@]}" > build.log 2>&1 || { tail -30 build.log; echo "the signed build failed"; exit 1; }

# Every PE file of the kit is signed and verifies.
verify() {  # FILE
    if osslsigncode verify -CAfile cert.pem -in "$1" > verify.log 2>&1; then
        echo "${1#kit/}: $(grep -m1 'Subject:' verify.log | sed 's/^[[:space:]]*//'), verified"
    else
        cat verify.log; echo "${1#kit/}: osslsigncode verify failed"; return 1
    fi
}
failed=0
files=(legalprompt.dll)
[ ${#targets[@]} = 1 ] ||
    files+=(legalprompt.exe legalpromptw.exe legalprompt_msi.dll liscn.exe $(cd signed && ls nsis-plugins/*/legalprompt_nsis.dll))
if [ "$scope" != kit ] || [ ${#targets[@]} = 1 ]; then
    for f in "${files[@]}"; do verify "signed/$f" || failed=1; done
else
    cmake --install signed --prefix kit > install.log 2>&1 || { cat install.log; echo "cannot install the signed kit"; exit 1; }
    count=0
    while read -r f; do
        [ "$(head -c 2 "$f")" = MZ ] || continue
        verify "$f" || failed=1
        count=$((count + 1))
    done < <(find kit -type f | LC_ALL=C sort)
    echo "$count PE files in the kit, each signed"
    [ $count -ge 10 ] || { echo "fewer PE files in the kit than the ten it ships"; failed=1; }
    (cd kit && sha256sum --quiet -c SHA256SUMS) || { echo "the signed kit's SHA256SUMS does not match it"; failed=1; }
fi

# Against the preset's unsigned build: only the certificate table differs.
for f in "${files[@]}"; do
    if [[ $f == nsis-plugins/* ]]; then
        # A plug-in carries the prompt program and the library inside: the signed ones.
        "$python" - "signed/$f" signed/legalpromptw.exe signed/legalprompt.dll <<'PYTHON' || failed=1
import sys, pefile
plugin, program, library = sys.argv[1:4]
pe = pefile.PE(plugin)
payload = {n.id: pe.get_data(lang.data.struct.OffsetToData, lang.data.struct.Size)
           for t in pe.DIRECTORY_ENTRY_RESOURCE.entries if t.id == 10  # RT_RCDATA
           for n in t.directory.entries for lang in n.directory.entries}
inside = payload.get(1) == open(program, "rb").read() and payload.get(2) == open(library, "rb").read()
print(f"{plugin}: {'carries' if inside else 'does not carry'} the signed prompt program and library")
sys.exit(0 if inside else 1)
PYTHON
    else
        "$python" "$here/same_image.py" "signed/$f" "$build/$f" || failed=1
    fi
done
"$python" "$src/tests/pe/check_dll.py" signed/legalprompt.dll "$version" signed > check.log ||
    { cat check.log; echo "the signed DLL fails its byte check"; failed=1; }
"$python" "$src/tests/pe/check_dll.py" signed/legalprompt.dll "$version" > /dev/null &&
    { echo "the signed DLL passes the check of an unsigned one"; failed=1; }
[ $failed = 0 ] || exit 1

# The signed prompt program and library, as a host ships them, under Wine.
source "$src/scripts/wine-env.sh"
why=$(wine_arch_runs) || { echo "skipped: $why; the signed files were built and checked, not run"; exit 77; }
fixture_display || exit 1
mkdir -p run && cp signed/legalprompt.dll run/ || exit 1
cp signed/legalprompt.exe run/ 2>/dev/null || cp "$build/legalprompt.exe" run/ || exit 1
"$WINE" run/legalprompt.exe > no-text.log 2>&1
status=$?
[ $status = 255 ] || { cat no-text.log; echo "with no text the signed program ended with $status, not -1"; exit 1; }
printf 'SIGNED\r\n' > run/liscn.txt
timeout 120 "$WINE" run/legalprompt.exe > answer.log 2>&1 &
program=$!
window=$(wait_for_dialog_window) || { kill $program; echo "the signed program showed no dialog"; exit 1; }
press_in_window "$window" Return || { kill $program; exit 1; }
wait $program
status=$?
[ $status = 0 ] || { cat answer.log; echo "accepted with Enter, the signed program ended with $status, not 0"; exit 1; }
echo "signed: legalprompt.exe and legalprompt.dll answered -1 with no text and 0 when accepted"
