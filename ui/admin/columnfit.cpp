#include "ui/admin/columnfit.h"

#include <QEvent>
#include <QHeaderView>
#include <QTableView>
#include <algorithm>
#include <numeric>

namespace {

int sum(const std::vector<int> &values) { return std::accumulate(values.begin(), values.end(), 0); }

// Takes up to `excess` pixels from the widths, from each in proportion to
// its room; returns what could not be taken.
int shrink(std::vector<int> &widths, const std::vector<int> &room, int excess)
{
    const int total = sum(room);
    if (excess <= 0 || total <= 0)
        return excess;
    const int take = std::min(excess, total);
    std::vector<int> cut(widths.size());
    int taken = 0;
    for (size_t i = 0; i < widths.size(); ++i) {
        cut[i] = static_cast<int>(static_cast<long long>(take) * room[i] / total);
        taken += cut[i];
    }
    // What the rounding left, a pixel at a time from columns with room left.
    for (size_t i = 0; taken < take; i = (i + 1) % widths.size()) {
        if (cut[i] < room[i]) {
            ++cut[i];
            ++taken;
        }
    }
    for (size_t i = 0; i < widths.size(); ++i)
        widths[i] -= cut[i];
    return excess - take;
}

// Widths of the shown columns, in order, from the designed width, the
// caption's width (the least) and the values' width of each.
std::vector<int> fittedWidths(const std::vector<int> &designed, const std::vector<int> &least,
                              const std::vector<int> &content, int available, ColumnFit::Spare spare)
{
    const size_t n = designed.size();
    std::vector<int> need(n);
    std::vector<int> widths(n);
    for (size_t i = 0; i < n; ++i) {
        need[i] = std::max(least[i], content[i]);
        widths[i] = std::max(designed[i], need[i]);
    }
    if (n == 0)
        return widths;
    int excess = sum(widths) - available;
    if (excess > 0) {
        std::vector<int> beyondValues(n);
        std::vector<int> ofValues(n);
        for (size_t i = 0; i < n; ++i) {
            beyondValues[i] = widths[i] - need[i];
            ofValues[i] = need[i] - least[i];
        }
        excess = shrink(widths, beyondValues, excess);
        shrink(widths, ofValues, excess);
        return widths;
    }
    const int spareWidth = -excess;
    if (spare == ColumnFit::Spare::Proportional && sum(designed) > 0) {
        const int designedTotal = sum(designed);
        int given = 0;
        for (size_t i = 0; i < n; ++i) {
            const int share = static_cast<int>(static_cast<long long>(spareWidth) * designed[i] / designedTotal);
            widths[i] += share;
            given += share;
        }
        widths.back() += spareWidth - given;
    } else {
        widths.back() += spareWidth;
    }
    return widths;
}

} // namespace

ColumnFit::ColumnFit(QTableView &view, std::vector<int> designed, Spare spare)
    : QObject(&view), m_view(view), m_viewport(view.viewport()), m_designed(std::move(designed)), m_spare(spare)
{
    for (size_t c = 0; c < m_designed.size(); ++c)
        m_view.setColumnWidth(static_cast<int>(c), m_designed[c]);
    m_viewport->installEventFilter(this);
    // The row indicator and the scroll bars take their width only once the
    // grid lays itself out.
    connect(m_view.verticalHeader(), &QHeaderView::geometriesChanged, this, &ColumnFit::fit);
    connect(m_view.horizontalHeader(), &QHeaderView::geometriesChanged, this, &ColumnFit::fit);
    fit();
}

void ColumnFit::fit()
{
    if (m_fitting || m_designed.empty())
        return;
    m_fitting = true;
    QHeaderView *header = m_view.horizontalHeader();
    std::vector<int> shown;
    std::vector<int> designed;
    std::vector<int> least;
    std::vector<int> content;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int c = header->logicalIndex(visual);
        if (header->isSectionHidden(c))
            continue;
        shown.push_back(c);
        designed.push_back(c < static_cast<int>(m_designed.size()) ? m_designed[static_cast<size_t>(c)]
                                                                   : header->defaultSectionSize());
        least.push_back(header->sectionSizeHint(c));
        content.push_back(static_cast<QAbstractItemView &>(m_view).sizeHintForColumn(c));
    }
    const int available = m_view.viewport()->width();
    const std::vector<int> widths = fittedWidths(designed, least, content, available, m_spare);
    for (size_t i = 0; i < shown.size(); ++i)
        header->resizeSection(shown[i], widths[i]);
    m_fitting = false;
    // New widths can bring a scroll bar or the row indicator in and take
    // width from the columns; fit once more to what is left.
    if (m_view.viewport()->width() != available && m_refits < 2) {
        ++m_refits;
        fit();
    }
    m_refits = 0;
}

bool ColumnFit::eventFilter(QObject *watched, QEvent *event)
{
    // The event's type first: while the grid is being destroyed it still
    // sends events here, and it must not be asked anything then.
    if (event->type() == QEvent::Resize && watched == m_viewport)
        fit();
    return QObject::eventFilter(watched, event);
}
