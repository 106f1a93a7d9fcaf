#!/bin/bash
# The crate's own tests, which run on this machine (the outcomes, the errors' text, and that
# nothing is accepted where there is no Windows), and its documentation for Windows, which must
# cover every public item and build without a warning.
# usage: host.sh CARGO RUSTC RUSTDOC KIT_RUST_FOLDER WORK_DIR
set -uo pipefail
cargo=$1 rustc=$2 rustdoc=$3 crate=$4 work=$5
rm -rf "$work/rust"
mkdir -p "$work" && cp -r "$crate" "$work/rust" || exit 1
cd "$work/rust" || exit 1
export CARGO_HOME=$work/cargo-home RUSTC=$rustc RUSTDOC=$rustdoc RUSTFLAGS=-Dwarnings RUSTDOCFLAGS=-Dwarnings
"$cargo" test --offline && "$cargo" doc --offline --no-deps --target x86_64-pc-windows-gnu
