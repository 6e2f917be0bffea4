// Undo and redo of the EDID editor. Every change of its text is one step on
// one QUndoStack: typing (consecutive keystrokes make one step) and every
// change the window makes itself (a read from the box, a file load, the
// checksum repair, an edit by structure), which it makes through apply().
// Each step replaces the editor's whole content, formats included, from
// what it was before to what it was after.
#pragma once

#include <QObject>
#include <QString>
#include <QTextDocumentFragment>
#include <QUndoCommand>
#include <QUndoStack>
#include <functional>

class QAction;
class QTextEdit;

namespace gui {

// The editor's content with its formats, and where its cursor stood.
struct EdidTextState {
    QTextDocumentFragment content;
    QString plainText;
    int cursorPosition = 0;
};

class EdidUndo : public QObject {
    Q_OBJECT

public:
    // Takes over the editor's undo: its own undo history is switched off
    // and its undo and redo keys act on this stack. What the editor holds now
    // is where undoing ends.
    explicit EdidUndo(QTextEdit* editor, QObject* parent = nullptr);

    QUndoStack& stack() { return stack_; }

    // Runs change, which rewrites the editor, as one step named name (the
    // Edit menu shows "Undo name"). A change that leaves the text as it was
    // makes no step.
    void apply(const QString& name, const std::function<void()>& change);
    // Forgets every step: what the editor holds now is where undoing ends.
    void reset();

    void undo();
    void redo();

    // Keeps the Edit menu's actions enabled and named after the steps.
    void bindActions(QAction* undo, QAction* redo);

    // The step name of typing in the editor.
    static QString typingName() { return tr("Typing"); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Replace;

    EdidTextState snapshot() const;
    // Puts a state back into the editor; no step is made for it.
    void restore(const EdidTextState& state);
    // A change of the editor's text that no apply() made: typing.
    void textChanged();

    QTextEdit* editor_;
    QUndoStack stack_;
    EdidTextState current_;
    bool changing_ = false;
    // Typing merges into the step before only within one run of typing;
    // any other step, undo or redo starts a new run.
    int typingRun_ = 0;
};

}  // namespace gui
