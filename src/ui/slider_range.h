#pragma once

#include <QSlider>

#include "platform/dialog.h"

namespace ui {

// A dialog's slider. A right press opens its range window before the slider sees the press.
class RangeSlider : public QSlider {
    Q_OBJECT

public:
    RangeSlider(platform::Dialog* dialog, int id, QWidget* parent);

protected:
    void mousePressEvent(QMouseEvent* e) override;

private:
    platform::Dialog* dialog_;
    int id_;
};

// "Slider range (min - max % values)": two integer fields with the range, "Reset" and
// "Apply". One stored pair of limits serves every slider of the program.
enum SliderRangeControl {
    kIdRangeMin = 1479,
    kIdRangeMax = 1480,
    kIdRangeApply = 1481,
    kIdRangeReset = 1482,
};
const platform::DialogTemplate* SliderRangeTemplate();
intptr_t SliderRangeProc(platform::Dialog* window, unsigned msg, uintptr_t wparam, intptr_t lparam);
// Opens the window for slider id of dialog, owned by it; the window closes itself.
platform::Dialog* OpenSliderRange(platform::Dialog* dialog, int id);
// The stored pair.
void StoredSliderRange(int* minimum, int* maximum);

}  // namespace ui
