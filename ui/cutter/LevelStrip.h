#pragma once
// The cutter's level strip: the source's level over time drawn as a filled envelope, with a time
// ruler, the selected piece shaded, every piece boundary as a marker and the position as a line.
// It shows a stretch of the file (the view) and zooms from the whole file down to single frames.
//
// Mouse: a click moves the position (PositionClicked); dragging a boundary marker moves that
// boundary (BoundaryDragged, on release); both give the time under the pointer in milliseconds, as
// fine as a pixel of the view; Ctrl+wheel zooms around the pointer; the wheel
// scrolls in time. Keys: + and - zoom around the position, 0 shows the whole file. Markers and the
// selection are drawn at their exact times; the levels come in windows of kLevelWindowMs.
#include <QWidget>

#include <cstdint>
#include <vector>

class LevelStrip : public QWidget {
    Q_OBJECT
public:
    static constexpr double kLevelWindowMs = 10.0;
    // Levels map onto the height in dB: the floor and below draw nothing (silence), the top and
    // above the full height, so quiet music still shows as a low envelope.
    static constexpr double kFloorDb = -60.0;
    static constexpr double kTopDb = -6.0;

    explicit LevelStrip(QWidget* parent = nullptr);
    // The share of the half height a level in dBFS fills.
    static double EnvelopeShare(double db);

    // A new source of duration tenths: no levels yet, the whole file in view.
    void SetSource(int32_t durationTenths, int sampleRate, int samplesPerFrame);
    void Clear();
    // Levels in dBFS, one per window of kLevelWindowMs from the start.
    void SetLevels(std::vector<float> levels);
    bool HasLevels() const { return !levels_.empty(); }

    // The slider's position; a finer one already inside that tenth is kept.
    void SetPosition(int32_t tenths);
    // A position finer than tenths (a nudge by a frame).
    void SetPositionMs(double ms);
    double PositionMs() const { return positionMs_; }
    void SetSelection(int32_t start, int32_t end);
    void SetSelectionMs(double start, double end);
    double SelectionStartMs() const { return selectionStart_; }
    double SelectionEndMs() const { return selectionEnd_; }
    // The pieces' inner boundaries in milliseconds, rising (0 and the end are not markers).
    void SetBoundaries(std::vector<double> boundaries);
    const std::vector<double>& Boundaries() const { return boundaries_; }

    // The view in milliseconds from the start of the file.
    double ViewStartMs() const { return viewStart_; }
    double ViewEndMs() const { return viewEnd_; }
    // factor > 1 zooms in; the time at pixel x stays where it is.
    void ZoomAround(double factor, double x);
    // Zooms keeping the position at its place (or centred when it is out of view).
    void ZoomAroundPosition(double factor);
    void ShowWholeFile();
    // Moves the view by a share of its width (negative: earlier).
    void ScrollBy(double share);
    double PixelOfMs(double ms) const;
    double MsAtPixel(double x) const;
    // The shortest view: a few frames across.
    double MinimumSpanMs() const;

Q_SIGNALS:
    void PositionClicked(double ms);
    void BoundaryDragged(int index, double ms);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void SetView(double start, double end);
    void KeepPositionInView();
    double MsInFileAtPixel(double x) const;
    int MarkerNear(double x) const;
    void PaintRuler(class QPainter& painter, const QRect& area) const;
    void PaintEnvelope(class QPainter& painter, const QRect& body) const;

    std::vector<float> levels_;
    int32_t duration_ = 0; // tenths
    double durationMs_ = 0;
    double frameMs_ = 26.12;
    double viewStart_ = 0;
    double viewEnd_ = 0;
    double positionMs_ = 0;
    double selectionStart_ = 0;
    double selectionEnd_ = 0;
    std::vector<double> boundaries_;
    int dragging_ = -1; // the marker being dragged
    double dragFromX_ = 0; // where the drag began: a marker clicked without a move stays put
    double dragTo_ = 0;
};
