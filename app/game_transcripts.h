// Games in move text (.txt, .mov) and GGF (.ggf) in the open and save dialogs. The engine
// reads and writes only its game file (.gam), so such a game goes through a temporary
// .gam: converted into one before the engine loads it, converted from the one the engine
// saved. The conversion is the engine's transcript codec, linked into the program.
#ifndef TAVRIN_GAME_TRANSCRIPTS_H
#define TAVRIN_GAME_TRANSCRIPTS_H

#include <QString>

#include "file_dialog.h"

// The dialogs' filter: game files, then the two transcript kinds; the open dialog first
// offers all three kinds at once.
QString gameFileFilter(FileDialog::Kind kind);

// True for a name whose extension is .txt, .mov or .ggf (any case).
bool isTranscriptFile(const QString& name);

// Writes the game in `name` as a game file in `folder`; its path, or an empty string and
// the reason in `error`.
QString transcriptToGameFile(const QString& name, const QString& folder, QString* error);

// Writes the game of the game file `gameFile` to `name`; an empty string when done, else
// the reason.
QString gameFileToTranscript(const QString& gameFile, const QString& name);

#endif
