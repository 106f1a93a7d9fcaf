#!/bin/bash
# Builds the kit's Rust example with the commands that the docs' page shows, with no downloads:
# a program folder (setup/) whose Cargo.toml is the page's and whose main.rs is the crate's
# examples/setup.rs, beside a copy of the kit's rust folder.  The program goes with the
# library beside it (with-library/), with none (no-library/) and with a DLL that lacks the
# export (no-export/).
# usage: build.sh PAGE KIT_RUST_FOLDER PROGRAM_TOML LIBRARY NO_EXPORT_LIBRARY OUT_DIR VERSION
set -uo pipefail
page=$1 crate=$2 toml=$3 library=$4 no_export=$5 out=$6 version=$7
grep -qx "version = \"$version\"" "$crate/Cargo.toml" ||
    { echo "$crate/Cargo.toml does not give the kit's version, $version"; exit 1; }
rm -rf "$out/source" "$out/with-library" "$out/no-library" "$out/no-export"
mkdir -p "$out/source/setup/src" "$out/with-library" "$out/no-library" "$out/no-export" || exit 1
cp -r "$crate" "$out/source/rust" && cp "$toml" "$out/source/setup/Cargo.toml" &&
    cp "$crate/examples/setup.rs" "$out/source/setup/src/main.rs" || exit 1
# Where cargo keeps what it fetches (nothing: the page's command is --offline), and no settings
# of the machine's user; warnings are errors.
export CARGO_HOME=$out/cargo-home RUSTFLAGS=-Dwarnings
# The page's commands, its one sh block, run from the folder that holds setup/.
commands=$(sed -n '/^```sh$/,/^```$/{/^```/d;p}' "$page")
[ -n "$commands" ] || { echo "$page shows no commands"; exit 1; }
echo "$commands"
(cd "$out/source" && bash -e -c "$commands") || exit 1
program=$out/source/setup/target/x86_64-pc-windows-gnu/release/setup.exe
for folder in with-library no-library no-export; do cp "$program" "$out/$folder/" || exit 1; done
cp "$library" "$out/with-library/legalprompt.dll" && cp "$no_export" "$out/no-export/legalprompt.dll" || exit 1
echo "setup.exe (x86_64-pc-windows-gnu): $(wc -c < "$program") bytes"
