#pragma once

#include <QTabBar>
#include <QTabWidget>

/// @short Section tabs that wrap into several rows instead of scrolling.
///
/// Every section stays visible however narrow the pane. As with the classic
/// multi-row tab control, the row holding the chosen tab moves next to the page.
namespace tv {

class WrappingTabBar : public QTabBar
{
    Q_OBJECT
public:
    explicit WrappingTabBar(QWidget *parent = nullptr);

    /// Where tab `index` is drawn, in rows; QTabBar::tabRect() knows one row only.
    QRect wrappedTabRect(int index) const;
    int wrappedTabAt(const QPoint &pos) const;
    int rowCount() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void tabLayoutChange() override;

private:
    /// One rectangle per tab for `width`, rows ordered so that the current
    /// tab's row is the last (lowest) one.
    QList<QRect> layoutFor(int width) const;
    int availableWidth() const;

    int m_hover = -1;
};

/// PageControl1: a tab widget whose tab bar wraps.
class SectionTabWidget : public QTabWidget
{
    Q_OBJECT
public:
    explicit SectionTabWidget(QWidget *parent = nullptr);
    WrappingTabBar *wrappingTabBar() const { return m_bar; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    WrappingTabBar *m_bar;
};

} // namespace tv
