#pragma once
// A text that looks and acts like a web link: link, hover and visited colours, a hand cursor, a
// tooltip with the target, an underline, and a click that opens the target with the desktop.
#include <QColor>
#include <QLabel>
#include <QTimer>
#include <string>

class LinkLabel : public QLabel {
    Q_OBJECT
public:
    // Underline modes.
    static constexpr int kUnderlineWhileHovering = -1;
    static constexpr int kUnderlineNever = 0;
    static constexpr int kUnderlineAlways = 1;

    // An empty target takes the text, an empty text takes the target.
    explicit LinkLabel(const QString& text, QWidget* parent = nullptr, const std::string& target = {});

    void SetUrl(const std::string& target);
    const std::string& Url() const { return target_; }
    void SetUnderlineMode(int mode);
    int UnderlineMode() const { return underlineMode_; }
    void SetFitToText(bool fit) { fitToText_ = fit; }
    // Resizes the control to its text measured with underline; centred or right-aligned text keeps
    // its centre or its right edge.
    void FitToText();

    bool IsHovering() const { return hovering_; }
    bool IsVisited() const { return visited_; }
    QColor TextColor() const;
    bool IsUnderlined() const;

    // Opens the target; on failure beeps and reports the error code.
    void Open();
    static QString OpenErrorText(int code);
    void ReportOpenError(int code);

    QColor linkColor { 0, 0, 238 };
    QColor visitedColor { 85, 26, 139 };
    QColor hoverColor { 255, 0, 0 };

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void StartHover();
    void EndHover();
    void CheckMouseLeft();
    QFont UnderlineFont() const;

    bool hovering_ = false;
    bool visited_ = false;
    int underlineMode_ = kUnderlineWhileHovering;
    bool fitToText_ = true;
    std::string target_;
    // Detects the mouse leaving when no leave event arrives (a window that lost the pointer grab).
    QTimer hoverTimer_;
};
