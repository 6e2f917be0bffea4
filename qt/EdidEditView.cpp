#include "qt/EdidEditView.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QComboBox>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "qt/Dialogs.h"

namespace gui {

namespace {

constexpr int kPathRole = Qt::UserRole + 1;
constexpr int kWidgetRole = Qt::UserRole + 2;
// Between the labels of an item's path (labels hold '/', as in cd/m2).
constexpr QChar kPathSeparator(0x1F);

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

// "Add VIC 97" -> "add VIC 97", for "Can't add VIC 97: ...".
QString sentenceInside(const QString& step) {
    return step.isEmpty() ? step : step.front().toLower() + step.mid(1);
}

QString addText(edid::AddKind kind) {
    switch (kind) {
    case edid::AddKind::Timing:
        return EdidEditView::tr("Add Timing...");
    case edid::AddKind::Vic:
        return EdidEditView::tr("Add VIC...");
    case edid::AddKind::Audio:
        return EdidEditView::tr("Add Audio Descriptor...");
    case edid::AddKind::Block:
        return EdidEditView::tr("Add Data Block...");
    case edid::AddKind::None:
        break;
    }
    return EdidEditView::tr("Add...");
}

}  // namespace

EdidEditView::EdidEditView(Dialogs& dialogs, QWidget* parent)
    : QWidget(parent),
      dialogs_(dialogs),
      tree_(new QTreeWidget(this)),
      sizeBar_(new QProgressBar(this)),
      message_(new QLabel(this)),
      add_(new QAction(tr("Add..."), this)),
      remove_(new QAction(tr("Remove"), this)),
      up_(new QAction(tr("Up"), this)),
      down_(new QAction(tr("Down"), this)) {
    tree_->setObjectName(QStringLiteral("edidEditTree"));
    tree_->setColumnCount(2);
    tree_->setHeaderLabels({tr("Field"), tr("Value")});
    tree_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    sizeBar_->setObjectName(QStringLiteral("edidSizeBar"));
    sizeBar_->setRange(0, edid::kCtaCapacity);
    sizeBar_->setValue(0);
    message_->setObjectName(QStringLiteral("edidEditMessage"));
    message_->setWordWrap(true);

    auto* buttons = new QHBoxLayout;
    for (QAction* action : {add_, remove_, up_, down_}) {
        auto* button = new QToolButton(this);
        button->setDefaultAction(action);
        buttons->addWidget(button);
    }
    buttons->addWidget(sizeBar_, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tree_, 1);
    layout->addLayout(buttons);
    layout->addWidget(message_);

    remove_->setShortcut(QKeySequence::Delete);
    remove_->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    tree_->addAction(remove_);
    connect(add_, &QAction::triggered, this, &EdidEditView::addToCurrent);
    connect(remove_, &QAction::triggered, this, &EdidEditView::removeCurrent);
    connect(up_, &QAction::triggered, this, [this] { moveCurrent(-1); });
    connect(down_, &QAction::triggered, this, [this] { moveCurrent(1); });
    connect(tree_, &QTreeWidget::currentItemChanged, this, [this] {
        if (!building_) {
            QTreeWidgetItem* item = tree_->currentItem();
            currentPath_ = item ? item->data(0, kPathRole).toString() : QString();
        }
        updateActions();
    });
    connect(tree_, &QTreeWidget::itemChanged, this, &EdidEditView::itemChanged);
    connect(tree_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (QTreeWidgetItem* item = tree_->itemAt(at)) {
            tree_->setCurrentItem(item);
        }
        QMenu menu(this);
        menu.addActions({add_, remove_, up_, down_});
        menu.exec(tree_->viewport()->mapToGlobal(at));
    });
    updateActions();
}

void EdidEditView::showModel(const edid::EdidModel& model) {
    model_ = model;
    problem_.clear();
    rebuildLater();
}

void EdidEditView::showProblem(const QString& problem) {
    model_.reset();
    problem_ = problem;
    rebuildLater();
}

QTreeWidget* EdidEditView::tree() {
    if (dirty_) {
        rebuild();
    }
    return tree_;
}

QTreeWidgetItem* EdidEditView::findItem(const QStringList& path) {
    tree();
    QTreeWidgetItem* at = tree_->invisibleRootItem();
    for (const QString& part : path) {
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < at->childCount() && next == nullptr; ++i) {
            if (at->child(i)->text(0).startsWith(part)) {
                next = at->child(i);
            }
        }
        if (next == nullptr) {
            return nullptr;
        }
        at = next;
    }
    return at == tree_->invisibleRootItem() ? nullptr : at;
}

void EdidEditView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (dirty_) {
        rebuild();
    }
}

void EdidEditView::rebuildLater() {
    // Not at once: the edit may come from a widget of the tree itself.
    const bool pending = dirty_;
    dirty_ = true;
    if (!pending) {
        QTimer::singleShot(0, this, [this] {
            if (dirty_ && isVisible()) {
                rebuild();
            }
        });
    }
}

void EdidEditView::rebuild() {
    dirty_ = false;
    building_ = true;
    nodes_.clear();
    if (model_) {
        root_ = edid::editTree(*model_);
        sync(tree_->invisibleRootItem(), root_.children, QString());
        if (firstBuild_) {
            for (const QStringList& path :
                 {QStringList{QStringLiteral("Base block")}, QStringList{QStringLiteral("Extension")},
                  QStringList{QStringLiteral("Extension"), QStringLiteral("Data blocks")},
                  QStringList{QStringLiteral("Extension"), QStringLiteral("Detailed timings")}}) {
                if (QTreeWidgetItem* item = findItem(path)) {
                    item->setExpanded(true);
                }
            }
            firstBuild_ = false;
        }
    } else {
        root_ = {};
        tree_->clear();
    }
    // The current item was removed: the nearest one that is still there.
    if (tree_->currentItem() == nullptr) {
        QString path = currentPath_;
        QTreeWidgetItem* current = nullptr;
        while (!path.isEmpty() && current == nullptr) {
            current = itemAt(path);
            path = path.section(kPathSeparator, 0, -2);
        }
        if (current != nullptr) {
            tree_->setCurrentItem(current);
        }
    }
    building_ = false;

    if (model_ && model_->cta) {
        const int used = edid::ctaBytesUsed(*model_->cta);
        sizeBar_->setEnabled(true);
        sizeBar_->setValue(std::min(used, edid::kCtaCapacity));
        sizeBar_->setFormat(tr("%1 of %2 bytes used, %3 free")
                                .arg(used)
                                .arg(edid::kCtaCapacity)
                                .arg(edid::kCtaCapacity - used));
    } else {
        sizeBar_->setEnabled(false);
        sizeBar_->setValue(0);
        sizeBar_->setFormat(tr("no CTA-861 extension"));
    }
    if (!model_) {
        message_->setText(problem_);
    }
    updateActions();
}

QTreeWidgetItem* EdidEditView::itemAt(const QString& path) const {
    for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
        if ((*it)->data(0, kPathRole).toString() == path) {
            return *it;
        }
    }
    return nullptr;
}

// The items of parent made to show nodes: an item of the same label and
// widget is kept (its widget too, so a spin box keeps its focus), the others
// are made or dropped. A removal or an insertion touches one item.
void EdidEditView::sync(QTreeWidgetItem* parent, const std::vector<edid::EditNode>& nodes,
                        const QString& parentPath) {
    const auto matches = [](QTreeWidgetItem* item, const edid::EditNode& node) {
        return item->text(0) == qs(node.label) &&
               item->data(0, kWidgetRole).toInt() == static_cast<int>(node.widget);
    };
    int i = 0;
    for (const edid::EditNode& node : nodes) {
        QTreeWidgetItem* item = nullptr;
        for (int j = i; j < parent->childCount(); ++j) {
            if (matches(parent->child(j), node)) {
                for (int k = i; k < j; ++k) {
                    delete parent->takeChild(i);
                }
                item = parent->child(i);
                break;
            }
        }
        const QString label = qs(node.label);
        const QString path = parentPath.isEmpty() ? label : parentPath + kPathSeparator + label;
        if (item == nullptr) {
            item = new QTreeWidgetItem;
            item->setText(0, label);
            item->setData(0, kWidgetRole, static_cast<int>(node.widget));
            item->setData(0, kPathRole, path);
            parent->insertChild(i, item);
            makeWidget(item, node);
        }
        nodes_.insert(item, &node);
        showNode(item, node);
        sync(item, node.children, path);
        ++i;
    }
    while (parent->childCount() > i) {
        delete parent->takeChild(i);
    }
}

void EdidEditView::makeWidget(QTreeWidgetItem* item, const edid::EditNode& node) {
    const auto step = [item] { return tr("Change %1").arg(item->text(0)); };
    switch (node.widget) {
    case edid::FieldWidget::Label:
    case edid::FieldWidget::Check:
        break;
    case edid::FieldWidget::Spin: {
        auto* spin = new QSpinBox;
        spin->setKeyboardTracking(false);
        connect(spin, &QSpinBox::valueChanged, this, [this, item, step](int value) {
            if (const edid::EditNode* n = nodeOf(item); n != nullptr && n->set) {
                const auto set = n->set;
                run(step(), [&](edid::EdidModel& m) { return set(m, value); });
            }
        });
        tree_->setItemWidget(item, 1, spin);
        break;
    }
    case edid::FieldWidget::Combo: {
        auto* combo = new QComboBox;
        connect(combo, &QComboBox::activated, this, [this, item, step](int index) {
            if (const edid::EditNode* n = nodeOf(item); n != nullptr && n->set) {
                const auto set = n->set;
                run(step(), [&](edid::EdidModel& m) { return set(m, index); });
            }
        });
        tree_->setItemWidget(item, 1, combo);
        break;
    }
    case edid::FieldWidget::Text: {
        auto* edit = new QLineEdit;
        connect(edit, &QLineEdit::editingFinished, this, [this, item, step, edit] {
            const edid::EditNode* n = nodeOf(item);
            const QString text = edit->text();
            if (n == nullptr || !n->setText || text == qs(n->text)) {
                return;
            }
            const auto set = n->setText;
            const QByteArray latin = text.toLatin1();
            run(step(), [&](edid::EdidModel& m) {
                return set(m, std::string_view(latin.constData(),
                                               static_cast<std::size_t>(latin.size())));
            });
        });
        tree_->setItemWidget(item, 1, edit);
        break;
    }
    }
}

void EdidEditView::showNode(QTreeWidgetItem* item, const edid::EditNode& node) {
    QWidget* widget = tree_->itemWidget(item, 1);
    const QSignalBlocker blocker(widget);
    switch (node.widget) {
    case edid::FieldWidget::Label:
        item->setText(1, qs(node.value));
        break;
    case edid::FieldWidget::Check:
        item->setText(1, qs(node.text));
        item->setCheckState(1, node.current != 0 ? Qt::Checked : Qt::Unchecked);
        item->setToolTip(1, qs(node.value));
        break;
    case edid::FieldWidget::Spin: {
        auto* spin = static_cast<QSpinBox*>(widget);
        spin->setRange(node.minimum, node.maximum);
        spin->setSingleStep(node.step);
        spin->setSuffix(qs(node.unit));
        spin->setValue(node.current);
        spin->setToolTip(qs(node.value));
        break;
    }
    case edid::FieldWidget::Combo: {
        auto* combo = static_cast<QComboBox*>(widget);
        QStringList choices;
        for (const std::string& choice : node.choices) {
            choices << qs(choice);
        }
        if (combo->count() != choices.size()) {
            combo->clear();
            combo->addItems(choices);
        }
        combo->setCurrentIndex(node.current);
        combo->setToolTip(qs(node.value));
        break;
    }
    case edid::FieldWidget::Text: {
        auto* edit = static_cast<QLineEdit*>(widget);
        edit->setMaxLength(node.maxLength);
        edit->setText(qs(node.text));
        edit->setToolTip(qs(node.value));
        break;
    }
    }
}

const edid::EditNode* EdidEditView::nodeOf(QTreeWidgetItem* item) const {
    return item == nullptr ? nullptr : nodes_.value(item, nullptr);
}

void EdidEditView::updateActions() {
    QTreeWidgetItem* item = tree_->currentItem();
    const edid::EditNode* node = nodeOf(item);
    edid::AddKind add = edid::AddKind::None;
    for (QTreeWidgetItem* at = item; at != nullptr && add == edid::AddKind::None; at = at->parent()) {
        if (const edid::EditNode* n = nodeOf(at)) {
            add = n->add;
        }
    }
    add_->setEnabled(model_.has_value() && add != edid::AddKind::None);
    add_->setText(addText(add));
    remove_->setEnabled(node != nullptr && static_cast<bool>(node->remove));
    up_->setEnabled(node != nullptr && static_cast<bool>(node->move) && node->canMoveUp);
    down_->setEnabled(node != nullptr && static_cast<bool>(node->move) && node->canMoveDown);
}

void EdidEditView::run(const QString& step,
                       const std::function<edid::EditResult(edid::EdidModel&)>& edit) {
    if (!model_) {
        return;
    }
    edid::EdidModel copy = *model_;
    const edid::EditResult result = edit(copy);
    if (!result.ok()) {
        const QString text =
            tr("Can't %1: %2").arg(sentenceInside(step), QString::fromStdString(result.error));
        message_->setText(text);
        rebuildLater();  // widgets back to what the model holds
        emit refused(text);
        return;
    }
    message_->setText(QString::fromStdString(result.note));
    emit edited(step, copy);
}

void EdidEditView::itemChanged(QTreeWidgetItem* item, int column) {
    if (building_ || column != 1) {
        return;
    }
    const edid::EditNode* node = nodeOf(item);
    if (node == nullptr || node->widget != edid::FieldWidget::Check || !node->set) {
        return;
    }
    const int on = item->checkState(1) == Qt::Checked ? 1 : 0;
    if (on == node->current) {
        return;
    }
    const auto set = node->set;
    run(tr("Change %1").arg(item->text(0)), [&](edid::EdidModel& m) { return set(m, on); });
}

void EdidEditView::addToCurrent() {
    if (!model_) {
        return;
    }
    edid::AddKind add = edid::AddKind::None;
    for (QTreeWidgetItem* at = tree_->currentItem(); at != nullptr && add == edid::AddKind::None;
         at = at->parent()) {
        if (const edid::EditNode* n = nodeOf(at)) {
            add = n->add;
        }
    }
    switch (add) {
    case edid::AddKind::Timing: {
        const auto request = dialogs_.timingRequest(this, lastTiming_);
        if (!request) {
            return;
        }
        lastTiming_ = *request;
        const edid::TimingResult timing = edid::generateTiming(*request);
        const QString name = timing.timing
                                 ? qs(edid::formatName(timing.timing->hActive, timing.timing->vActive,
                                                       timing.timing->interlaced,
                                                       timing.timing->refreshHz()))
                                 : QString();
        run(tr("Add Timing %1").arg(name), [&](edid::EdidModel& m) {
            return timing.timing ? edid::addDetailedTiming(m, *timing.timing)
                                 : edid::EditResult{timing.error, {}};
        });
        return;
    }
    case edid::AddKind::Vic: {
        QStringList items;
        for (const std::string& choice : edid::vicChoices()) {
            items << qs(choice);
        }
        const int chosen = dialogs_.chooseItem(this, tr("Add VIC"), tr("Video format"), items);
        if (chosen < 0 || chosen >= static_cast<int>(edid::vicTable().size())) {
            return;
        }
        const int vic = edid::vicTable()[static_cast<std::size_t>(chosen)].vic;
        run(tr("Add VIC %1").arg(vic), [&](edid::EdidModel& m) { return edid::addVic(m, vic); });
        return;
    }
    case edid::AddKind::Audio: {
        QStringList items;
        for (const edid::AudioFormatName& format : edid::audioFormatNames()) {
            items << QString::fromLatin1(format.name);
        }
        const int chosen =
            dialogs_.chooseItem(this, tr("Add Audio Descriptor"), tr("Audio format"), items);
        if (chosen < 0 || chosen >= items.size()) {
            return;
        }
        const edid::AudioFormatName& format = edid::audioFormatNames()[static_cast<std::size_t>(chosen)];
        run(tr("Add Audio %1").arg(items[chosen]),
            [&](edid::EdidModel& m) { return edid::addAudio(m, edid::defaultAudio(format)); });
        return;
    }
    case edid::AddKind::Block: {
        const auto choices = edid::blockChoices();
        QStringList items;
        for (const edid::BlockChoice& choice : choices) {
            items << qs(choice.text);
        }
        const int chosen = dialogs_.chooseItem(this, tr("Add Data Block"), tr("Data block"), items);
        if (chosen < 0 || chosen >= items.size()) {
            return;
        }
        const edid::BlockKind kind = choices[static_cast<std::size_t>(chosen)].kind;
        run(tr("Add %1").arg(items[chosen]),
            [&](edid::EdidModel& m) { return edid::addBlock(m, kind); });
        return;
    }
    case edid::AddKind::None:
        break;
    }
}

void EdidEditView::removeCurrent() {
    QTreeWidgetItem* item = tree_->currentItem();
    const edid::EditNode* node = nodeOf(item);
    if (node == nullptr || !node->remove) {
        return;
    }
    const auto remove = node->remove;
    run(tr("Remove %1").arg(item->text(0)), remove);
}

void EdidEditView::moveCurrent(int by) {
    QTreeWidgetItem* item = tree_->currentItem();
    const edid::EditNode* node = nodeOf(item);
    if (node == nullptr || !node->move) {
        return;
    }
    const auto move = node->move;
    run((by < 0 ? tr("Move %1 Up") : tr("Move %1 Down")).arg(item->text(0)),
        [&](edid::EdidModel& m) { return move(m, by); });
}

}  // namespace gui
