#include "WindowHost.h"

#include <QAction>
#include <QMdiSubWindow>

namespace qx {

ChildWindow *childWindow(QWidget *content) { return dynamic_cast<ChildWindow *>(content); }

WindowKind windowKindOf(QWidget *content)
{
    const ChildWindow *w = childWindow(content);
    return w ? w->windowKind() : WindowKind::Other;
}

QMdiSubWindow *childFrame(QWidget *content)
{
    return content ? qobject_cast<QMdiSubWindow *>(content->parentWidget()) : nullptr;
}

void restoreChild(QWidget *content)
{
    if (!content)
        return;
    if (QMdiSubWindow *frame = childFrame(content))
        frame->showNormal();
    else
        content->showNormal();
}

QWidget *SingleWindow::show(const std::function<QWidget *()> &create)
{
    if (m_window) {
        restoreChild(m_window);
        return m_window;
    }
    QWidget *w = create ? create() : nullptr;
    m_window = w;
    if (m_menuItem) {
        m_menuItem->setChecked(w != nullptr);
        if (w)
            QObject::connect(w, &QObject::destroyed, m_menuItem, [item = m_menuItem] { item->setChecked(false); });
    }
    return w;
}

} // namespace qx
