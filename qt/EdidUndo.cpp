#include "qt/EdidUndo.h"

#include <QAction>
#include <QKeyEvent>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <algorithm>
#include <utility>

namespace gui {

namespace {

constexpr int kReplaceId = 0x4544;  // "ED"

bool isUndoKey(const QKeyEvent* key) {
    return key->matches(QKeySequence::Undo);
}

bool isRedoKey(const QKeyEvent* key) {
    return key->matches(QKeySequence::Redo) ||
           key->keyCombination() == QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z);
}

}  // namespace

// "Replace the EDID text from before to after". Typing steps of one run
// merge into one.
class EdidUndo::Replace : public QUndoCommand {
public:
    Replace(EdidUndo& owner, EdidTextState before, EdidTextState after, const QString& name,
            int typingRun)
        : QUndoCommand(name),
          owner_(owner),
          before_(std::move(before)),
          after_(std::move(after)),
          typingRun_(typingRun) {}

    void undo() override { owner_.restore(before_); }
    void redo() override {
        // Pushed after the change was made: the first redo has nothing to do.
        if (done_) {
            done_ = false;
            return;
        }
        owner_.restore(after_);
    }
    int id() const override { return kReplaceId; }
    bool mergeWith(const QUndoCommand* other) override {
        const auto* next = static_cast<const Replace*>(other);
        if (typingRun_ < 0 || next->typingRun_ != typingRun_) {
            return false;
        }
        after_ = next->after_;
        // Typed and taken back again: no step at all.
        setObsolete(after_.plainText == before_.plainText);
        return true;
    }

private:
    EdidUndo& owner_;
    EdidTextState before_;
    EdidTextState after_;
    int typingRun_;  // -1 for a step other than typing
    bool done_ = true;
};

EdidUndo::EdidUndo(QTextEdit* editor, QObject* parent)
    : QObject(parent), editor_(editor) {
    editor_->setUndoRedoEnabled(false);
    editor_->installEventFilter(this);
    connect(editor_->document(), &QTextDocument::contentsChanged, this, &EdidUndo::textChanged);
    connect(editor_, &QObject::destroyed, this, [this] { editor_ = nullptr; });
    current_ = snapshot();
}

EdidTextState EdidUndo::snapshot() const {
    const QTextDocument* document = editor_->document();
    return {QTextDocumentFragment(document), document->toPlainText(),
            editor_->textCursor().position()};
}

void EdidUndo::restore(const EdidTextState& state) {
    changing_ = true;
    QTextCursor cursor(editor_->document());
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    cursor.removeSelectedText();
    cursor.insertFragment(state.content);
    cursor.endEditBlock();
    cursor.setPosition(std::min(state.cursorPosition, editor_->document()->characterCount() - 1));
    editor_->setTextCursor(cursor);
    changing_ = false;
    current_ = snapshot();
    ++typingRun_;
}

void EdidUndo::textChanged() {
    if (changing_ || editor_ == nullptr) {
        return;
    }
    EdidTextState now = snapshot();
    if (now.plainText == current_.plainText) {
        current_ = std::move(now);  // formats only
        return;
    }
    EdidTextState before = std::move(current_);
    current_ = now;
    stack_.push(new Replace(*this, std::move(before), std::move(now), typingName(), typingRun_));
}

void EdidUndo::apply(const QString& name, const std::function<void()>& change) {
    EdidTextState before = current_;
    changing_ = true;
    change();
    changing_ = false;
    current_ = snapshot();
    ++typingRun_;
    if (current_.plainText == before.plainText) {
        return;
    }
    stack_.push(new Replace(*this, std::move(before), current_, name, -1));
}

void EdidUndo::reset() {
    stack_.clear();
    current_ = snapshot();
    ++typingRun_;
}

void EdidUndo::undo() {
    stack_.undo();
}

void EdidUndo::redo() {
    stack_.redo();
}

void EdidUndo::bindActions(QAction* undo, QAction* redo) {
    const auto update = [this, undo, redo] {
        undo->setEnabled(stack_.canUndo());
        redo->setEnabled(stack_.canRedo());
        undo->setText(stack_.canUndo() ? tr("Undo %1").arg(stack_.undoText()) : tr("Undo"));
        redo->setText(stack_.canRedo() ? tr("Redo %1").arg(stack_.redoText()) : tr("Redo"));
    };
    connect(&stack_, &QUndoStack::indexChanged, undo, update);
    connect(&stack_, &QUndoStack::cleanChanged, undo, update);
    update();
}

bool EdidUndo::eventFilter(QObject* watched, QEvent* event) {
    if (watched != editor_ ||
        (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)) {
        return QObject::eventFilter(watched, event);
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool undoKey = isUndoKey(key);
    const bool redoKey = !undoKey && isRedoKey(key);
    if (!undoKey && !redoKey) {
        return QObject::eventFilter(watched, event);
    }
    if (event->type() == QEvent::ShortcutOverride) {
        // Not the editor's: let the window's Edit menu have the key.
        event->ignore();
        return true;
    }
    undoKey ? undo() : redo();
    return true;
}

}  // namespace gui
