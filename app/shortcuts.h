// The window's keys: Ctrl+N a new game, Ctrl+O load, Ctrl+S save, Ctrl+Z back to the
// player's previous turn, Ctrl+Shift+Z forward to the next one, Ctrl+Q quit, F1 the help
// window, F2 "Ocena pozycji". Each does what its button does.
#ifndef TAVRIN_SHORTCUTS_H
#define TAVRIN_SHORTCUTS_H

class TMainForm;

void installShortcuts(TMainForm& form);

// Through the record, as the navigation buttons go: one position back (or forward) and
// on until the player is to move or the record ends; then the position is put on the
// board as after "<" or ">".
void stepToPlayersTurn(TMainForm& form, bool back);

#endif
