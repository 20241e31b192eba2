#include "ListKeys.h"

#include <QAbstractItemView>
#include <QKeyEvent>

#include <optional>

namespace hf {
namespace {

class FirstKeySelects final : public QObject {
public:
    explicit FirstKeySelects(QAbstractItemView& view) : QObject(&view), view_(view) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        const std::optional<int> row = rowFor(key->key());
        if (!row)
            return false;
        const QModelIndex index = view_.model()->index(*row, 0, view_.rootIndex());
        view_.selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        view_.scrollTo(index);
        return true;
    }

private:
    std::optional<int> rowFor(int key) const
    {
        const QAbstractItemModel* model = view_.model();
        const int rows = model && view_.selectionModel() ? model->rowCount(view_.rootIndex()) : 0;
        if (rows == 0)
            return std::nullopt;
        if (key == Qt::Key_Home)
            return 0;
        if (key == Qt::Key_End)
            return rows - 1;
        if ((key != Qt::Key_Up && key != Qt::Key_Down) || view_.selectionModel()->hasSelection())
            return std::nullopt;
        const QModelIndex current = view_.currentIndex();
        return current.isValid() ? current.row() : 0;
    }

    QAbstractItemView& view_;
};

}  // namespace

void selectWithFirstKey(QAbstractItemView& view)
{
    view.installEventFilter(new FirstKeySelects(view));
}

}  // namespace hf
