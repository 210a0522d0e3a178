#pragma once

#include <QLabel>
#include <QPixmap>
#include <QTimer>
#include <vector>

namespace vantor::app {

// The download window's animation: a sheet travelling from the server to the computer, played
// from frames compiled into the program while a transfer runs.
class DownloadAnimation : public QLabel {
    Q_OBJECT
public:
    static constexpr int kFrameMs = 120;

    explicit DownloadAnimation(QWidget* parent = nullptr);

    void play();
    void stop();
    // Stops and shows the first frame again.
    void close();

private:
    void showFrame(std::size_t index);
    void nextFrame();

    std::vector<QPixmap> m_frames;
    std::size_t m_current = 0;
    QTimer m_timer;
};

}  // namespace vantor::app
