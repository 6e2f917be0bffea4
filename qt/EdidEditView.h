// The EDIT view of the EDID DATA tab: the EDID as the model has it, as a
// tree (edid/EditTree.h) whose fields are edited through spin boxes, combo
// boxes, check boxes and text fields, with Add, Remove, Up and Down as
// buttons and as the tree's context menu, and a bar of the bytes the
// extension's data blocks and timings use. The view changes nothing itself:
// an edit is made on a copy of the model and handed out by edited(); the
// window writes it into the HEX view, which feeds the view again.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <optional>

#include "edid/EditTree.h"
#include "edid/Model.h"

class QAction;
class QLabel;
class QProgressBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace gui {

class Dialogs;

class EdidEditView : public QWidget {
    Q_OBJECT

public:
    explicit EdidEditView(Dialogs& dialogs, QWidget* parent = nullptr);

    // The EDID to show, or why there is none to edit. The tree is drawn at
    // once while the view is shown, else when it is next shown.
    void showModel(const edid::EdidModel& model);
    void showProblem(const QString& problem);
    const std::optional<edid::EdidModel>& model() const { return model_; }

    // The tree as it stands for the EDID last shown.
    QTreeWidget* tree();
    // The item whose labels, from the top, start with path's texts.
    QTreeWidgetItem* findItem(const QStringList& path);
    QProgressBar* sizeBar() const { return sizeBar_; }
    // The last refusal or note of an edit, or why there is nothing to edit.
    QLabel* message() const { return message_; }

    // The actions of the buttons and the context menu, on the current item.
    QAction* addAction() const { return add_; }
    QAction* removeAction() const { return remove_; }
    QAction* upAction() const { return up_; }
    QAction* downAction() const { return down_; }

signals:
    // An edit was made on a copy of the model: step names it ("Remove VIC 97").
    void edited(const QString& step, const edid::EdidModel& model);
    // An edit was refused; the model is unchanged. text: "Can't X: reason".
    void refused(const QString& text);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void rebuild();
    void rebuildLater();
    void sync(QTreeWidgetItem* parent, const std::vector<edid::EditNode>& nodes,
              const QString& parentPath);
    void makeWidget(QTreeWidgetItem* item, const edid::EditNode& node);
    void showNode(QTreeWidgetItem* item, const edid::EditNode& node);
    QTreeWidgetItem* itemAt(const QString& path) const;
    void updateActions();
    const edid::EditNode* nodeOf(QTreeWidgetItem* item) const;
    // Runs edit on a copy of the model as the step named step.
    void run(const QString& step, const std::function<edid::EditResult(edid::EdidModel&)>& edit);
    void addToCurrent();
    void removeCurrent();
    void moveCurrent(int by);
    void itemChanged(QTreeWidgetItem* item, int column);

    Dialogs& dialogs_;
    std::optional<edid::EdidModel> model_;
    QString problem_;
    edid::EditNode root_;
    QHash<QTreeWidgetItem*, const edid::EditNode*> nodes_;
    QString currentPath_;
    bool dirty_ = false;
    bool building_ = false;
    bool firstBuild_ = true;
    edid::TimingRequest lastTiming_;

    QTreeWidget* tree_;
    QProgressBar* sizeBar_;
    QLabel* message_;
    QAction* add_;
    QAction* remove_;
    QAction* up_;
    QAction* down_;
};

}  // namespace gui
