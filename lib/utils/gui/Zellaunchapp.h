// Starting a program, and waiting for it while a window stays painted.
#pragma once

#include "Controls.hpp"
#include "System.hpp"

namespace zelutils {

enum class TLaunchWait { NoWait, UntilExit };

// Starts commandLine (its first word the program, looked up in PATH) in
// directory, or in the current directory when directory is empty. Raises
// "Unable to change current directory" for a directory that does not exist,
// before anything is started; the caller's current directory is the same
// afterwards. With UntilExit, waits for the program to end, letting control
// (if any) repaint itself about every 150 ms, and stores its exit code in
// *exitCode (if given; 0 otherwise, and when not waiting). False when the
// program could not be started.
//
// desktop names the Windows desktop to start on; POSIX has no such thing and
// ignores it.
bool LaunchApplication(const AnsiString& directory, const AnsiString& commandLine, const AnsiString& desktop,
                       TLaunchWait wait, TWinControl* control, unsigned long* exitCode);

}  // namespace zelutils
