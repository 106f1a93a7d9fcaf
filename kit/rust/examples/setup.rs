// A program that goes on only when the user accepts the licence agreement; its exit code is
// the answer: 0 accepted, 1 declined, -1 no text, 3 the library could not be used.
#![windows_subsystem = "windows"]

use std::io::Write;
use std::process::exit;

use legalprompt::Outcome;

fn main() {
    // An installer may give the program no error output, or one that is closed: what it says
    // there must not change its answer.
    match legalprompt::show() {
        Ok(Outcome::Accepted) => {
            let _ = writeln!(std::io::stdout(), "accepted; installing");
        }
        Ok(outcome) => {
            let _ = writeln!(std::io::stderr(), "not installing: {}", outcome);
            exit(outcome.code());
        }
        Err(error) => {
            let _ = writeln!(std::io::stderr(), "{}", error);
            exit(3);
        }
    }
}
