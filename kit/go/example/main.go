// A program that goes on only when the user accepts the licence agreement; its exit code is
// the answer: 0 accepted, 1 declined, -1 no text, 3 the library could not be used.
package main

import (
	"fmt"
	"os"

	"legalprompt"
)

func main() {
	outcome, err := legalprompt.Show()
	if err != nil {
		fmt.Fprintln(os.Stderr, err)
		os.Exit(3)
	}
	if outcome != legalprompt.Accepted {
		fmt.Fprintln(os.Stderr, "not installing:", outcome)
		os.Exit(int(outcome))
	}
	fmt.Println("accepted; installing")
}
