// Package legalprompt puts the licence agreement in "liscn.txt" in front of the user, through
// legalprompt.dll, and tells whether the user accepts it.
//
// The DLL is the one beside the program's executable, of the program's width: the win64
// kit's for GOARCH=amd64 (Go's default), the win32 kit's for GOARCH=386.  Build the program
// with -ldflags=-H=windowsgui so that no console window opens behind the dialog.
package legalprompt

import (
	"fmt"
	"os"
	"path/filepath"
	"runtime"
	"syscall"
)

// Outcome is the user's answer.
type Outcome int32

const (
	Accepted Outcome = 0  // the user chose "Accept"
	Declined Outcome = 1  // "Do Not Accept", Esc, the close box; or no dialog could be made
	NoText   Outcome = -1 // "liscn.txt" could not be opened or read; nothing was shown
)

func (o Outcome) String() string {
	switch o {
	case Accepted:
		return "accepted"
	case Declined:
		return "declined"
	case NoText:
		return "no text"
	}
	return fmt.Sprintf("Outcome(%d)", int32(o))
}

// Library is the DLL's file name, looked for beside the program's executable.
const Library = "legalprompt.dll"

// Show shows the agreement text from "liscn.txt" (looked for in the program's folder, then
// the current folder, the system's folders and PATH: ship it beside the program) and blocks
// until the user answers.  The error says why the library could not be loaded or called; the
// outcome is then Declined, never Accepted.  Call it from one goroutine at a time.
func Show() (Outcome, error) {
	executable, err := os.Executable()
	if err != nil {
		return Declined, fmt.Errorf("legalprompt: cannot tell the program's folder: %w", err)
	}
	path := filepath.Join(filepath.Dir(executable), Library)
	dll, err := syscall.LoadDLL(path)
	if err != nil {
		return Declined, fmt.Errorf("legalprompt: cannot load %s: %w", path, err)
	}
	defer dll.Release()
	display, err := dll.FindProc("DisplayLegalBullshit")
	if err != nil {
		return Declined, fmt.Errorf("legalprompt: %s has no DisplayLegalBullshit: %w", path, err)
	}
	// The dialog's windows belong to the thread that makes them, and its modal loop must
	// run there until it ends.
	runtime.LockOSThread()
	defer runtime.UnlockOSThread()
	r1, _, _ := display.Call()
	// A 32-bit int in the low half of the register: -1 is NoText, not 4294967295.
	return Outcome(int32(r1)), nil
}
