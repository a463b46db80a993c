#pragma once

#include <QRect>

class QPrinter;

inline constexpr int kTwipsPerInch = 1440;

enum class TMeasurementUnits { muInches = 0, muMillimeters = 1 };

// Page margins in thousandths of an inch or hundredths of a millimetre, kept alongside their
// value in twips (1/1440 inch) for the page-formatting arithmetic.
class TMargin
{
public:
    int Left() const { return left_; }
    int Top() const { return top_; }
    int Right() const { return right_; }
    int Bottom() const { return bottom_; }
    TMeasurementUnits Units() const { return units_; }

    void SetLeft(int v);
    void SetTop(int v);
    void SetRight(int v);
    void SetBottom(int v);
    // Converts the four stored values to the new unit; the twips stay as they are.
    void SetUnits(TMeasurementUnits units);

    int LeftTwips() const { return leftTwips_; }
    int TopTwips() const { return topTwips_; }
    int RightTwips() const { return rightTwips_; }
    int BottomTwips() const { return bottomTwips_; }

private:
    int toTwips(int value) const;
    void recompute();

    int leftTwips_ = 0, topTwips_ = 0, rightTwips_ = 0, bottomTwips_ = 0;
    int left_ = 0, top_ = 0, right_ = 0, bottom_ = 0;
    TMeasurementUnits units_ = TMeasurementUnits::muInches;
};

// What a printer reports of itself, in device pixels.
struct PrinterMetrics
{
    int logPixelsX = 0, logPixelsY = 0;
    int physicalOffsetX = 0, physicalOffsetY = 0;
    int physicalWidth = 0, physicalHeight = 0;
    int horzRes = 0, vertRes = 0; // printable area
};

PrinterMetrics metricsOf(QPrinter& printer);

// Printable page in twips: (0, 0) to the printable size.
QRect pageRectTwips(const PrinterMetrics& m);

// The text rectangle in twips for the margins, against the printer's unprintable border.
// A margin smaller than that border gives the full printable edge and is reset to 0 in margins.
QRect textRectTwips(TMargin& margins, const PrinterMetrics& m, const QRect& page);
