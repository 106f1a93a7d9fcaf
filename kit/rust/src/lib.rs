//! Puts the licence agreement in "liscn.txt" in front of the user, through `legalprompt.dll`,
//! and tells whether the user accepts it.
//!
//! The DLL is the one beside the program's executable, of the program's width: the win64
//! kit's for `x86_64-pc-windows-gnu` and `x86_64-pc-windows-msvc`.  It is loaded by its full
//! path alone, so that a `legalprompt.dll` in the current folder or on `PATH` is never the one
//! that answers.  Ship `liscn.txt` beside it too: the library looks for the text there first,
//! then in the current folder, the system's folders and `PATH`.  Give the program
//! `#![windows_subsystem = "windows"]` so that no console window opens behind the dialog.
//!
//! ```no_run
//! match legalprompt::show() {
//!     Ok(legalprompt::Outcome::Accepted) => println!("accepted; installing"),
//!     Ok(outcome) => eprintln!("not installing: {}", outcome),
//!     Err(error) => eprintln!("{}", error),
//! }
//! ```
#![deny(missing_docs)]

use std::cell::Cell;
use std::error;
use std::fmt;
use std::io;
use std::path::{Path, PathBuf};
use std::sync::{Mutex, MutexGuard};

/// The DLL's file name, looked for beside the program's executable and nowhere else.
pub const LIBRARY: &str = "legalprompt.dll";

/// The library's function that shows the dialog: `int WINAPI DisplayLegalBullshit(void)`.
const DISPLAY: &str = "DisplayLegalBullshit";

/// Held by the thread that is calling the library.
static ONE_AT_A_TIME: Mutex<()> = Mutex::new(());

thread_local! {
    /// Whether this thread is in the library's call: its dialog's modal loop runs the thread's
    /// other windows and timers, which may call again.
    static CALLING: Cell<bool> = Cell::new(false);
}

/// This thread's turn at the library, until it is dropped.
struct Turn {
    _held: MutexGuard<'static, ()>,
}

impl Turn {
    /// Waits for the turn; none when this thread has it already.
    fn take() -> Option<Turn> {
        if CALLING.with(Cell::get) {
            return None;
        }
        // The lock only orders the calls: one that panicked holding it left nothing half done.
        let held = ONE_AT_A_TIME
            .lock()
            .unwrap_or_else(|poisoned| poisoned.into_inner());
        CALLING.with(|calling| calling.set(true));
        Some(Turn { _held: held })
    }
}

impl Drop for Turn {
    fn drop(&mut self) {
        CALLING.with(|calling| calling.set(false));
    }
}

/// What LoadLibraryExW says of a DLL of the other width, or of a file that is no DLL.
const ERROR_BAD_EXE_FORMAT: i32 = 193;
/// What the program needs when the DLL is of the wrong kind: the kit whose DLL is for the
/// program's processor, or none.
const NEEDED: &str = if cfg!(target_arch = "x86_64") {
    "this program needs the win64 kit's legalprompt.dll"
} else if cfg!(target_arch = "x86") {
    "this program needs the win32 kit's legalprompt.dll"
} else {
    "no kit's legalprompt.dll is for this program's processor"
};

/// The user's answer.
#[derive(Clone, Copy, Debug, PartialEq, Eq, Hash)]
pub enum Outcome {
    /// The user chose "Accept".
    Accepted,
    /// "Do Not Accept", Esc, the close box; or no dialog could be made.
    Declined,
    /// "liscn.txt" could not be opened or read; nothing was shown.
    NoText,
}

impl Outcome {
    /// The library's number for the outcome, as the kit's prompt programs give it for their
    /// exit code: 0 accepted, 1 declined, -1 no text.  Acceptance is 0, not 1.
    pub fn code(self) -> i32 {
        match self {
            Outcome::Accepted => 0,
            Outcome::Declined => 1,
            Outcome::NoText => -1,
        }
    }

    /// The outcome the library's result stands for; none for a number it never returns.
    fn from_code(code: i32) -> Option<Outcome> {
        match code {
            0 => Some(Outcome::Accepted),
            1 => Some(Outcome::Declined),
            -1 => Some(Outcome::NoText),
            _ => None,
        }
    }
}

impl fmt::Display for Outcome {
    /// "accepted", "declined" or "no text".
    fn fmt(&self, f: &mut fmt::Formatter<'_>) -> fmt::Result {
        f.write_str(match self {
            Outcome::Accepted => "accepted",
            Outcome::Declined => "declined",
            Outcome::NoText => "no text",
        })
    }
}

/// Why the library could not be used: it could not be found or loaded, it has no
/// `DisplayLegalBullshit`, or that returned a number that is no answer.  The user accepted
/// nothing.  Its text names the DLL's full path and gives the system's message.
#[derive(Debug)]
pub struct Error {
    library: PathBuf,
    failure: Failure,
}

// Elsewhere than on Windows nothing is loaded, and so nothing lacks an export.
#[cfg_attr(not(windows), allow(dead_code))]
#[derive(Debug)]
enum Failure {
    Folder(io::Error),
    Load(io::Error),
    Export(io::Error),
    Answer(i32),
}

impl Error {
    /// The full path of the DLL that was to answer; empty when the program's own folder could
    /// not be told.
    pub fn library(&self) -> &Path {
        &self.library
    }

    /// The system's error code of the failure (`GetLastError`), where the system gave one.
    pub fn raw_os_error(&self) -> Option<i32> {
        match &self.failure {
            Failure::Folder(e) | Failure::Load(e) | Failure::Export(e) => e.raw_os_error(),
            Failure::Answer(_) => None,
        }
    }
}

impl fmt::Display for Error {
    fn fmt(&self, f: &mut fmt::Formatter<'_>) -> fmt::Result {
        let library = self.library.display();
        // The system's message comes from io::Error, which asks FormatMessageW for it.
        match &self.failure {
            Failure::Folder(e) => write!(f, "legalprompt: cannot tell the program's folder: {}", e),
            Failure::Load(e) => {
                // The system's messages name the file "%1", which only the caller can fill in.
                let said = e.to_string().replace("%1", &library.to_string());
                write!(f, "legalprompt: cannot load {}: {}", library, said)?;
                if e.raw_os_error() == Some(ERROR_BAD_EXE_FORMAT) {
                    write!(f, "; {}", NEEDED)?;
                }
                Ok(())
            }
            Failure::Export(e) => write!(f, "legalprompt: {} has no {}: {}", library, DISPLAY, e),
            Failure::Answer(code) => write!(
                f,
                "legalprompt: {} answered {}, which is no outcome",
                library, code
            ),
        }
    }
}

impl error::Error for Error {}

/// Shows the agreement text from "liscn.txt" (looked for in the program's folder, then the
/// current folder, the system's folders and `PATH`) and blocks until the user answers.  The
/// dialog and its modal loop belong to the calling thread.  The library serves one thread at a
/// time: a call from another thread waits until the one before it has its answer, and handles
/// none of its windows' messages meanwhile.  A call made from inside the dialog's modal loop
/// (by a window or timer of the same thread) shows a dialog of its own; the first call returns
/// only after it.
///
/// # Errors
///
/// An [`Error`] when `legalprompt.dll` beside the program's executable cannot be loaded, has
/// no `DisplayLegalBullshit`, or returns a number that is no outcome.  Nothing was accepted.
pub fn show() -> Result<Outcome, Error> {
    let program = std::env::current_exe().map_err(|e| Error {
        library: PathBuf::new(),
        failure: Failure::Folder(e),
    })?;
    let library = match program.parent() {
        Some(folder) => folder.join(LIBRARY),
        None => {
            let e = io::Error::new(io::ErrorKind::NotFound, "the program's path has no folder");
            return Err(Error {
                library: PathBuf::new(),
                failure: Failure::Folder(e),
            });
        }
    };
    let turn = Turn::take();
    let result = system::display(&library);
    drop(turn);
    match result {
        Ok(code) => match Outcome::from_code(code) {
            Some(outcome) => Ok(outcome),
            None => Err(Error {
                library,
                failure: Failure::Answer(code),
            }),
        },
        Err(failure) => Err(Error { library, failure }),
    }
}

#[cfg(windows)]
mod system {
    use super::{Failure, DISPLAY};
    use std::ffi::c_void;
    use std::io;
    use std::mem;
    use std::os::windows::ffi::OsStrExt;
    use std::path::Path;

    type Module = *mut c_void;
    type Display = unsafe extern "system" fn() -> i32;

    // The file at the full path, and for the DLLs that it imports its own folder and then
    // System32: never the current folder or PATH, where another process may have put a DLL.
    const LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR: u32 = 0x0000_0100;
    const LOAD_LIBRARY_SEARCH_SYSTEM32: u32 = 0x0000_0800;

    #[link(name = "kernel32")]
    extern "system" {
        fn LoadLibraryExW(file_name: *const u16, reserved: *mut c_void, flags: u32) -> Module;
        fn GetProcAddress(module: Module, name: *const u8) -> *mut c_void;
        fn FreeLibrary(module: Module) -> i32;
    }

    // The library, freed when the call is over, whatever happened.
    struct Loaded(Module);

    impl Drop for Loaded {
        fn drop(&mut self) {
            // SAFETY: the handle came from a successful LoadLibraryExW and is freed once, after
            // the last call into the library has returned.
            unsafe { FreeLibrary(self.0) };
        }
    }

    /// Loads the library at path, calls its DisplayLegalBullshit and gives what it returned.
    pub(crate) fn display(path: &Path) -> Result<i32, Failure> {
        let mut name: Vec<u16> = path.as_os_str().encode_wide().collect();
        if name.contains(&0) {
            return Err(Failure::Load(io::Error::new(
                io::ErrorKind::InvalidInput,
                "the path holds a NUL",
            )));
        }
        name.push(0);
        // SAFETY: name is a NUL-terminated wide string that outlives the call; the reserved
        // argument is null as the function requires.
        let module = unsafe {
            LoadLibraryExW(
                name.as_ptr(),
                std::ptr::null_mut(),
                LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32,
            )
        };
        if module.is_null() {
            return Err(Failure::Load(io::Error::last_os_error()));
        }
        let library = Loaded(module);
        let export = format!("{}\0", DISPLAY);
        // SAFETY: the module is loaded (library holds it) and export is a NUL-terminated ANSI
        // name that outlives the call.
        let address = unsafe { GetProcAddress(library.0, export.as_ptr()) };
        if address.is_null() {
            return Err(Failure::Export(io::Error::last_os_error()));
        }
        // SAFETY: the library's export is `int WINAPI DisplayLegalBullshit(void)`: no
        // arguments, the system's calling convention, a 32-bit int in the result register
        // (read as i32, so that -1 is -1 and not 4294967295).  It is called while the module
        // is loaded, on this thread, which runs the dialog's modal loop until it returns.
        let code = unsafe {
            let display: Display = mem::transmute::<*mut c_void, Display>(address);
            display()
        };
        drop(library);
        Ok(code)
    }
}

#[cfg(not(windows))]
mod system {
    use super::Failure;
    use std::io;
    use std::path::Path;

    /// legalprompt.dll is a Windows library: elsewhere there is nothing to load.
    pub(crate) fn display(_path: &Path) -> Result<i32, Failure> {
        Err(Failure::Load(io::Error::new(
            io::ErrorKind::Unsupported,
            "legalprompt.dll runs on Windows only",
        )))
    }
}

#[cfg(test)]
mod tests {
    use super::*;

    #[test]
    fn only_the_three_answers_are_outcomes() {
        // A number the library never returns, among them -1 read as an unsigned 32-bit one,
        // is no answer: above all it is never an acceptance.
        let cases: &[(i32, Option<Outcome>, &str)] = &[
            (0, Some(Outcome::Accepted), "accepted"),
            (1, Some(Outcome::Declined), "declined"),
            (-1, Some(Outcome::NoText), "no text"),
            (2, None, ""),
            (-2, None, ""),
            (0x100, None, ""),
            (i32::MAX, None, ""),
            (i32::MIN, None, ""),
        ];
        for &(code, outcome, text) in cases {
            assert_eq!(outcome, Outcome::from_code(code), "result {}", code);
            if let Some(outcome) = outcome {
                assert_eq!(code, outcome.code(), "{:?}", outcome);
                assert_eq!(text, outcome.to_string(), "{:?}", outcome);
            }
        }
    }

    #[test]
    fn each_error_names_the_library_and_says_why() {
        let library = PathBuf::from(r"C:\Program Files\Example\legalprompt.dll");
        let path = r"C:\Program Files\Example\legalprompt.dll";
        let system = |code| io::Error::from_raw_os_error(code).to_string();
        let cases = [
            (
                Failure::Load(io::Error::from_raw_os_error(126)),
                Some(126),
                format!("legalprompt: cannot load {}: {}", path, system(126)),
            ),
            (
                Failure::Load(io::Error::from_raw_os_error(193)),
                Some(193),
                format!(
                    "legalprompt: cannot load {}: {}; {}",
                    path,
                    system(193).replace("%1", path),
                    NEEDED
                ),
            ),
            (
                Failure::Load(io::Error::new(
                    io::ErrorKind::Other,
                    "%1 is not a valid Win32 application.",
                )),
                None,
                format!(
                    "legalprompt: cannot load {}: {} is not a valid Win32 application.",
                    path, path
                ),
            ),
            (
                Failure::Export(io::Error::from_raw_os_error(127)),
                Some(127),
                format!(
                    "legalprompt: {} has no DisplayLegalBullshit: {}",
                    path,
                    system(127)
                ),
            ),
            (
                Failure::Answer(7),
                None,
                format!("legalprompt: {} answered 7, which is no outcome", path),
            ),
        ];
        for (failure, code, expected) in cases {
            let error = Error {
                library: library.clone(),
                failure,
            };
            assert_eq!(expected, error.to_string(), "{:?}", error);
            assert_eq!(code, error.raw_os_error(), "{:?}", error);
            assert_eq!(library, error.library(), "{:?}", error);
        }
    }

    #[test]
    #[cfg(not(windows))]
    fn elsewhere_than_windows_nothing_is_accepted() {
        let error = show().expect_err("show() answered where there is no library");
        let beside = std::env::current_exe().unwrap().parent().unwrap().join(LIBRARY);
        assert_eq!(beside, error.library());
        assert!(
            error
                .to_string()
                .starts_with(&format!("legalprompt: cannot load {}: ", beside.display())),
            "{}",
            error
        );
    }
}
