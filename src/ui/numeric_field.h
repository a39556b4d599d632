#pragma once

#include <QLineEdit>
#include <QPoint>

namespace ui {

class QtDialog;

// An edit field of a dialog as a numeric field: Tab moves within its group, Enter hands the
// focus back to the main window, a vertical drag with the left button changes the value by
// the scrolling step per pixel, fields of animated parameters are coloured and open the
// envelope editor from their menu or a double-click. Every change is read by the dialog
// procedure through the focus-lost notification, as a typed entry is.
class NumericField : public QLineEdit {
    Q_OBJECT

public:
    NumericField(QtDialog* dialog, int id, unsigned style, QWidget* parent);

    int id() const { return id_; }
    // The value a drag of dy pixels (positive: down) gives from text; false when the text
    // is no number (it is then left alone).
    bool DraggedValue(const QString& text, int dy, QString* shown) const;

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    void ReadBack();
    void UpdateColour();

    QtDialog* dialog_;
    int id_;
    unsigned style_;
    unsigned colour_ = 0xFFFFFFFFu;
};

}  // namespace ui
