// Process entry, the main window and the run sequence.
#pragma once

#include "platform.h"
#include "z4setup_files.h"

#define IDM_CONFIG 40001

extern HINSTANCE Z4Instance;

// The argument text: what follows the program name (quoted or not) and the characters
// below 33 after it.
const char *argumentZ4_text(const char *command_line);

// True when the argument text selects removal: "/d" or "/D" as its first two characters.
bool isZ4_removal(const char *argument_text);

// Z4_VERB_LONG_FILE: a switch whose FILE is longer than the tool can hold.
enum Z4Verb {
    Z4_VERB_CONFIGURE,
    Z4_VERB_REMOVE,
    Z4_VERB_APPLY,
    Z4_VERB_SHOW,
    Z4_VERB_USAGE,
    Z4_VERB_LONG_FILE,
    Z4_VERB_PLAN
};

// What the argument text asks for: removal by "/d" or "/D" as its first two characters; "/s",
// "/S", "/n", "/N", "/r", "/R" or "/?" as a word of its own; anything else the dialog. `file` receives the
// rest of the text after the switch, blanks around it and double quotes about it removed; one
// that does not fit is refused as a whole (Z4_VERB_LONG_FILE), never cut.
Z4Verb verbZ4_of(const char *argument_text, char (&file)[Z4_FILE_ARGUMENT_CHARS],
               bool console = false);

// The verb of the run under way, for its event.
extern Z4Verb Z4RunVerb;

LRESULT CALLBACK Z4WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Puts every process-wide table and number back to what a new process starts with: the board
// tables, the numbering state and the value tables the writer fills in.
void resetZ4_process();

// The whole process run: what WinMain does with the given command line; returns the exit code.
// `console` makes it the console companion's run: every verb but the dialog reports as lines,
// an argument that selects nothing is answered with the usage, and interrupts are taken.
// `command_line` is the process's command line in UTF-8, as mainZ4_run gives it.
int runZ4_arguments(HINSTANCE instance, const char *command_line, int show_state, bool console = false);

// The process's entry: its command line taken as the system holds it (GetCommandLineW), so that a
// file name outside the ANSI code page reaches the file calls unchanged, then runZ4_arguments.
int mainZ4_run(HINSTANCE instance, int show_state, bool console);
