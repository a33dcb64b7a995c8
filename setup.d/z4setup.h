// Process entry, the main window and the run sequence.
#pragma once

#include "platform.h"

#define IDM_CONFIG 40001

extern HINSTANCE Z4Instance;

// The argument text: what follows the program name (quoted or not) and the characters
// below 33 after it.
const char *z4_argument_text(const char *command_line);

// True when the argument text selects removal: "/d" or "/D" as its first two characters.
bool z4_is_removal(const char *argument_text);

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

// Room for the file named after a switch: the ANSI file calls take paths of up to 260.
constexpr int Z4_FILE_ARGUMENT_CHARS = 1024;

// What the argument text asks for: removal by "/d" or "/D" as its first two characters; "/s",
// "/S", "/n", "/N", "/r", "/R" or "/?" as a word of its own; anything else the dialog. `file` receives the
// rest of the text after the switch, blanks around it and double quotes about it removed; one
// that does not fit is refused as a whole (Z4_VERB_LONG_FILE), never cut.
Z4Verb z4_verb(const char *argument_text, char (&file)[Z4_FILE_ARGUMENT_CHARS]);

LRESULT CALLBACK Z4WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Puts every process-wide table and number back to what a new process starts with: the board
// tables, the numbering state and the value tables the writer fills in.
void resetZ4_process();

// The whole process run: what WinMain does with the given command line; returns the exit code.
// `console` makes it the console companion's run: every verb but the dialog reports as lines,
// an argument that selects nothing is answered with the usage, and interrupts are taken.
int z4_run(HINSTANCE instance, const char *command_line, int show_state, bool console = false);
