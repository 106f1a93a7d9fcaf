// Two calls of legalprompt::show() at once, for the tests: "threads" makes them from two
// threads, "nested" the second from inside the first's dialog, on its thread (from a timer
// that the dialog's modal loop runs, once the dialog has been up for a tick).  Says on its
// error output what each call returned, and exits with 0 when both answered, 3 when one did
// not, 4 when the nested call was never made.
#![windows_subsystem = "windows"]

use std::ffi::c_void;
use std::io::Write;
use std::sync::Mutex;
use std::thread;

use legalprompt::{Error, Outcome};

type TimerProc = unsafe extern "system" fn(*mut c_void, u32, usize, u32);

#[link(name = "user32")]
extern "system" {
    fn SetTimer(window: *mut c_void, id: usize, milliseconds: u32, call: Option<TimerProc>) -> usize;
    fn KillTimer(window: *mut c_void, id: usize) -> i32;
    fn FindWindowW(class: *const u16, title: *const u16) -> *mut c_void;
    fn IsWindowVisible(window: *mut c_void) -> i32;
    fn GetWindowThreadProcessId(window: *mut c_void, process: *mut u32) -> u32;
}

#[link(name = "kernel32")]
extern "system" {
    fn GetCurrentThreadId() -> u32;
}

// Whether this thread's agreement dialog is up.
unsafe fn dialog_up() -> bool {
    let title: Vec<u16> = "License Agreement\0".encode_utf16().collect();
    let dialog = FindWindowW(std::ptr::null(), title.as_ptr());
    !dialog.is_null()
        && IsWindowVisible(dialog) != 0
        && GetWindowThreadProcessId(dialog, std::ptr::null_mut()) == GetCurrentThreadId()
}

static TICKS_UP: Mutex<u32> = Mutex::new(0);

static NESTED: Mutex<Option<Result<Outcome, Error>>> = Mutex::new(None);

unsafe extern "system" fn call_again(_window: *mut c_void, _message: u32, id: usize, _time: u32) {
    // The tests find the first dialog before the second comes.
    let mut ticks = TICKS_UP.lock().unwrap();
    *ticks = if dialog_up() { *ticks + 1 } else { 0 };
    if *ticks < 2 {
        return;
    }
    drop(ticks);
    KillTimer(std::ptr::null_mut(), id);
    let answer = legalprompt::show();
    *NESTED.lock().unwrap() = Some(answer);
}

fn say(results: &[(&str, Result<Outcome, Error>)]) -> i32 {
    let mut failed = false;
    for (which, result) in results {
        let _ = match result {
            Ok(outcome) => writeln!(std::io::stderr(), "{}: {}", which, outcome),
            Err(error) => {
                failed = true;
                writeln!(std::io::stderr(), "{}: {}", which, error)
            }
        };
    }
    if failed {
        3
    } else {
        0
    }
}

fn main() {
    let code = match std::env::args().nth(1).as_deref() {
        Some("threads") => {
            let calls: Vec<_> = (0..2).map(|_| thread::spawn(legalprompt::show)).collect();
            let mut answers: Vec<_> = calls.into_iter().map(|call| call.join().unwrap()).collect();
            // In the order of the answers' numbers, whichever thread had its turn first.
            answers.sort_by_key(|answer| answer.as_ref().map(|outcome| outcome.code()).unwrap_or(3));
            let mut answers = answers.into_iter();
            say(&[("one", answers.next().unwrap()), ("other", answers.next().unwrap())])
        }
        Some("nested") => {
            // SAFETY: a timer of this thread, with no window, whose procedure has the right type.
            unsafe { SetTimer(std::ptr::null_mut(), 0, 250, Some(call_again)) };
            let outer = legalprompt::show();
            let nested = NESTED.lock().unwrap().take();
            match nested {
                Some(nested) => say(&[("nested", nested), ("outer", outer)]),
                None => say(&[("outer", outer)]).max(4),
            }
        }
        _ => 2,
    };
    std::process::exit(code);
}
