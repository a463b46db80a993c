#include "editor/margin.h"

#include <QPrinter>

int TMargin::toTwips(int value) const
{
    return units_ == TMeasurementUnits::muInches ? value * kTwipsPerInch / 1000 : value * 57 / 100;
}

void TMargin::recompute()
{
    leftTwips_ = toTwips(left_);
    topTwips_ = toTwips(top_);
    rightTwips_ = toTwips(right_);
    bottomTwips_ = toTwips(bottom_);
}

void TMargin::SetLeft(int v)
{
    left_ = v;
    recompute();
}
void TMargin::SetTop(int v)
{
    top_ = v;
    recompute();
}
void TMargin::SetRight(int v)
{
    right_ = v;
    recompute();
}
void TMargin::SetBottom(int v)
{
    bottom_ = v;
    recompute();
}

void TMargin::SetUnits(TMeasurementUnits units)
{
    if (units == units_)
        return;
    auto convert = [units](int v) {
        return units == TMeasurementUnits::muMillimeters ? v * 254 / 100 : v * 100 / 254;
    };
    left_ = convert(left_);
    top_ = convert(top_);
    right_ = convert(right_);
    bottom_ = convert(bottom_);
    units_ = units;
}

PrinterMetrics metricsOf(QPrinter& printer)
{
    PrinterMetrics m;
    m.logPixelsX = printer.logicalDpiX();
    m.logPixelsY = printer.logicalDpiY();
    const QRect paper = printer.paperRect(QPrinter::DevicePixel).toRect();
    const QRect page = printer.pageRect(QPrinter::DevicePixel).toRect();
    m.physicalOffsetX = page.left() - paper.left();
    m.physicalOffsetY = page.top() - paper.top();
    m.physicalWidth = paper.width();
    m.physicalHeight = paper.height();
    m.horzRes = page.width();
    m.vertRes = page.height();
    return m;
}

QRect pageRectTwips(const PrinterMetrics& m)
{
    if (m.logPixelsX <= 0 || m.logPixelsY <= 0)
        return QRect();
    return QRect(QPoint(0, 0), QPoint(m.horzRes * kTwipsPerInch / m.logPixelsX - 1,
                                      m.vertRes * kTwipsPerInch / m.logPixelsY - 1));
}

QRect textRectTwips(TMargin& margins, const PrinterMetrics& m, const QRect& page)
{
    if (m.logPixelsX <= 0 || m.logPixelsY <= 0)
        return page;
    const int borderLeft = m.physicalOffsetX * kTwipsPerInch / m.logPixelsX;
    const int borderTop = m.physicalOffsetY * kTwipsPerInch / m.logPixelsY;
    const int borderRight =
        (m.physicalWidth - m.horzRes - m.physicalOffsetX) * kTwipsPerInch / m.logPixelsX;
    const int borderBottom =
        (m.physicalHeight - m.vertRes - m.physicalOffsetY) * kTwipsPerInch / m.logPixelsY;

    // QRect's right/bottom are inclusive; work with exclusive edges like the page arithmetic.
    int left, top, right, bottom;
    if (margins.LeftTwips() < borderLeft) {
        left = 0;
        margins.SetLeft(0);
    } else {
        left = margins.LeftTwips() - borderLeft;
    }
    if (margins.TopTwips() < borderTop) {
        top = 0;
        margins.SetTop(0);
    } else {
        top = margins.TopTwips() - borderTop;
    }
    const int pageRight = page.right() + 1;
    const int pageBottom = page.bottom() + 1;
    if (margins.RightTwips() < borderRight) {
        right = pageRight;
        margins.SetRight(0);
    } else {
        right = pageRight + borderRight - margins.RightTwips();
    }
    if (margins.BottomTwips() < borderBottom) {
        bottom = pageBottom;
        margins.SetBottom(0);
    } else {
        bottom = pageBottom + borderBottom - margins.BottomTwips();
    }
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}
