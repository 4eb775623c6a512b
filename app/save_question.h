// "Zapisać partię?": asked when the window is closed with moves played since the game was
// last saved or loaded. Tak saves (through the save dialog), Nie closes without saving,
// Anuluj keeps the window open.
#ifndef TAVRIN_SAVE_QUESTION_H
#define TAVRIN_SAVE_QUESTION_H

#include <functional>

class QWidget;

enum class SaveAnswer { Save, Discard, Cancel };

using SaveQuestion = std::function<SaveAnswer(QWidget* parent)>;

// The question in a message box.
SaveAnswer askToSaveGame(QWidget* parent);

#endif
