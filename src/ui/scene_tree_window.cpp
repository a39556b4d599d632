#include "ui/scene_tree_window.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <set>

#include "fluid/driver.h"
#include "fluid/engine_hooks.h"
#include "fluid/fluido.h"
#include "fluid/links.h"
#include "platform/message_box.h"
#include "platform/ui_hooks.h"
#include "scene/creador.h"
#include "scene/daemon.h"
#include "ui/scene_panels.h"

namespace ui {
namespace {

QPointer<SceneTreeWindow> g_window;

constexpr int kRowRole = Qt::UserRole;
constexpr int kNodeRole = Qt::UserRole + 1;

// One small picture per kind of item: a fluid, a category, a daemon, an object.
enum Image { kImageFluid, kImageCategory, kImageDaemon, kImageObject, kImageCount };

QIcon MakeImage(int image) {
    QPixmap pixmap(14, 14);
    if (pixmap.isNull()) return QIcon();
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (image) {
        case kImageFluid:
            p.setBrush(QColor(70, 150, 230));
            p.setPen(QColor(30, 80, 160));
            p.drawEllipse(2, 2, 10, 10);
            break;
        case kImageCategory:
            p.setBrush(QColor(230, 200, 110));
            p.setPen(QColor(150, 120, 40));
            p.drawRect(1, 3, 12, 9);
            break;
        case kImageDaemon: {
            p.setBrush(QColor(240, 150, 50));
            p.setPen(QColor(160, 80, 20));
            const QPointF triangle[3] = {{7, 1}, {13, 12}, {1, 12}};
            p.drawPolygon(triangle, 3);
            break;
        }
        default:
            p.setBrush(QColor(170, 170, 170));
            p.setPen(QColor(90, 90, 90));
            p.drawRect(2, 2, 10, 10);
            break;
    }
    return QIcon(pixmap);
}

const std::vector<QIcon>& Images(bool* ok) {
    static std::vector<QIcon> images;
    static bool made = false, good = true;
    if (!made) {
        made = true;
        for (int i = 0; i < kImageCount; ++i) {
            images.push_back(MakeImage(i));
            good = good && !images.back().isNull();
        }
    }
    *ok = good;
    return images;
}

int ImageOf(const scene_tree::Item& row) {
    if (row.level == scene_tree::kFluidItem) return kImageFluid;
    if (row.level == scene_tree::kCategoryItem) return kImageCategory;
    if (row.category == kLinkDaemons) return kImageDaemon;
    if (row.category == kLinkObjects) return kImageObject;
    return kImageFluid;
}

QString FluidName(const Fluido* f) { return QString::fromLocal8Bit(f && f->emitter ? f->emitter->name : ""); }

QPushButton* Button(const char* text, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setAutoDefault(false);
    return b;
}

}  // namespace

SceneTreeWindow::SceneTreeWindow(QWidget* owner) : QWidget(owner, Qt::Tool) {
    setWindowTitle("Scene tree");
    setObjectName("scene.tree");
    setAttribute(Qt::WA_DeleteOnClose);
    bool ok = true;
    Images(&ok);
    if (!ok) {
        platform::MessageBox("Warning: fails image init");
        images_ = false;
    }
    auto* layout = new QHBoxLayout(this);
    tree_ = new QTreeWidget(this);
    tree_->setHeaderHidden(true);
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    tree_->setMinimumWidth(260);
    connect(tree_, &QTreeWidget::customContextMenuRequested, this, &SceneTreeWindow::ShowMenu);
    layout->addWidget(tree_, 3);

    auto* side = new QGridLayout;
    const char* const titles[3] = {"Daemons list", "Object list", "Fluid list"};
    for (int c = 0; c < 3; ++c) {
        const int category = c + 1;
        side->addWidget(new QLabel(titles[c], this), 0, c);
        lists_[c] = new QListWidget(this);
        lists_[c]->setSelectionMode(QAbstractItemView::ExtendedSelection);
        lists_[c]->setMinimumWidth(130);
        side->addWidget(lists_[c], 1, c);
        QListWidget* list = lists_[c];
        QPushButton* all = Button("Select All", this);
        QPushButton* none = Button("Clear", this);
        QPushButton* add = Button("Add to all fluids", this);
        connect(all, &QPushButton::clicked, list, &QListWidget::selectAll);
        connect(none, &QPushButton::clicked, list, &QListWidget::clearSelection);
        connect(add, &QPushButton::clicked, this, [this, category] { AddToAll(category); });
        buttons_.push_back(add);
        auto* row = new QHBoxLayout;
        row->addWidget(all);
        row->addWidget(none);
        side->addLayout(row, 2, c);
        side->addWidget(add, 3, c);
    }
    QPushButton* all_to_all = Button("ALL to ALL", this);
    QPushButton* clean_all = Button("Clean ALL", this);
    connect(all_to_all, &QPushButton::clicked, this, &SceneTreeWindow::AllToAll);
    connect(clean_all, &QPushButton::clicked, this, &SceneTreeWindow::CleanAll);
    buttons_.push_back(all_to_all);
    buttons_.push_back(clean_all);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(all_to_all);
    bottom->addWidget(clean_all);
    side->addLayout(bottom, 4, 0, 1, 3);
    layout->addLayout(side, 5);
    resize(860, 420);
    Rebuild();
}

SceneTreeWindow* SceneTreeWindow::Open(QWidget* owner) {
    if (!g_window) g_window = new SceneTreeWindow(owner);
    g_window->Rebuild();
    g_window->show();
    g_window->raise();
    return g_window;
}

SceneTreeWindow* SceneTreeWindow::Current() { return g_window; }

void SceneTreeWindow::FillLists() {
    std::vector<std::pair<QString, void*>> items[3];
    for (Daemon* d = FirstDaemon(); d; d = NextDaemon(d)) items[0].emplace_back(QString::fromLocal8Bit(d->name), d);
    const EngineHookTable& hooks = EngineHooks();
    if (hooks.first_object && hooks.next_object) {
        for (Body* b = hooks.first_object(); b; b = hooks.next_object(b)) {
            items[1].emplace_back(QString::fromLocal8Bit(hooks.object_name ? hooks.object_name(b) : ""), b);
        }
    }
    for (Fluido* f = rootflow; f; f = f->next) items[2].emplace_back(FluidName(f), f);
    for (int c = 0; c < 3; ++c) {
        QListWidget* list = lists_[c];
        std::set<void*> kept;
        for (QListWidgetItem* i : list->selectedItems()) kept.insert(reinterpret_cast<void*>(i->data(kNodeRole).toULongLong()));
        list->clear();
        for (const auto& [name, node] : items[c]) {
            auto* item = new QListWidgetItem(name, list);
            item->setData(kNodeRole, QVariant::fromValue(static_cast<qulonglong>(reinterpret_cast<uintptr_t>(node))));
            item->setSelected(kept.count(node) != 0);
        }
    }
}

void SceneTreeWindow::Rebuild() {
    rows_ = scene_tree::Build();
    tree_->clear();
    bool ok = true;
    const std::vector<QIcon>& images = Images(&ok);
    QTreeWidgetItem* parents[2] = {nullptr, nullptr};
    for (size_t r = 0; r < rows_.size(); ++r) {
        const scene_tree::Item& row = rows_[r];
        QTreeWidgetItem* item = row.level == scene_tree::kFluidItem ? new QTreeWidgetItem(tree_)
                                                                    : new QTreeWidgetItem(parents[row.level - 1]);
        item->setText(0, QString::fromLocal8Bit(row.label.c_str()));
        item->setData(0, kRowRole, static_cast<int>(r));
        if (images_) item->setIcon(0, images[static_cast<size_t>(ImageOf(row))]);
        if (row.level < scene_tree::kLinkedItem) parents[row.level] = item;
    }
    tree_->expandAll();
    FillLists();
    // A running step walks the lists: they change only between runs.
    for (QWidget* b : buttons_) b->setEnabled(!sim::Running());
}

const scene_tree::Item* SceneTreeWindow::ItemOf(QTreeWidgetItem* item) const {
    if (!item) return nullptr;
    const int r = item->data(0, kRowRole).toInt();
    return r >= 0 && r < static_cast<int>(rows_.size()) ? &rows_[static_cast<size_t>(r)] : nullptr;
}

scene_tree::Selection SceneTreeWindow::Selected() const {
    scene_tree::Selection s;
    auto nodes = [](QListWidget* list) {
        std::vector<void*> out;
        // In list order, which is scene order, whatever order they were picked in.
        for (int i = 0; i < list->count(); ++i) {
            if (list->item(i)->isSelected()) out.push_back(reinterpret_cast<void*>(list->item(i)->data(kNodeRole).toULongLong()));
        }
        return out;
    };
    for (void* d : nodes(lists_[0])) s.daemons.push_back(static_cast<Daemon*>(d));
    for (void* b : nodes(lists_[1])) s.objects.push_back(static_cast<Body*>(b));
    for (void* f : nodes(lists_[2])) s.fluids.push_back(static_cast<Fluido*>(f));
    return s;
}

void SceneTreeWindow::RunCommand(int command, QTreeWidgetItem* item) {
    const scene_tree::Item* row = ItemOf(item);
    if (sim::Running() || !row || !scene_tree::Run(command, *row, Selected())) return;
    Changed();
}

void SceneTreeWindow::AddToAll(int category) {
    if (sim::Running()) return;
    scene_tree::AddToAllFluids(category, Selected());
    Changed();
}

void SceneTreeWindow::AllToAll() {
    if (sim::Running()) return;
    LinkAllToAll();
    Changed();
}

void SceneTreeWindow::CleanAll() {
    if (sim::Running()) return;
    CleanAllLinks();
    Changed();
}

void SceneTreeWindow::Changed() {
    Rebuild();
    if (ScenePanels* panels = ThePanels()) panels->Changed();
}

void SceneTreeWindow::ShowMenu(const QPoint& at) {
    QTreeWidgetItem* item = tree_->itemAt(at);
    const scene_tree::Item* row = ItemOf(item);
    if (!row || row->level == scene_tree::kFluidItem || sim::Running()) return;
    tree_->setCurrentItem(item);
    QMenu menu;
    std::vector<std::pair<QAction*, int>> actions;
    if (row->level == scene_tree::kCategoryItem) {
        for (int c : {scene_tree::kInsertSelected, scene_tree::kInsertAll, scene_tree::kCleanList}) {
            actions.emplace_back(menu.addAction(scene_tree::CommandText(row->category, c)), c);
        }
    } else {
        actions.emplace_back(menu.addAction(scene_tree::CommandText(row->category, scene_tree::kRemoveItem)),
                             scene_tree::kRemoveItem);
    }
    QAction* chosen = menu.exec(tree_->viewport()->mapToGlobal(at));
    for (const auto& [action, command] : actions) {
        if (action == chosen) RunCommand(command, item);
    }
}

void SceneTreeWindow::keyPressEvent(QKeyEvent* e) {
    const scene_tree::Item* row = ItemOf(tree_->currentItem());
    if (e->key() == Qt::Key_Delete && row && row->level == scene_tree::kLinkedItem) {
        RunCommand(scene_tree::kRemoveItem, tree_->currentItem());
        return;
    }
    QWidget::keyPressEvent(e);
}

}  // namespace ui
