#pragma once
// The cutter's position slider: a horizontal slider that paints a selection range (the selected
// piece) on its groove, jumps to where the groove is clicked, and reports scrolling the way the
// page needs it: Scrolled(false) while the thumb is dragged, Scrolled(true) when a move is complete
// (the thumb released, a key or wheel step). Moves made by the program report nothing.
#include <QSlider>

class SelectionSlider : public QSlider {
    Q_OBJECT
public:
    explicit SelectionSlider(QWidget* parent = nullptr);

    void SetSelection(int start, int end);
    void ClearSelection();
    int SelectionStart() const { return selectionStart_; }
    int SelectionEnd() const { return selectionEnd_; }
    bool HasSelection() const { return selectionEnd_ > selectionStart_; }

Q_SIGNALS:
    void Scrolled(bool complete);
    // Space while the slider has the focus.
    void PlayPauseRequested();
    void SelectionChanged(int start, int end);
    // A key the page acts on while the slider has the focus: + - 0 (zoom), [ ] L, Left/Right and
    // Shift+Left/Right.
    void PageKey(int key, Qt::KeyboardModifiers modifiers);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ActionTriggered(int action);
    void ValueChanged();

    int selectionStart_ = 0;
    int selectionEnd_ = 0;
    bool userStep_ = false; // a key, wheel or page step is under way
};
