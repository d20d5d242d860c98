#pragma once
// A one-line label that shortens its text in the middle ("/home/…/joined.mp3") when it does not
// fit, so both ends of a long path stay readable; the whole text is its tooltip.
#include <QLabel>

class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    void SetFullText(const QString& text);
    const QString& FullText() const { return fullText_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Elide();
    QString fullText_;
};
