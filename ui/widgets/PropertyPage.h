#pragma once
// A page of the main window. Its controls get their values the first time the page is shown
// (OnInitDialog); a page that was never shown is "never initialised" and keeps its stored settings.
// The main window asks the active page before leaving it (OnKillActive) and destroys every page at the end.
#include "ui/OptionValues.h"
#include "ui/widgets/PageAnchors.h"

#include <QFont>
#include <QWidget>

class PropertyPage : public QWidget {
    Q_OBJECT
public:
    PropertyPage(const QString& title, QWidget* parent = nullptr);

    const QString& Title() const { return title_; }
    bool IsInitialised() const { return initialised_; }
    // Called before the main window shows another page; false keeps this page active.
    virtual bool OnKillActive() { return true; }

    // The option values as the options page last took them; set by the application for the run.
    const OptionValues* LiveOptions() const { return liveOptions_; }
    void SetLiveOptions(const OptionValues* options) { liveOptions_ = options; }

    // The default and smallest size of every page: 441 x 303 dialog units.
    static QSize PageSize();

protected:
    virtual void OnInitDialog() { }
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // How a control placed for the default size follows a larger page (call after placing it).
    void AnchorControl(QWidget* control, Anchor anchor) { anchors_.Add(control, anchor); }

    QFont pageFont_;

private:
    QString title_;
    const OptionValues* liveOptions_ = nullptr;
    bool initialised_ = false;
    PageAnchors anchors_;
};
