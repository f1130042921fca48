#include "dialogs/FolderTree.h"

#include "gui/WorkingFolder.h"

#include <QDir>
#include <QKeyEvent>
#include <QStyle>
#include <QStyledItemDelegate>

namespace dialogs {
namespace {

constexpr int PathRole = Qt::UserRole;
constexpr int DepthRole = Qt::UserRole + 1;
constexpr int IndentPixels = 10;

#ifdef _WIN32
constexpr Qt::CaseSensitivity PathCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity PathCase = Qt::CaseSensitive;
#endif

QString native(const QString& clean) { return QDir::toNativeSeparators(clean); }

QString join(const QString& base, const QString& name)
{
    return base.endsWith(u'/') ? base + name : base + u'/' + name;
}

// The part of `folder` below `drive`, or nothing when it is the drive's root.
QString below(const QString& drive, const QString& folder)
{
    if (folder.size() <= drive.size())
        return {};
    return folder.mid(drive.endsWith(u'/') ? drive.size() : drive.size() + 1);
}

// Shifts each row right by its depth, so the folders read as a tree.
class IndentDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem shifted(option);
        shifted.rect.setLeft(option.rect.left() + index.data(DepthRole).toInt() * IndentPixels);
        QStyledItemDelegate::paint(painter, shifted, index);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QSize s = QStyledItemDelegate::sizeHint(option, index);
        return {s.width() + index.data(DepthRole).toInt() * IndentPixels, 16};
    }
};

}  // namespace

QString cleanFolder(const QString& path) { return QDir::cleanPath(QDir::fromNativeSeparators(path)); }

QString driveOf(const QString& folder, const QStringList& drives)
{
    const QString f = cleanFolder(folder);
    QString best;
    for (const QString& d : drives) {
        const QString root = cleanFolder(d);
        const bool onIt =
            f.compare(root, PathCase) == 0 || f.startsWith(root.endsWith(u'/') ? root : root + u'/', PathCase);
        if (onIt && root.size() > best.size())
            best = root;
    }
    if (!best.isEmpty())
        return native(best);
    // Not on a listed drive: the folder's own root.
    if (f.size() >= 2 && f[1] == u':')
        return native(f.left(2) + u'/');
    return native(QStringLiteral("/"));
}

FolderTree::FolderTree(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setIconSize(QSize(14, 14));
    setItemDelegate(new IndentDelegate(this));
    connect(this, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { Q_EMIT rowActivated(row(item)); });
}

QString FolderTree::directory() const { return native(dir_); }

QString FolderTree::drive() const { return native(drive_); }

QString FolderTree::rowPath(int row) const
{
    const QListWidgetItem* it = item(row);
    return it ? native(it->data(PathRole).toString()) : QString();
}

void FolderTree::showCurrent(const QString& drive, const QString& folder)
{
    drive_ = dialogs::cleanFolder(drive);
    dir_ = dialogs::cleanFolder(folder);
    fill();
}

void FolderTree::setDirectory(const QString& drive, const QString& folder)
{
    const QString target = dialogs::cleanFolder(folder);
    if (workingFolder_)
        workingFolder_->moveTo(native(target));
    drive_ = dialogs::cleanFolder(drive);
    dir_ = target;
    fill();
    Q_EMIT directoryChanged(directory());
}

void FolderTree::openRow(int row)
{
    const QString path = rowPath(row);
    if (path.isEmpty() || dialogs::cleanFolder(path) == dir_)
        return;
    setDirectory(drive(), path);
}

void FolderTree::reread() { fill(); }

void FolderTree::keyPressEvent(QKeyEvent* e)
{
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && currentRow() >= 0) {
        e->accept();
        Q_EMIT rowActivated(currentRow());
        return;
    }
    QListWidget::keyPressEvent(e);
}

void FolderTree::fill()
{
    clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    auto add = [this](const QString& path, const QString& text, int depth, const QIcon& icon) {
        auto* it = new QListWidgetItem(icon, text, this);
        it->setData(PathRole, path);
        it->setData(DepthRole, depth);
        it->setToolTip(native(path));
    };

    add(drive_, native(drive_), 0, open);
    QString path = drive_;
    int depth = 0;
    const QString rest = below(drive_, dir_);
    if (!rest.isEmpty()) {
        for (const QString& part : rest.split(u'/', Qt::SkipEmptyParts)) {
            path = join(path, part);
            add(path, part, ++depth, open);
        }
    }
    shownRow_ = count() - 1;

    const QStringList subfolders =
        QDir(dir_).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    for (const QString& name : subfolders)
        add(join(dir_, name), name, depth + 1, closed);

    setCurrentRow(shownRow_);
}

}  // namespace dialogs
