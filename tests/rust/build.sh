#!/bin/bash
# Builds the kit's Rust example with the commands that the docs' page shows, with no downloads:
# a program folder (setup/) whose Cargo.toml is the page's and whose main.rs is the crate's
# examples/setup.rs, beside a copy of the kit's rust folder.  The program goes with the library
# beside it (with-library/, with the tests' own program turns.exe), with none (no-library/,
# with the crate's own tests for Windows), and with DLLs named legalprompt.dll that cannot
# serve: one without the export (no-export/), the 32-bit library (other-width/), and one that
# imports planted code (needs-dependency/); and that one with its import beside it
# (with-dependency/).
# usage: build.sh PAGE KIT_RUST_FOLDER PROGRAM_TOML TURNS_FOLDER OUT_DIR VERSION LIBRARY
#        NO_EXPORT_LIBRARY OTHER_WIDTH_LIBRARY NEEDS_DEPENDENCY_LIBRARY DEPENDENCY
set -uo pipefail
page=$1 crate=$2 toml=$3 turns=$4 out=$5 version=$6
declare -A libraries=([with-library]=$7 [no-export]=$8 [other-width]=$9 [needs-dependency]=${10}
                      [with-dependency]=${10})
dependency=${11}
grep -qx "version = \"$version\"" "$crate/Cargo.toml" ||
    { echo "$crate/Cargo.toml does not give the kit's version, $version"; exit 1; }
folders=(with-library no-library no-export other-width needs-dependency with-dependency)
for folder in source "${folders[@]}"; do rm -rf "${out:?}/$folder"; done
mkdir -p "$out/source/setup/src" || exit 1
cp -r "$crate" "$out/source/rust" && cp "$toml" "$out/source/setup/Cargo.toml" &&
    cp "$crate/examples/setup.rs" "$out/source/setup/src/main.rs" && cp -r "$turns" "$out/source/turns" || exit 1
rm -rf "$out/source/rust/target" "$out/source/rust/Cargo.lock"
# Where cargo keeps what it fetches (nothing: the page's command is --offline), and no settings
# of the machine's user; warnings are errors.
export CARGO_HOME=$out/cargo-home RUSTFLAGS=-Dwarnings
# The page's commands, its one sh block, run from the folder that holds setup/.
commands=$(sed -n '/^```sh$/,/^```$/{/^```/d;p}' "$page")
[ -n "$commands" ] || { echo "$page shows no commands"; exit 1; }
echo "$commands"
(cd "$out/source" && bash -e -c "$commands") || exit 1
# The tests' own program, as the page's command builds a program; the crate's own tests, for
# Windows.
export RUSTC=/usr/bin/rustc
(cd "$out/source/turns" && /usr/bin/cargo build --offline --release --target x86_64-pc-windows-gnu) || exit 1
built=$(cd "$out/source/rust" && /usr/bin/cargo test --offline --no-run --target x86_64-pc-windows-gnu 2>&1) ||
    { echo "$built"; exit 1; }
unit_tests=$(sed -n 's/^ *Executable unittests src\/lib.rs (\(.*\))$/\1/p' <<< "$built")
[ -n "$unit_tests" ] || { echo "$built"; echo "the crate's tests for Windows were not found"; exit 1; }
program=$out/source/setup/target/x86_64-pc-windows-gnu/release/setup.exe
for folder in "${folders[@]}"; do
    mkdir "$out/$folder" && cp "$program" "$out/$folder/" || exit 1
    [ -z "${libraries[$folder]:-}" ] || cp "${libraries[$folder]}" "$out/$folder/legalprompt.dll" || exit 1
done
cp "$out/source/turns/target/x86_64-pc-windows-gnu/release/turns.exe" "$out/with-library/" &&
    cp "$out/source/rust/$unit_tests" "$out/no-library/crate_tests.exe" && cp "$dependency" "$out/with-dependency/" ||
    exit 1
echo "setup.exe (x86_64-pc-windows-gnu): $(wc -c < "$program") bytes"
