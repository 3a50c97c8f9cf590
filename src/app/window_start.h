#pragma once

// How `tunedrop` becomes the window: the command line and the window are two programs, so that a command never maps
// a window library, and `tunedrop` without a command replaces itself with the window program.

// Whether the arguments after the program's name ask for the window: none at all, or only the options Qt's window
// classes read themselves (such as -platform NAME, -style NAME or -style=NAME, -geometry WxH+X+Y, -display NAME,
// -reverse), each with its value, spelt with one dash or two as Qt takes them. Anything else is for the command line,
// which refuses what it does not know.
bool asksForWindow(int argc, const char* const argv[]);

// Replaces this process with the window program, given the same arguments, so that the process id, and whatever
// watches it, stays the same. It lies at a fixed place relative to this program, in the build tree and installed.
// Returns only when that fails, with the status a shell gives a program it cannot run, after saying why.
int becomeWindow(char* argv[]);
