// The reasons the transcript codec gives for a game it refuses, in Polish for the
// window. The codec writes its reasons in English (for the command-line tool); the
// window names the file itself, so the codec's leading "<file>: " is dropped. A reason
// this table does not know is not shown half in English: the window then says only where
// the text went wrong, as far as the reason tells.
#ifndef TAVRIN_POLISH_REASONS_H
#define TAVRIN_POLISH_REASONS_H

#include <QString>
#include <QStringList>

// `reason` as the codec gave it; `paths` the file names it may begin with.
QString polishTranscriptReason(const QString& reason, const QStringList& paths = {});

#endif
